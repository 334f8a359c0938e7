#include "NetworkManager/CommandExecute/VTServerParameterArraySetter.h"

#include "logging/TarvoLog.h"

namespace TarvoFX {

void VTServerParameterArraySetter::Run(IVTServerParameterArraySetListener& listener, CDataAPO& data,
                                       std::vector<uint8_t>& /*vecReply*/) {
    TARVO_LOG_ENTRY(__PRETTY_FUNCTION__);
    std::vector<unsigned int> vecParams;
    std::vector<double> vecValues;
    vecParams.reserve(data.vecParameters.size());
    vecValues.reserve(data.vecParameters.size());
    for (const SParameterValue& parameter : data.vecParameters) {
        vecParams.push_back(parameter.nParam);
        vecValues.push_back(parameter.dValue);
    }
    listener.OnVTServerParameterArraySet(vecParams, vecValues);
}

}  // namespace TarvoFX
