#include "logging/LogOutput.h"

#include <cstring>

namespace TarvoFX {

namespace {

const char* const s_caszLevelWords[] = {"DEBUG:", "DEBUG:", "INFO:", "WARNING:", "ERROR:"};
const int s_anLevelPriorities[] = {2, 3, 4, 5, 6};

// Renders nValue in decimal, exactly as "%d" does, into the end of a buffer
// of 12 characters, without going through the formatted-output machinery
// (two of these per record); returns where the digits start.
char* RenderDecimal(char* pEnd, int nValue) {
    char* pStart = pEnd;
    unsigned nMagnitude =
        nValue < 0 ? 0u - static_cast<unsigned>(nValue) : static_cast<unsigned>(nValue);
    do {
        *--pStart = static_cast<char>('0' + nMagnitude % 10u);
        nMagnitude /= 10u;
    } while (nMagnitude != 0u);
    if (nValue < 0) {
        *--pStart = '-';
    }
    return pStart;
}

char* Put(char* pText, const char* pPart, size_t nLength) {
    std::memcpy(pText, pPart, nLength);
    return pText + nLength;
}

}  // namespace

const char* GetLogLevelWord(int nLevel) {
    return static_cast<unsigned>(nLevel) < 5 ? s_caszLevelWords[nLevel] : "";
}

int GetLogLevelPriority(int nLevel) {
    return static_cast<unsigned>(nLevel) < 5 ? s_anLevelPriorities[nLevel] : s_anLevelPriorities[4];
}

std::string FormatLogLine(const std::string& strTime, int nPid, int nTid, int nLevel,
                          const std::string& strTag, const std::string& strMessage) {
    return FormatLogLine(strTime, nPid, nTid, nLevel, strTag, strMessage, false);
}

// The length is known before anything is copied, so the line is one
// allocation filled by copies instead of nine appends that each check for
// room.
std::string FormatLogLine(const std::string& strTime, int nPid, int nTid, int nLevel,
                          const std::string& strTag, const std::string& strMessage, bool bLineEnd) {
    char szPid[12];
    char szTid[12];
    const char* const pPidEnd = szPid + sizeof(szPid);
    const char* const pTidEnd = szTid + sizeof(szTid);
    const char* const pPid = RenderDecimal(szPid + sizeof(szPid), nPid);
    const char* const pTid = RenderDecimal(szTid + sizeof(szTid), nTid);
    const char* const szWord = GetLogLevelWord(nLevel);
    const size_t nPidLength = static_cast<size_t>(pPidEnd - pPid);
    const size_t nTidLength = static_cast<size_t>(pTidEnd - pTid);
    const size_t nWordLength = std::strlen(szWord);
    const size_t nLength = strTime.size() + nPidLength + nTidLength + nWordLength + strTag.size() +
                           strMessage.size() + 5 + (bLineEnd ? 1 : 0);
    std::string strLine(nLength, ' ');
    char* pText = &strLine[0];
    pText = Put(pText, strTime.data(), strTime.size()) + 1;
    pText = Put(pText, pPid, nPidLength) + 1;
    pText = Put(pText, pTid, nTidLength) + 1;
    pText = Put(pText, szWord, nWordLength) + 1;
    pText = Put(pText, strTag.data(), strTag.size()) + 1;
    pText = Put(pText, strMessage.data(), strMessage.size());
    if (bLineEnd) {
        *pText = '\n';
    }
    return strLine;
}

LogOutput::LogOutput(const char* szName) : m_strName(szName), m_bEnabled(false) {}

LogOutput::~LogOutput() = default;

bool LogOutput::EnableByName(const char* szName, bool bEnable) {
    if (szName == nullptr || m_strName.size() != std::strlen(szName) ||
        m_strName.compare(szName) != 0) {
        return false;
    }
    m_bEnabled.store(bEnable, std::memory_order_relaxed);
    return true;
}

}  // namespace TarvoFX
