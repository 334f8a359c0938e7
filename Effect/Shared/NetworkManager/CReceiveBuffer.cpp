#include "NetworkManager/CReceiveBuffer.h"

#include <algorithm>

namespace TarvoFX {

namespace {

// Compaction waits for this many consumed bytes, so that a buffer consumed in
// small steps is not shifted after every step.
constexpr size_t kMinCompaction = 4096;
// Searches for more distinct needles than this are not remembered.
constexpr size_t kMaxMemos = 32;
// Storage past this size is given back once everything in it is consumed,
// so that a burst does not keep its memory for the life of the connection.
constexpr size_t kMaxIdleCapacity = 64 * 1024;

}  // namespace

void CReceiveBuffer::Append(std::string_view svBytes) {
    m_strBytes.append(svBytes.data(), svBytes.size());
}

void CReceiveBuffer::Consume(size_t nCount) {
    m_nHead += std::min(nCount, size());
    if (m_nHead == m_strBytes.size()) {
        m_nDropped += m_nHead;
        if (m_strBytes.capacity() > kMaxIdleCapacity) {
            std::string().swap(m_strBytes);
        } else {
            m_strBytes.clear();
        }
        m_nHead = 0;
    } else if (m_nHead >= kMinCompaction && m_nHead >= m_strBytes.size() - m_nHead) {
        m_nDropped += m_nHead;
        m_strBytes.erase(0, m_nHead);
        m_nHead = 0;
    }
}

CReceiveBuffer::SFindMemo* CReceiveBuffer::MemoFor(std::string_view svNeedle) {
    for (SFindMemo& memo : m_vecMemos) {
        if (memo.strNeedle == svNeedle) {
            return &memo;
        }
    }
    if (m_vecMemos.size() >= kMaxMemos) {
        return nullptr;
    }
    // Starts out knowing nothing: an empty range.
    m_vecMemos.push_back({std::string(svNeedle), 0, 0, false});
    return &m_vecMemos.back();
}

size_t CReceiveBuffer::Find(std::string_view svNeedle, size_t nFrom) {
    if (nFrom > size()) {
        return npos;
    }
    SFindMemo* pMemo = svNeedle.empty() ? nullptr : MemoFor(svNeedle);
    if (pMemo == nullptr) {
        return View().find(svNeedle, nFrom);
    }

    const uint64_t nFront = FrontPosition();
    const uint64_t nStart = nFront + nFrom;
    const bool bEmpty = !pMemo->bFound && pMemo->nFrom == pMemo->nTo;
    if (nStart > pMemo->nTo || (nStart < pMemo->nFrom && bEmpty)) {
        // The known range ends before the start (or its match was consumed),
        // or there is none: start afresh.
        pMemo->nFrom = pMemo->nTo = nStart;
        pMemo->bFound = false;
    }
    if (nStart < pMemo->nFrom) {
        // Search the unknown stretch in front of the known range; a match
        // there may reach into the range. The range is not empty, so its
        // first position plus the needle lies within the buffer.
        const size_t nLength = static_cast<size_t>(pMemo->nFrom - nStart) + svNeedle.size() - 1;
        const size_t nFound = View().substr(nFrom, nLength).find(svNeedle);
        if (nFound != npos) {
            pMemo->nFrom = nStart;
            pMemo->nTo = nStart + nFound;
            pMemo->bFound = true;
            return nFrom + nFound;
        }
        pMemo->nFrom = nStart;
    }
    if (!pMemo->bFound) {
        const size_t nResume = static_cast<size_t>(pMemo->nTo - nFront);
        const size_t nFound = View().find(svNeedle, nResume);
        if (nFound != npos) {
            pMemo->nTo = nFront + nFound;
            pMemo->bFound = true;
        } else if (size() >= svNeedle.size()) {
            // Every start up to the last one that leaves room for the needle
            // has now been looked at.
            pMemo->nTo = std::max<uint64_t>(pMemo->nTo, nFront + size() - svNeedle.size() + 1);
        }
    }
    return pMemo->bFound ? static_cast<size_t>(pMemo->nTo - nFront) : npos;
}

}  // namespace TarvoFX
