// Little-endian loads and stores of the widths that effect messages carry.
// Byte-wise, so they work at any alignment and on any host byte order.
#pragma once

#include <stdint.h>

#include <cstring>

namespace TarvoFX {
namespace LittleEndian {

inline uint32_t LoadU32(const char* p) {
    const unsigned char* pBytes = reinterpret_cast<const unsigned char*>(p);
    return static_cast<uint32_t>(pBytes[0]) | static_cast<uint32_t>(pBytes[1]) << 8 |
           static_cast<uint32_t>(pBytes[2]) << 16 | static_cast<uint32_t>(pBytes[3]) << 24;
}

inline uint64_t LoadU64(const char* p) {
    return static_cast<uint64_t>(LoadU32(p)) | static_cast<uint64_t>(LoadU32(p + 4)) << 32;
}

inline double LoadDouble(const char* p) {
    const uint64_t nBits = LoadU64(p);
    double dValue;
    std::memcpy(&dValue, &nBits, sizeof(dValue));
    return dValue;
}

inline void StoreU32(char* p, uint32_t nValue) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<char>(nValue >> (8 * i));
    }
}

inline void StoreU64(char* p, uint64_t nValue) {
    StoreU32(p, static_cast<uint32_t>(nValue));
    StoreU32(p + 4, static_cast<uint32_t>(nValue >> 32));
}

inline void StoreDouble(char* p, double dValue) {
    uint64_t nBits;
    std::memcpy(&nBits, &dValue, sizeof(nBits));
    StoreU64(p, nBits);
}

}  // namespace LittleEndian
}  // namespace TarvoFX
