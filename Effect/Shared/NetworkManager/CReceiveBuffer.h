// The bytes a client has sent and the parser has not consumed yet.
//
// Bytes are appended at the back and consumed from the front; consuming moves
// a start index and the storage is compacted only once the consumed part
// outweighs the rest, so consuming costs amortised constant time per byte.
//
// Find remembers, for each needle it was asked about, how far the buffer has
// already been searched and where the first match lies. As the buffer only
// ever grows at the back and shrinks at the front, a repeated search looks at
// the bytes that arrived since the last one instead of the whole buffer.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace TarvoFX {

class CReceiveBuffer {
public:
    static constexpr size_t npos = std::string::npos;

    CReceiveBuffer() = default;
    explicit CReceiveBuffer(std::string_view svBytes) { Append(svBytes); }
    CReceiveBuffer(const CReceiveBuffer&) = default;
    CReceiveBuffer& operator=(const CReceiveBuffer&) = default;
    // The source is left empty.
    CReceiveBuffer(CReceiveBuffer&& other) noexcept { Swap(other); }
    CReceiveBuffer& operator=(CReceiveBuffer&& other) noexcept {
        CReceiveBuffer moved;
        moved.Swap(other);
        Swap(moved);
        return *this;
    }

    size_t size() const { return m_strBytes.size() - m_nHead; }
    bool empty() const { return size() == 0; }
    // The pending bytes; followed by a terminating zero byte.
    const char* data() const { return m_strBytes.c_str() + m_nHead; }
    std::string_view View() const { return std::string_view(data(), size()); }
    unsigned char ByteAt(size_t nIndex) const { return static_cast<unsigned char>(data()[nIndex]); }

    void Append(std::string_view svBytes);
    // Removes the first nCount bytes (all of them when fewer are pending).
    void Consume(size_t nCount);
    void Clear() { Consume(size()); }

    // Position of the first occurrence of svNeedle that starts at or after
    // nFrom, or npos.
    size_t Find(std::string_view svNeedle, size_t nFrom = 0);

private:
    void Swap(CReceiveBuffer& other) noexcept {
        m_strBytes.swap(other.m_strBytes);
        std::swap(m_nHead, other.m_nHead);
        std::swap(m_nDropped, other.m_nDropped);
        m_vecMemos.swap(other.m_vecMemos);
    }

    // What is known about one needle, in stream positions (bytes counted from
    // the first byte ever appended): no match starts in [nFrom, nTo), and when
    // bFound is set a match starts at nTo.
    struct SFindMemo {
        std::string strNeedle;
        uint64_t nFrom;
        uint64_t nTo;
        bool bFound;
    };

    // Stream position of the first pending byte.
    uint64_t FrontPosition() const { return m_nDropped + m_nHead; }
    SFindMemo* MemoFor(std::string_view svNeedle);

    std::string m_strBytes;
    size_t m_nHead = 0;       // index of the first pending byte in m_strBytes
    uint64_t m_nDropped = 0;  // bytes removed from m_strBytes by compaction
    std::vector<SFindMemo> m_vecMemos;
};

}  // namespace TarvoFX
