#include "NetworkManager/CommandExecute/VTServerSystemVolumeSetter.h"

namespace TarvoFX {

void VTServerSystemVolumeSetter::Run(IVTServerSystemVolumeSetListener& listener, CDataAPO& data,
                                     std::vector<uint8_t>& /*vecReply*/) {
    listener.OnVTServerSystemVolumeSet(data.dVolume);
}

}  // namespace TarvoFX
