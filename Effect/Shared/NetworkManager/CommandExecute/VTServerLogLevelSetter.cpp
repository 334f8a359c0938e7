#include "NetworkManager/CommandExecute/VTServerLogLevelSetter.h"

namespace TarvoFX {

void VTServerLogLevelSetter::Run(IVTServerLogLevelSetListener& listener, CDataAPO& data,
                                 std::vector<uint8_t>& /*vecReply*/) {
    listener.OnVTServerLogLevelSet(data.szName, data.nLevel);
}

}  // namespace TarvoFX
