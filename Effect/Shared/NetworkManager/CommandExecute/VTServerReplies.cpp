#include "NetworkManager/CommandExecute/VTServerReplies.h"

#include "NetworkManager/TuningProtocol.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>

#include "logging/TarvoLog.h"

namespace TarvoFX {

namespace {

// Reply kinds, the first word of a binary reply.
constexpr uint32_t kReplyParameterValue = 2;
constexpr uint32_t kReplyParameterArrayValues = 4;
constexpr size_t kWord = 4;
constexpr size_t kPair = kWord + sizeof(double);

uint8_t* PutU32(uint8_t* pOut, uint32_t nValue) {
    for (size_t nByte = 0; nByte < kWord; ++nByte) {
        *pOut++ = static_cast<uint8_t>(nValue >> (8 * nByte));
    }
    return pOut;
}

uint8_t* PutF64(uint8_t* pOut, double dValue) {
    uint64_t nBits = 0;
    memcpy(&nBits, &dValue, sizeof(nBits));
    pOut = PutU32(pOut, static_cast<uint32_t>(nBits));
    return PutU32(pOut, static_cast<uint32_t>(nBits >> 32));
}

size_t Entries(const std::vector<unsigned int>& vecParams, const std::vector<double>& vecValues,
               uint32_t nCount) {
    return std::min<size_t>({nCount, vecParams.size(), vecValues.size()});
}

}  // namespace

void GetDataFromParameter(uint32_t nParam, double dValue, ProtocolVersion /*eVersion*/,
                          std::vector<uint8_t>& vecReply) {
    vecReply.resize(2 * kWord + sizeof(double));
    uint8_t* pOut = PutU32(vecReply.data(), kReplyParameterValue);
    pOut = PutU32(pOut, nParam);
    PutF64(pOut, dValue);
}

void GetDataFromParameterArray(const std::vector<unsigned int>& vecParams,
                               const std::vector<double>& vecValues, uint32_t nCount,
                               ProtocolVersion eVersion, std::vector<uint8_t>& vecReply) {
    switch (eVersion) {
        case kText:
            GetDataFromParameterArrayInText(vecParams, vecValues, nCount, eVersion, vecReply);
            return;
        case kBinary:
        case kBinaryFramed:
            GetDataFromParameterArrayInBinary(vecParams, vecValues, nCount, eVersion, vecReply);
            return;
    }
    TARVO_LOGE("Received unsupported format %d", static_cast<int>(eVersion));
}

void GetDataFromParameterArrayInText(const std::vector<unsigned int>& vecParams,
                                     const std::vector<double>& vecValues, uint32_t nCount,
                                     ProtocolVersion /*eVersion*/, std::vector<uint8_t>& vecReply) {
    std::string strReply = TuningProtocol::kGetParamArrayResponse + " ";
    const size_t nEntries = Entries(vecParams, vecValues, nCount);
    for (size_t nIndex = 0; nIndex < nEntries; ++nIndex) {
        // Sized by a first call: a large value has hundreds of digits.
        const char* szFormat = "%d=%.02f";
        const int nId = static_cast<int>(vecParams[nIndex]);
        const int nLength = snprintf(nullptr, 0, szFormat, nId, vecValues[nIndex]);
        std::string strEntry(static_cast<size_t>(std::max(nLength, 0)) + 1, '\0');
        snprintf(&strEntry[0], strEntry.size(), szFormat, nId, vecValues[nIndex]);
        strEntry.pop_back();
        strReply += strEntry;
        strReply += nIndex + 1 < nEntries ? ',' : '\n';
    }
    vecReply.assign(strReply.begin(), strReply.end());
}

void GetDataFromParameterArrayInBinary(const std::vector<unsigned int>& vecParams,
                                       const std::vector<double>& vecValues, uint32_t nCount,
                                       ProtocolVersion eVersion, std::vector<uint8_t>& vecReply) {
    const size_t nEntries = Entries(vecParams, vecValues, nCount);
    const size_t nBody = 2 * kWord + kPair * nEntries;
    const size_t nFrame = eVersion == kBinaryFramed ? sizeof(kFrameMarker) + kWord : 0;
    vecReply.resize(nFrame + nBody);
    uint8_t* pOut = vecReply.data();
    if (nFrame != 0) {
        pOut = std::copy(std::begin(kFrameMarker), std::end(kFrameMarker), pOut);
        pOut = PutU32(pOut, static_cast<uint32_t>(nBody));
    }
    pOut = PutU32(pOut, kReplyParameterArrayValues);
    pOut = PutU32(pOut, static_cast<uint32_t>(nEntries));
    for (size_t nIndex = 0; nIndex < nEntries; ++nIndex) {
        pOut = PutU32(pOut, vecParams[nIndex]);
        pOut = PutF64(pOut, vecValues[nIndex]);
    }
}

}  // namespace TarvoFX
