// Building and parsing the messages made of tagged values: their fields are
// written and read in declaration order through a CByteBuffer.
#pragma once

#include <stdint.h>

#include <tuple>
#include <utility>
#include <vector>

#include "VTCommands/CByteBuffer.h"

namespace TarvoFX {
namespace TaggedFields {

// A byte block travels as kByteBlock; every other field through its Write/Read overload.
inline bool WriteField(CByteBuffer& buffer, const std::vector<char>& block) {
    return buffer.WriteBinary(block.data(), static_cast<uint32_t>(block.size()));
}
inline bool ReadField(CByteBuffer& buffer, std::vector<char>& block) {
    return buffer.ReadBinary(block);
}
template <typename T>
bool WriteField(CByteBuffer& buffer, const T& value) {
    return buffer.Write(value);
}
template <typename T>
bool ReadField(CByteBuffer& buffer, T& value) {
    return buffer.Read(value);
}

// The fields' bytes, or no bytes when a field cannot be encoded (a length
// beyond 32 bits), which no receiver accepts as a message.
template <typename... Fields>
std::vector<char> Write(const Fields&... fields) {
    CByteBuffer buffer;
    if (!(WriteField(buffer, fields) && ...)) {
        return {};
    }
    return std::vector<char>(buffer.Data(), buffer.Data() + buffer.Size());
}

// Reads the fields in order, stopping at the first that fails; true only
// when all were read and they used up exactly nBufferLen bytes. The fields
// take the values read only then: bytes that are not the message leave them
// as they were.
template <typename... Fields>
bool Read(const void* pBuffer, uint32_t nBufferLen, Fields&... fields) {
    CByteBuffer buffer(pBuffer, nBufferLen);
    std::tuple<Fields...> read;
    const bool bRead = std::apply(
        [&buffer](Fields&... values) { return (ReadField(buffer, values) && ...); }, read);
    if (!bRead || buffer.HasUnreadData()) {
        return false;
    }
    std::tie(fields...) = std::move(read);
    return true;
}

}  // namespace TaggedFields
}  // namespace TarvoFX
