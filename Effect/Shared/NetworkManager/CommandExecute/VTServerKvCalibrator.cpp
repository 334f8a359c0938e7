#include "NetworkManager/CommandExecute/VTServerKvCalibrator.h"

namespace TarvoFX {

void VTServerKvCalibrator::Run(IVTServerCalibrateKvListener& listener, CDataAPO& /*data*/,
                               std::vector<uint8_t>& /*vecReply*/) {
    listener.OnVTServerCalibrateKv();
}

}  // namespace TarvoFX
