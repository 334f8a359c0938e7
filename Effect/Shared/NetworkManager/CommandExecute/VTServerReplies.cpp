#include "NetworkManager/CommandExecute/VTServerReplies.h"

#include "NetworkManager/TuningProtocol.h"

#include <stdio.h>

#include <algorithm>
#include <string>

#include "Utils/LittleEndian.h"
#include "logging/TarvoLog.h"

namespace TarvoFX {

namespace {

size_t Entries(const std::vector<unsigned int>& vecParams, const std::vector<double>& vecValues,
               uint32_t nCount) {
    return std::min<size_t>({nCount, vecParams.size(), vecValues.size()});
}

}  // namespace

void GetDataFromParameter(uint32_t nParam, double dValue, ProtocolVersion /*eVersion*/,
                          std::vector<uint8_t>& vecReply) {
    vecReply =
        LittleEndian::ByteWriter().U32(kCommandParameterValue).U32(nParam).F64(dValue).Take();
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
        const char* szFormat = "%d=%.02f";
        const int nId = static_cast<int>(vecParams[nIndex]);
        // Most entries fit a small buffer; a large value has hundreds of
        // digits and is written again into one of its size.
        char szEntry[64];
        const int nLength = snprintf(szEntry, sizeof(szEntry), szFormat, nId, vecValues[nIndex]);
        if (nLength >= 0 && static_cast<size_t>(nLength) < sizeof(szEntry)) {
            strReply.append(szEntry, static_cast<size_t>(nLength));
        } else {
            std::string strEntry(static_cast<size_t>(std::max(nLength, 0)) + 1, '\0');
            snprintf(&strEntry[0], strEntry.size(), szFormat, nId, vecValues[nIndex]);
            strEntry.pop_back();
            strReply += strEntry;
        }
        strReply += nIndex + 1 < nEntries ? ',' : '\n';
    }
    vecReply.assign(strReply.begin(), strReply.end());
}

void GetDataFromParameterArrayInBinary(const std::vector<unsigned int>& vecParams,
                                       const std::vector<double>& vecValues, uint32_t nCount,
                                       ProtocolVersion eVersion, std::vector<uint8_t>& vecReply) {
    const size_t nEntries = Entries(vecParams, vecValues, nCount);
    // Kind and count, then (u32 id, f64 value) pairs.
    const size_t nBody = 4 + 4 + (4 + 8) * nEntries;
    LittleEndian::ByteWriter writer;
    writer.Reserve(sizeof(kFrameMarker) + 4 + nBody);
    if (eVersion == kBinaryFramed) {
        writer.Bytes(kFrameMarker, sizeof(kFrameMarker)).U32(static_cast<uint32_t>(nBody));
    }
    writer.U32(kCommandParameterArrayValues).U32(static_cast<uint32_t>(nEntries));
    for (size_t nIndex = 0; nIndex < nEntries; ++nIndex) {
        writer.U32(vecParams[nIndex]).F64(vecValues[nIndex]);
    }
    vecReply = writer.Take();
}

}  // namespace TarvoFX
