#include "VeltraEffectAPI/VeltraEffectAPIBaseRequests.h"

#include "VTCommands/EffectCommands.h"

namespace TarvoFX {

bool SendText(VeltraEffectAPIBase& effect, int32_t nCmdID, const std::string& strText) {
    return effect.SendCommand(nCmdID, static_cast<uint32_t>(strText.size() + 1), strText.c_str());
}

bool SendWithReply(VeltraEffectAPIBase& effect, int32_t nCmdID, const std::vector<char>& request,
                   uint32_t& nReplySize, void* pReply) {
    return effect.SendCommand(nCmdID, static_cast<uint32_t>(request.size()),
                              request.empty() ? nullptr : request.data(), &nReplySize, pReply);
}

bool QueryParamsArray(VeltraEffectAPIBase& effect, int32_t nCmdID, LittleEndian::Writer request,
                      uint32_t nCount, const unsigned int* pParams, double* pValues) {
    request.Put(EffectCommand::ParamsArrayRequest::kCount, nCount).Array(pParams, nCount);
    // The answer of a query of a few parameters fits on the stack.
    const size_t nReplyBytes = sizeof(double) * static_cast<size_t>(nCount);
    char aSmallReply[32 * sizeof(double)];
    std::vector<char> largeReply(nReplyBytes > sizeof(aSmallReply) ? nReplyBytes : 0);
    char* pReply = largeReply.empty() ? aSmallReply : largeReply.data();
    uint32_t nReplySize = static_cast<uint32_t>(nReplyBytes);
    if (!SendWithReply(effect, nCmdID, request.Buffer(), nReplySize,
                       nReplyBytes == 0 ? nullptr : pReply)) {
        return false;
    }
    LittleEndian::Reader(pReply, nReplyBytes).Array(nCount, pValues);
    return true;
}

}  // namespace TarvoFX
