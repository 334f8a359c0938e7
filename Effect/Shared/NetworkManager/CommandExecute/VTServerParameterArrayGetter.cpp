#include "NetworkManager/CommandExecute/VTServerParameterArrayGetter.h"

#include <stddef.h>

#include <algorithm>

#include "NetworkManager/CommandExecute/VTServerReplies.h"
#include "logging/TarvoLog.h"

namespace TarvoFX {

void VTServerParameterArrayGetter::Run(IVTServerParameterArrayGetListener& listener, CDataAPO& data,
                                       std::vector<uint8_t>& vecReply) {
    TARVO_LOG_ENTRY(__PRETTY_FUNCTION__);
    const size_t nCount = data.vecParameterIds.size();
    std::vector<unsigned int> vecParams(data.vecParameterIds.begin(), data.vecParameterIds.end());
    std::vector<double> vecValues(nCount, 0.0);
    std::vector<bool> vecFound(nCount, false);
    if (!listener.OnVTServerParameterArrayGet(vecParams, vecValues, vecFound)) {
        return;
    }
    // The listener gets the vectors to fill, not to resize; read no further
    // than all three reach. The found ones are moved to the front in place.
    const size_t nAnswered = std::min({vecParams.size(), vecValues.size(), vecFound.size()});
    size_t nKnown = 0;
    for (size_t nIndex = 0; nIndex < nAnswered; ++nIndex) {
        if (vecFound[nIndex]) {
            vecParams[nKnown] = vecParams[nIndex];
            vecValues[nKnown] = vecValues[nIndex];
            ++nKnown;
        }
    }
    if (nKnown == 0) {
        return;
    }
    vecParams.resize(nKnown);
    vecValues.resize(nKnown);
    GetDataFromParameterArray(vecParams, vecValues, static_cast<uint32_t>(nKnown),
                              data.eProtocolVersion, vecReply);
}

}  // namespace TarvoFX
