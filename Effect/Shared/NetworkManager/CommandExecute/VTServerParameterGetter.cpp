#include "NetworkManager/CommandExecute/VTServerParameterGetter.h"

#include "NetworkManager/CommandExecute/VTServerReplies.h"
#include "logging/TarvoLog.h"

namespace TarvoFX {

void VTServerParameterGetter::Run(IVTServerParameterGetListener& listener, CDataAPO& data,
                                  std::vector<uint8_t>& vecReply) {
    TARVO_LOG_ENTRY(__PRETTY_FUNCTION__);
    double dValue = 0.0;
    if (listener.OnVTServerParameterGet(data.nParam, dValue)) {
        GetDataFromParameter(data.nParam, dValue, data.eProtocolVersion, vecReply);
    }
}

}  // namespace TarvoFX
