#include "NetworkManager/CommandExecute/VTServerCustomOutputModeSetter.h"

namespace TarvoFX {

void VTServerCustomOutputModeSetter::Run(IVTServerCustomOutputModeSetListener& listener,
                                         CDataAPO& data, std::vector<uint8_t>& /*vecReply*/) {
    listener.OnVTServerCustomOutputModeSet(static_cast<uint16_t>(data.nFirst & 0xFFFF),
                                           static_cast<uint16_t>(data.nSecond & 0xFFFF));
}

}  // namespace TarvoFX
