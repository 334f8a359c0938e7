#include "NetworkManager/CommandExecute/VTServerOutputModeSetter.h"

#include "logging/TarvoLog.h"

namespace TarvoFX {

void VTServerOutputModeSetter::Run(IVTServerOutputModeSetListener& listener, CDataAPO& data,
                                   std::vector<uint8_t>& /*vecReply*/) {
    TARVO_LOG_ENTRY(__PRETTY_FUNCTION__);
    listener.OnVTServerOutputModeSet(static_cast<uint16_t>(data.nMode & 0xFFFF));
}

}  // namespace TarvoFX
