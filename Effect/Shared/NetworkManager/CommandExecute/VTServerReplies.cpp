#include "NetworkManager/CommandExecute/VTServerReplies.h"

#include "NetworkManager/TuningProtocol.h"

#include <stdio.h>

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
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

namespace {

void Append(std::vector<uint8_t>& vecReply, const char* pBytes, size_t nLength) {
    vecReply.insert(vecReply.end(), pBytes, pBytes + nLength);
}

// "%d=%.02f": the printf forms, written by the standard conversions where
// they are known to write the same characters (a finite value, in a locale
// whose decimal point is '.'), and by snprintf otherwise.
void AppendEntry(std::vector<uint8_t>& vecReply, int nId, double dValue) {
    char szEntry[400];
    char* pEnd = szEntry + sizeof(szEntry);
    if (std::isfinite(dValue) && localeconv()->decimal_point[0] == '.' &&
        localeconv()->decimal_point[1] == '\0') {
        std::to_chars_result id = std::to_chars(szEntry, pEnd, nId);
        if (id.ec == std::errc() && id.ptr < pEnd) {
            *id.ptr = '=';
            std::to_chars_result value =
                std::to_chars(id.ptr + 1, pEnd, dValue, std::chars_format::fixed, 2);
            if (value.ec == std::errc()) {
                Append(vecReply, szEntry, static_cast<size_t>(value.ptr - szEntry));
                return;
            }
        }
    }
    const char* szFormat = "%d=%.02f";
    const int nLength = snprintf(nullptr, 0, szFormat, nId, dValue);
    std::string strEntry(static_cast<size_t>(std::max(nLength, 0)) + 1, '\0');
    snprintf(&strEntry[0], strEntry.size(), szFormat, nId, dValue);
    strEntry.pop_back();
    Append(vecReply, strEntry.data(), strEntry.size());
}

}  // namespace

void GetDataFromParameterArrayInText(const std::vector<unsigned int>& vecParams,
                                     const std::vector<double>& vecValues, uint32_t nCount,
                                     ProtocolVersion /*eVersion*/, std::vector<uint8_t>& vecReply) {
    const std::string& strKeyword = TuningProtocol::kGetParamArrayResponse;
    const size_t nEntries = Entries(vecParams, vecValues, nCount);
    // Written in place, into room for entries of a usual length.
    vecReply.clear();
    vecReply.reserve(strKeyword.size() + 1 + nEntries * 16);
    Append(vecReply, strKeyword.data(), strKeyword.size());
    vecReply.push_back(' ');
    for (size_t nIndex = 0; nIndex < nEntries; ++nIndex) {
        const int nId = static_cast<int>(vecParams[nIndex]);
        AppendEntry(vecReply, nId, vecValues[nIndex]);
        vecReply.push_back(nIndex + 1 < nEntries ? ',' : '\n');
    }
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
