#include "NetworkManager/CommandExecute/VTServerRecordingSetter.h"

namespace TarvoFX {

void VTServerRecordingSetter::Run(IVTServerRecordingListener& listener, CDataAPO& data,
                                  std::vector<uint8_t>& /*vecReply*/) {
    if (data.nStatus == 1) {
        listener.OnVTServerRecordingEnabled(data.szPath);
    } else {
        listener.OnVTServerRecordingDisabled();
    }
}

}  // namespace TarvoFX
