#include "NetworkManager/CommandExecute/VTServerMetersDisabler.h"

namespace TarvoFX {

void VTServerMetersDisabler::Run(IVTServerMetersListener& listener, CDataAPO& /*data*/,
                                 std::vector<uint8_t>& /*vecReply*/) {
    listener.OnVTServerMetersEnabled(false);
}

}  // namespace TarvoFX
