// Bursts of pipelined set-parameter requests for the benchmarks.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "NetworkManager/CDataAPO.h"

namespace BenchSupport {

inline void AppendU32(std::string& str, uint32_t nValue) {
    for (int nByte = 0; nByte < 4; ++nByte) {
        str += static_cast<char>((nValue >> (8 * nByte)) & 0xFF);
    }
}

// Marker, length 16, then a set-parameter request: 24 bytes each.
inline std::string FramedRequests(int64_t nCount) {
    std::string str;
    str.reserve(static_cast<size_t>(nCount) * 24);
    for (int64_t nIndex = 0; nIndex < nCount; ++nIndex) {
        str.append(reinterpret_cast<const char*>(TarvoFX::kFrameMarker), 4);
        AppendU32(str, 16);
        AppendU32(str, 1);
        AppendU32(str, static_cast<uint32_t>(nIndex));
        const double dValue = 0.5;
        char acValue[8];
        memcpy(acValue, &dValue, sizeof(acValue));
        str.append(acValue, sizeof(acValue));
    }
    return str;
}

// "param <index> 0.5" lines.
inline std::string TextLines(int64_t nCount) {
    std::string str;
    for (int64_t nIndex = 0; nIndex < nCount; ++nIndex) {
        str += "param " + std::to_string(nIndex) + " 0.5\n";
    }
    return str;
}

}  // namespace BenchSupport
