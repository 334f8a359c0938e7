// Building and parsing the messages with a raw layout: fields at fixed
// offsets, little-endian, counts and lengths as 32-bit words. The fields are
// written with LittleEndian::Writer and read with LittleEndian::Reader; this
// adds what every raw message does besides: the copies of the caller's
// arrays, and the logs and size checks of a received message.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "Utils/LittleEndian.h"

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

// Reads the fields of a received message in layout order (LittleEndian::Reader's
// reads) and makes the logs and size checks that every raw message makes.
// Every read is bounded by the received size, so a count or length from the
// bytes can never make it allocate or copy more than was received. A null
// buffer holds nothing, whatever length came with it.
class CRawLayoutReader : public LittleEndian::Reader {
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

private:
    const char* m_szClass;
    const void* m_pBuffer;
    uint32_t m_nBufferLen;
};

}  // namespace TarvoFX
