// The tagged value buffer of the effect command messages.
//
// A tagged value is one type tag byte (BufferValueType), an unsigned 32-bit
// little-endian length or count, then the payload, with no padding between
// values. A buffer is either written (then its bytes are copied out) or
// constructed over received bytes and read; never both at once.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

namespace TarvoFX {

enum BufferValueType : uint8_t {
    kInt32 = 1,          // 4, then 4 bytes
    kInt32Vector = 2,    // element count, then that many kInt32 values
    kUInt32 = 3,         // 4, then 4 bytes
    kUInt32Vector = 4,   // element count, then that many kUInt32 values
    kDouble = 5,         // 8, then 8 bytes
    kDoubleVector = 6,   // element count, then that many kDouble values
    kBool = 7,           // 1, then one byte 0 or 1
    kBoolVector = 8,     // element count, then that many kBool values
    kString = 9,         // byte length, then the characters without a terminator
    kStringVector = 10,  // element count, then that many kString values
    kByteBlock = 11,     // byte length, then the bytes
};

class CByteBuffer {
public:
    CByteBuffer();
    // A buffer for reading nSize bytes copied from pData (none when pData is null).
    CByteBuffer(const void* pData, uint32_t nSize);

    // Each appends one complete tagged value. False (nothing appended) only
    // when a length or count does not fit the 32-bit field.
    bool Write(int32_t nValue);
    bool Write(uint32_t nValue);
    bool Write(double dValue);
    bool Write(bool bValue);
    bool Write(const std::string& strValue);
    bool Write(const std::vector<int32_t>& values);
    bool Write(const std::vector<uint32_t>& values);
    bool Write(const std::vector<double>& values);
    bool Write(const std::vector<bool>& values);
    bool Write(const std::vector<std::string>& values);
    // A C string would otherwise silently convert to bool and be written as kBool.
    bool Write(const char* szValue) = delete;
    // Appends a kByteBlock value.
    bool WriteBinary(const void* pData, uint32_t nSize);

    // Each reads the next value, which must carry the matching tag and, for
    // scalars, the matching width. A failed read leaves the position where
    // the failing step left it; callers give up on the first failure.
    bool Read(int32_t& nValue);
    bool Read(uint32_t& nValue);
    bool Read(double& dValue);
    bool Read(bool& bValue);
    // Cut at the first zero byte among the characters; empty after a failure.
    bool Read(std::string& strValue);
    // Resized to the count read, then filled element by element. A count
    // that the remaining bytes cannot hold fails at once and leaves the
    // target untouched: no allocation ever exceeds the bytes received.
    bool Read(std::vector<int32_t>& values);
    bool Read(std::vector<uint32_t>& values);
    bool Read(std::vector<double>& values);
    // Emptied, then appended to, one element per successful read.
    bool Read(std::vector<bool>& values);
    bool Read(std::vector<std::string>& values);
    // Reads a kByteBlock value; the target is empty after a failure.
    bool ReadBinary(std::vector<char>& block);

    // Untagged operations.
    void WriteRawByte(uint8_t nValue);
    void WriteRawBytes(const void* pData, uint32_t nSize);
    void WriteRawUInt32(uint32_t nValue);
    void WriteTagged(uint8_t nTag, const void* pData, uint32_t nSize);
    // Each fails without moving the read position when too few bytes remain.
    bool ReadRawByte(uint8_t& nValue);
    bool ReadRawBytes(void* pData, uint32_t nSize);
    bool ReadRawUInt32(uint32_t& nValue);

    const char* Data() const { return m_data.data(); }
    uint32_t Size() const { return static_cast<uint32_t>(m_data.size()); }
    bool HasUnreadData() const { return m_nReadPos != Size(); }

private:
    uint32_t Remaining() const { return Size() - m_nReadPos; }
    // Tag byte (must equal nTag) and the 32-bit field after it.
    bool ReadHeader(uint8_t nTag, uint32_t& nField);
    // Header of a vector whose count the remaining bytes can hold, each
    // element taking at least nMinElementSize bytes.
    bool ReadVectorHeader(uint8_t nTag, uint32_t nMinElementSize, uint32_t& nCount);
    bool ReadScalar(uint8_t nTag, void* pValue, uint32_t nWidth);
    // Header of a string or block and its payload, which must be all there.
    bool ReadPayload(uint8_t nTag, const char*& pPayload, uint32_t& nLength);
    // A tagged 32-bit value (kInt32 or kUInt32).
    void WriteWord(uint8_t nTag, uint32_t nWord);
    bool ReadWord(uint8_t nTag, uint32_t& nWord);
    template <typename T>
    bool WriteVector(uint8_t nTag, const std::vector<T>& values);
    template <typename T>
    bool ReadVector(uint8_t nTag, uint32_t nMinElementSize, std::vector<T>& values);

    std::vector<char> m_data;
    uint32_t m_nReadPos;
};

}  // namespace TarvoFX
