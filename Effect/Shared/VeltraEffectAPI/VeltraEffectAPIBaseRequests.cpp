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
    std::vector<char> reply(sizeof(double) * static_cast<size_t>(nCount));
    uint32_t nReplySize = static_cast<uint32_t>(reply.size());
    if (!SendWithReply(effect, nCmdID, request.Buffer(), nReplySize,
                       reply.empty() ? nullptr : reply.data())) {
        return false;
    }
    LittleEndian::Reader(reply.data(), reply.size()).Array(nCount, pValues);
    return true;
}

}  // namespace TarvoFX
