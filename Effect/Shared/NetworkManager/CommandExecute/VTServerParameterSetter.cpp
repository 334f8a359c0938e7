#include "NetworkManager/CommandExecute/VTServerParameterSetter.h"

#include "logging/TarvoLog.h"

namespace TarvoFX {

void VTServerParameterSetter::Run(IVTServerParameterSetListener& listener, CDataAPO& data,
                                  std::vector<uint8_t>& /*vecReply*/) {
    TARVO_LOG_ENTRY(__PRETTY_FUNCTION__);
    listener.OnVTServerParameterSet(data.nParam, data.dValue);
}

}  // namespace TarvoFX
