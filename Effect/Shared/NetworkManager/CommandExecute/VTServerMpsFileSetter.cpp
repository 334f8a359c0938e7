#include "NetworkManager/CommandExecute/VTServerMpsFileSetter.h"

namespace TarvoFX {

void VTServerMpsFileSetter::Run(IVTServerMpsFileSetListener& listener, CDataAPO& data,
                                std::vector<uint8_t>& /*vecReply*/) {
    listener.OnVTServerMpsFileSet(data.szPath);
}

}  // namespace TarvoFX
