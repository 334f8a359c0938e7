// The requests that more than one of the effect object's files send, each
// through one of the object's SendCommand forms.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "Utils/LittleEndian.h"
#include "VeltraEffectAPI/VeltraEffectAPIBase.h"

namespace TarvoFX {

// The text with its terminating zero byte.
bool SendText(VeltraEffectAPIBase& effect, int32_t nCmdID, const std::string& strText);

// The request's bytes, with a reply buffer of nReplySize bytes at pReply;
// nReplySize becomes the size of the reply the effect wrote.
bool SendWithReply(VeltraEffectAPIBase& effect, int32_t nCmdID, const std::vector<char>& request,
                   uint32_t& nReplySize, void* pReply);

// A ParamsArrayRequest whose modes, sub-types and flags the caller has put:
// adds the count and the ids and sends it. On success the reply's nCount
// doubles go to pValues; on failure pValues is untouched.
bool QueryParamsArray(VeltraEffectAPIBase& effect, int32_t nCmdID, LittleEndian::Writer request,
                      uint32_t nCount, const unsigned int* pParams, double* pValues);

}  // namespace TarvoFX
