#include "NetworkManager/CommandExecute/VTServerSoundModeSetter.h"

#include "logging/TarvoLog.h"

namespace TarvoFX {

void VTServerSoundModeSetter::Run(IVTServerSoundModeSetListener& listener, CDataAPO& data,
                                  std::vector<uint8_t>& /*vecReply*/) {
    TARVO_LOG_ENTRY(__PRETTY_FUNCTION__);
    listener.OnVTServerSoundModeSet(static_cast<int16_t>(data.nMode & 0xFFFF));
}

}  // namespace TarvoFX
