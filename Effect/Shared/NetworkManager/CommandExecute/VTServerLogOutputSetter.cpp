#include "NetworkManager/CommandExecute/VTServerLogOutputSetter.h"

namespace TarvoFX {

void VTServerLogOutputSetter::Run(IVTServerLogOutputSetListener& listener, CDataAPO& data,
                                  std::vector<uint8_t>& /*vecReply*/) {
    listener.OnVTServerLogOutputSet(data.szName, data.nFlag == 1);
}

}  // namespace TarvoFX
