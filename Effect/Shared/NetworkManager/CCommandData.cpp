#include "NetworkManager/CCommandData.h"

#include <unistd.h>

#include <utility>

namespace TarvoFX {

CCommandData::~CCommandData() {
    CloseFDs();
}

CCommandData::CCommandData(CCommandData&& other) noexcept
    : m_strData(std::move(other.m_strData)),
      m_mapFDs(std::exchange(other.m_mapFDs, {})),
      m_nTakenThisRound(other.m_nTakenThisRound),
      m_nLastActivity(other.m_nLastActivity),
      m_tAccepted(other.m_tAccepted),
      m_tLastRequest(other.m_tLastRequest),
      m_bServed(other.m_bServed) {}

CCommandData& CCommandData::operator=(CCommandData&& other) noexcept {
    if (this != &other) {
        CloseFDs();
        m_strData = std::move(other.m_strData);
        m_mapFDs = std::exchange(other.m_mapFDs, {});
        m_nTakenThisRound = other.m_nTakenThisRound;
        m_nLastActivity = other.m_nLastActivity;
        m_tAccepted = other.m_tAccepted;
        m_tLastRequest = other.m_tLastRequest;
        m_bServed = other.m_bServed;
    }
    return *this;
}

void CCommandData::AddFDData(std::vector<int> vecFDs, std::string strBytes) {
    m_mapFDs[std::move(vecFDs)] = std::move(strBytes);
}

void CCommandData::CloseFDs() {
    for (const auto& entry : m_mapFDs) {
        for (int nFD : entry.first) {
            close(nFD);
        }
    }
    m_mapFDs.clear();
}

}  // namespace TarvoFX
