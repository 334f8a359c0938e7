// Building and parsing the messages with a raw layout: fields at fixed
// offsets, little-endian, counts and lengths as 32-bit words.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <utility>
#include <vector>

namespace TarvoFX {

// A size for a "%d" log field: one beyond 32 bits is logged as the largest 32-bit value.
inline uint32_t ClampToU32(uint64_t nSize) {
    return nSize > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(nSize);
}

// A message's copy of a caller's array of nCount elements: zeros when the
// caller passed none.
template <typename T>
std::vector<T> CopyArray(const T* pSource, uint32_t nCount) {
    return pSource != nullptr ? std::vector<T>(pSource, pSource + nCount) : std::vector<T>(nCount);
}

// Appends fields in layout order to a buffer reserved for the message's size.
// The size is computed in 64 bits from 32-bit counts; on a 32-bit target one
// beyond what a buffer can hold reserves nothing (the fields' own vectors
// already hold that many bytes, so it cannot occur in practice).
class CRawLayoutWriter {
public:
    explicit CRawLayoutWriter(uint64_t nSize);

    void PutByte(uint8_t nValue);
    void PutU32(uint32_t nValue);
    void PutDouble(double dValue);
    void PutBytes(const void* pData, size_t nSize);
    // A u32 length, then the bytes.
    void PutLengthAndBytes(const std::string& strValue);
    void PutU32s(const std::vector<uint32_t>& values);
    void PutDoubles(const std::vector<double>& values);

    std::vector<char> Take() { return std::move(m_bytes); }

private:
    std::vector<char> m_bytes;
};

// Reads the fields of a received message in layout order and makes the logs
// and size checks that every raw message makes. Every read is bounded by the
// received size, so a count or length from the bytes can never make it
// allocate or copy more than was received.
class CRawLayoutReader {
public:
    // The two wordings of the below-minimum error: commands log "whili",
    // the output mode name reply logs "while".
    enum class MinSizeText { kCommand, kReply };

    // Logs "<szClass>::FromBufffer pBuffer %p nBufferLen %d" at debug level.
    CRawLayoutReader(const char* szClass, const void* pBuffer, uint32_t nBufferLen);

    // False, with the error records, for a null buffer or fewer than nMinSize bytes.
    bool CheckMinimumSize(uint32_t nMinSize, MinSizeText eText = MinSizeText::kCommand) const;
    // False, with "<szClass>::FromBufffer Received invalid size %d while
    // <szSizeName> is %d of pBuffer %p", when nExactSize is not the received size.
    bool CheckExactSize(uint64_t nExactSize, const char* szSizeName) const;

    // Reads the next word as a count n and checks that the message is exactly
    // nFixedSize + n * nItemSize bytes long (CheckExactSize's log when not).
    bool ReadCountOfExactSize(uint64_t nFixedSize, uint64_t nItemSize, const char* szSizeName,
                              uint32_t& nCount);

    // Each reads the next field; false, without moving, when it would pass the end.
    bool ReadByte(uint8_t& nValue);
    bool ReadU32(uint32_t& nValue);
    bool ReadI32(int32_t& nValue);
    bool ReadString(uint32_t nLength, std::string& strValue);
    bool ReadU32s(uint32_t nCount, std::vector<uint32_t>& values);
    bool ReadDoubles(uint32_t nCount, std::vector<double>& values);

    uint32_t Position() const { return m_nPos; }
    // A null buffer holds nothing, whatever length came with it.
    uint32_t Remaining() const { return m_pBuffer != nullptr ? m_nBufferLen - m_nPos : 0; }

private:
    template <typename T>
    bool ReadArray(uint32_t nCount, uint32_t nWidth, T (*pfnLoad)(const char*),
                   std::vector<T>& values);

    const char* m_szClass;
    const char* m_pBuffer;
    uint32_t m_nBufferLen;
    uint32_t m_nPos;
};

}  // namespace TarvoFX
