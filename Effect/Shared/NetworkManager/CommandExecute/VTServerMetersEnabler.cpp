#include "NetworkManager/CommandExecute/VTServerMetersEnabler.h"

namespace TarvoFX {

void VTServerMetersEnabler::Run(IVTServerMetersListener& listener, CDataAPO& /*data*/,
                                std::vector<uint8_t>& /*vecReply*/) {
    listener.OnVTServerMetersEnabled(true);
}

}  // namespace TarvoFX
