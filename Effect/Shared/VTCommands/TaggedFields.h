// Building and parsing the messages made of tagged values: their fields are
// written and read in declaration order through a CByteBuffer.
// CVTTaggedCommand gives such a message its ToBuffer and FromBufffer from the
// one list of its fields.
#pragma once

#include <stdint.h>

#include <tuple>
#include <utility>
#include <vector>

#include "VTCommands/CByteBuffer.h"
#include "VTCommands/CVTCommandBase.h"

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

// The base of a message made of tagged values. Derived lists its fields in
// wire order, once, as
//   template <typename Self> static auto FieldsOf(Self& self) { return std::tie(self.m_a, ...); }
// (which serves both the const and the mutable message).
template <typename Derived>
class CVTTaggedCommand : public CVTCommandBase {
public:
    // The fields' bytes; none when a field cannot be encoded.
    std::vector<char> ToBuffer() const override {
        return std::apply([](const auto&... fields) { return TaggedFields::Write(fields...); },
                          Derived::FieldsOf(static_cast<const Derived&>(*this)));
    }
    // All fields, or none when the bytes are not exactly this message.
    bool FromBufffer(const void* pBuffer, uint32_t nBufferLen) override {
        return std::apply(
            [&](auto&... fields) { return TaggedFields::Read(pBuffer, nBufferLen, fields...); },
            Derived::FieldsOf(static_cast<Derived&>(*this)));
    }
};

}  // namespace TarvoFX
