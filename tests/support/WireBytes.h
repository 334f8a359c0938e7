// Little-endian bytes for the tests' expected requests and replies, built
// here rather than with the library's codec, so that a fault of the codec
// cannot hide in the expectations as well. Out is the byte container:
// std::vector<uint8_t> (the default) or, for bytes that go through sockets,
// std::string (WireText).
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace WireBytes {

using Bytes = std::vector<uint8_t>;

// The nWidth low bytes of nValue, least significant first.
template <typename Out = Bytes>
Out LE(uint64_t nValue, size_t nWidth) {
    Out out;
    for (size_t nByte = 0; nByte < nWidth; ++nByte) {
        out.push_back(static_cast<typename Out::value_type>((nValue >> (8 * nByte)) & 0xFF));
    }
    return out;
}

template <typename Out = Bytes>
Out U16(uint16_t nValue) {
    return LE<Out>(nValue, 2);
}

template <typename Out = Bytes>
Out U32(uint32_t nValue) {
    return LE<Out>(nValue, 4);
}

// IEEE-754 binary64.
template <typename Out = Bytes>
Out F64(double dValue) {
    uint64_t nBits = 0;
    memcpy(&nBits, &dValue, sizeof(nBits));
    return LE<Out>(nBits, 8);
}

// The characters, without a terminator.
template <typename Out = Bytes>
Out Text(const std::string& strText) {
    return Out(strText.begin(), strText.end());
}

// The characters and one zero byte.
template <typename Out = Bytes>
Out ZText(const std::string& strText) {
    Out out = Text<Out>(strText);
    out.push_back(0);
    return out;
}

template <typename Out = Bytes>
Out Cat(std::initializer_list<Out> parts) {
    Out all;
    for (const Out& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

}  // namespace WireBytes

namespace WireText {

inline std::string U32(uint32_t nValue) {
    return WireBytes::U32<std::string>(nValue);
}

inline std::string F64(double dValue) {
    return WireBytes::F64<std::string>(dValue);
}

}  // namespace WireText
