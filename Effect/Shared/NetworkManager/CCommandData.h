// The input the parser works on for one connected client: the plain bytes it
// has sent, and separately each chunk that arrived with passed descriptors.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <chrono>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "NetworkManager/CReceiveBuffer.h"

namespace TarvoFX {

class CCommandData {
public:
    // Descriptors of one chunk, in arrival order -> the bytes of that chunk.
    using FDMap = std::map<std::vector<int>, std::string>;

    CCommandData() = default;
    // Closes the descriptors of chunks that were never parsed.
    ~CCommandData();
    CCommandData(CCommandData&& other) noexcept;
    CCommandData& operator=(CCommandData&& other) noexcept;
    CCommandData(const CCommandData&) = delete;
    CCommandData& operator=(const CCommandData&) = delete;

    // Bytes that came without descriptors, in arrival order.
    void AppendData(std::string_view svBytes) { m_strData.Append(svBytes); }
    // Forgets the pending plain bytes (a new connection on a reused socket).
    void ResetData() { m_strData.Clear(); }
    CReceiveBuffer& GetData() { return m_strData; }
    const CReceiveBuffer& GetData() const { return m_strData; }

    // A chunk that came with descriptors; an equal descriptor list replaces
    // the earlier bytes. The descriptors now belong to this object.
    void AddFDData(std::vector<int> vecFDs, std::string strBytes);
    FDMap& GetFDs() { return m_mapFDs; }
    const FDMap& GetFDs() const { return m_mapFDs; }

    // True when nothing waits to be parsed.
    bool IsEmpty() const { return m_strData.empty() && m_mapFDs.empty(); }

    // Kept by the socket layer: how many requests were taken from this client
    // in the current round of select, the stamp of its last arrival (a
    // counter of the server's; larger is more recent), when it was accepted
    // and when it last completed a request.
    using TimePoint = std::chrono::steady_clock::time_point;
    unsigned int TakenThisRound() const { return m_nTakenThisRound; }
    void CountTaken(TimePoint tNow) {
        ++m_nTakenThisRound;
        m_bServed = true;
        m_tLastRequest = tNow;
    }
    void StartRound() { m_nTakenThisRound = 0; }
    uint64_t LastActivity() const { return m_nLastActivity; }
    void SetLastActivity(uint64_t nStamp) { m_nLastActivity = nStamp; }
    TimePoint Accepted() const { return m_tAccepted; }
    void SetAccepted(TimePoint tAccepted) { m_tAccepted = tAccepted; }
    // True once a request of this client was taken; LastRequest is then when.
    bool HasBeenServed() const { return m_bServed; }
    TimePoint LastRequest() const { return m_tLastRequest; }

private:
    void CloseFDs();

    CReceiveBuffer m_strData;
    FDMap m_mapFDs;
    unsigned int m_nTakenThisRound = 0;
    uint64_t m_nLastActivity = 0;
    TimePoint m_tAccepted{};
    TimePoint m_tLastRequest{};
    bool m_bServed = false;
};

}  // namespace TarvoFX
