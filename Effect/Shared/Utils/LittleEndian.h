// The one codec of every binary form the libraries write and read: the
// effect command messages and the tuning protocol's binary requests and
// replies. Fields are unsigned 8, 16 and 32-bit integers, signed 32-bit
// integers and IEEE-754 binary64 doubles, least significant byte first. They
// are stored and loaded byte by byte, so at any alignment and on any host
// byte order.
//
//   Writer   appends fields in sequence, or puts them at their offsets in a
//            zero-filled block (bytes no field covers stay zero)
//   Reader   reads fields in sequence, or at their offsets, and never past
//            its end: a read that would pass it reads nothing and is false
//   Field<T> a field of a fixed layout: its offset; its width is that of T
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <type_traits>
#include <vector>

namespace TarvoFX {
namespace LittleEndian {

// --- Loads and stores at a pointer; the caller has made sure of the room ------------

inline uint16_t LoadU16(const void* p) {
    const unsigned char* pBytes = static_cast<const unsigned char*>(p);
    return static_cast<uint16_t>(pBytes[0] | pBytes[1] << 8);
}

inline uint32_t LoadU32(const void* p) {
    const unsigned char* pBytes = static_cast<const unsigned char*>(p);
    return static_cast<uint32_t>(pBytes[0]) | static_cast<uint32_t>(pBytes[1]) << 8 |
           static_cast<uint32_t>(pBytes[2]) << 16 | static_cast<uint32_t>(pBytes[3]) << 24;
}

inline uint64_t LoadU64(const void* p) {
    const unsigned char* pBytes = static_cast<const unsigned char*>(p);
    return static_cast<uint64_t>(LoadU32(pBytes)) | static_cast<uint64_t>(LoadU32(pBytes + 4))
                                                        << 32;
}

inline double LoadF64(const void* p) {
    const uint64_t nBits = LoadU64(p);
    double dValue;
    memcpy(&dValue, &nBits, sizeof(dValue));
    return dValue;
}

inline void StoreU16(void* p, uint16_t nValue) {
    unsigned char* pBytes = static_cast<unsigned char*>(p);
    pBytes[0] = static_cast<unsigned char>(nValue);
    pBytes[1] = static_cast<unsigned char>(nValue >> 8);
}

inline void StoreU32(void* p, uint32_t nValue) {
    unsigned char* pBytes = static_cast<unsigned char*>(p);
    for (int i = 0; i < 4; ++i) {
        pBytes[i] = static_cast<unsigned char>(nValue >> (8 * i));
    }
}

inline void StoreU64(void* p, uint64_t nValue) {
    unsigned char* pBytes = static_cast<unsigned char*>(p);
    StoreU32(pBytes, static_cast<uint32_t>(nValue));
    StoreU32(pBytes + 4, static_cast<uint32_t>(nValue >> 32));
}

inline void StoreF64(void* p, double dValue) {
    uint64_t nBits;
    memcpy(&nBits, &dValue, sizeof(nBits));
    StoreU64(p, nBits);
}

// The same by the field's type, for Field<T>.
inline void Store(void* p, uint8_t nValue) {
    *static_cast<unsigned char*>(p) = nValue;
}
inline void Store(void* p, uint16_t nValue) {
    StoreU16(p, nValue);
}
inline void Store(void* p, uint32_t nValue) {
    StoreU32(p, nValue);
}
inline void Store(void* p, int32_t nValue) {
    StoreU32(p, static_cast<uint32_t>(nValue));
}
inline void Store(void* p, double dValue) {
    StoreF64(p, dValue);
}
inline void Load(const void* p, uint8_t& nValue) {
    nValue = *static_cast<const unsigned char*>(p);
}
inline void Load(const void* p, uint16_t& nValue) {
    nValue = LoadU16(p);
}
inline void Load(const void* p, uint32_t& nValue) {
    nValue = LoadU32(p);
}
inline void Load(const void* p, int32_t& nValue) {
    nValue = static_cast<int32_t>(LoadU32(p));
}
inline void Load(const void* p, double& dValue) {
    dValue = LoadF64(p);
}

// A field of a fixed layout, at nOffset, as wide as T.
template <typename T>
struct Field {
    static_assert(std::is_arithmetic<T>::value, "integers and doubles only");
    size_t nOffset;
    constexpr size_t End() const { return nOffset + sizeof(T); }
};

// --- Writer ----------------------------------------------------------------------------

// Byte is char (effect command messages) or uint8_t (tuning protocol).
template <typename Byte>
class BasicWriter {
public:
    BasicWriter() = default;
    // A zero-filled block of nSize bytes for fields at offsets; appended
    // fields follow it.
    explicit BasicWriter(size_t nSize) : m_bytes(nSize, 0), m_nSize(nSize) {}
    // The same block, in a buffer with room for nCapacity bytes in all, so
    // that what is appended after it does not move it again.
    BasicWriter(size_t nSize, uint64_t nCapacity) : m_nSize(nSize) {
        Reserve(nCapacity);
        if (m_bytes.size() < nSize) {
            m_bytes.resize(nSize, 0);
        }
    }

    // Room for nSize bytes in all. A size beyond what a buffer can hold
    // (only possible on a 32-bit target) reserves nothing.
    void Reserve(uint64_t nSize) {
        if (nSize <= m_bytes.max_size() && nSize > m_bytes.size()) {
            m_bytes.resize(static_cast<size_t>(nSize), 0);
        }
    }

    // In sequence.
    BasicWriter& U8(uint8_t nValue) { return Append(nValue); }
    BasicWriter& U16(uint16_t nValue) { return Append(nValue); }
    BasicWriter& U32(uint32_t nValue) { return Append(nValue); }
    BasicWriter& F64(double dValue) { return Append(dValue); }
    BasicWriter& Bytes(const void* pData, size_t nSize) { return PutBytes(m_nSize, pData, nSize); }
    // A u32 length, then the bytes of the text (no terminator).
    BasicWriter& LengthAndBytes(const std::string& strValue) {
        U32(static_cast<uint32_t>(strValue.size()));
        return Bytes(strValue.data(), strValue.size());
    }
    template <typename T>
    BasicWriter& Array(const T* pValues, size_t nCount) {
        for (size_t i = 0; i < nCount; ++i) {
            Append(pValues[i]);
        }
        return *this;
    }
    template <typename T>
    BasicWriter& Array(const std::vector<T>& values) {
        return Array(values.data(), values.size());
    }

    // At the field's offset; the block grows, zero-filled, when it is too short.
    template <typename T>
    BasicWriter& Put(Field<T> field, std::common_type_t<T> value) {
        Store(Room(field.nOffset, sizeof(T)), value);
        return *this;
    }
    BasicWriter& PutBytes(size_t nOffset, const void* pData, size_t nSize) {
        if (nSize > 0) {
            memcpy(Room(nOffset, nSize), pData, nSize);
        }
        return *this;
    }

    size_t Size() const { return m_nSize; }
    // The bytes written (the buffer is cut to them).
    const std::vector<Byte>& Buffer() {
        m_bytes.resize(m_nSize);
        return m_bytes;
    }
    std::vector<Byte> Take() {
        m_bytes.resize(m_nSize);
        m_nSize = 0;
        return std::move(m_bytes);
    }

private:
    template <typename T>
    BasicWriter& Append(T value) {
        Store(Room(m_nSize, sizeof(T)), value);
        return *this;
    }
    // The buffer runs zero-filled past what was written and grows by
    // doubling, so that fields appended one by one cost a store each.
    Byte* Room(size_t nOffset, size_t nSize) {
        const size_t nEnd = nOffset + nSize;
        if (m_bytes.size() < nEnd) {
            m_bytes.resize(std::max(nEnd, 2 * m_bytes.size()), 0);
        }
        if (m_nSize < nEnd) {
            m_nSize = nEnd;
        }
        return m_bytes.data() + nOffset;
    }

    std::vector<Byte> m_bytes;
    size_t m_nSize = 0;  // bytes written: the block and what follows it
};

using Writer = BasicWriter<char>;
using ByteWriter = BasicWriter<uint8_t>;

// --- Reader ----------------------------------------------------------------------------

class Reader {
public:
    // nSize bytes at pData; none when pData is null, whatever the size.
    Reader(const void* pData, size_t nSize)
        : m_pData(static_cast<const char*>(pData)), m_nSize(pData != nullptr ? nSize : 0) {}

    // In sequence: each reads the next field and moves past it.
    bool U8(uint8_t& nValue) { return Next(nValue); }
    bool U16(uint16_t& nValue) { return Next(nValue); }
    bool U32(uint32_t& nValue) { return Next(nValue); }
    bool I32(int32_t& nValue) { return Next(nValue); }
    bool F64(double& dValue) { return Next(dValue); }
    // The next nSize bytes, in place.
    bool Bytes(size_t nSize, const char*& pBytes) {
        if (Remaining() < nSize) {
            return false;
        }
        pBytes = m_pData + m_nPos;
        m_nPos += nSize;
        return true;
    }
    bool String(size_t nLength, std::string& strValue) {
        const char* pBytes = nullptr;
        if (!Bytes(nLength, pBytes)) {
            return false;
        }
        strValue.assign(pBytes, nLength);
        return true;
    }
    // nCount values; a count the remaining bytes cannot hold fails before
    // anything is allocated.
    template <typename T>
    bool Array(size_t nCount, std::vector<T>& values) {
        if (nCount > Remaining() / sizeof(T)) {
            return false;
        }
        values.resize(nCount);
        for (T& value : values) {
            Next(value);
        }
        return true;
    }
    template <typename T>
    bool Array(size_t nCount, T* pValues) {
        if (nCount > Remaining() / sizeof(T)) {
            return false;
        }
        for (size_t i = 0; i < nCount; ++i) {
            Next(pValues[i]);
        }
        return true;
    }

    // At the field's offset, wherever the reader stands.
    template <typename T>
    bool Get(Field<T> field, T& value) const {
        if (field.nOffset > m_nSize || m_nSize - field.nOffset < sizeof(T)) {
            return false;
        }
        Load(m_pData + field.nOffset, value);
        return true;
    }

    size_t Size() const { return m_nSize; }
    size_t Position() const { return m_nPos; }
    size_t Remaining() const { return m_nSize - m_nPos; }

private:
    template <typename T>
    bool Next(T& value) {
        if (Remaining() < sizeof(T)) {
            return false;
        }
        Load(m_pData + m_nPos, value);
        m_nPos += sizeof(T);
        return true;
    }

    const char* m_pData;
    size_t m_nSize;
    size_t m_nPos = 0;
};

}  // namespace LittleEndian
}  // namespace TarvoFX
