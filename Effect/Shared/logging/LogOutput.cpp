#include "logging/LogOutput.h"

#include <cstring>

namespace TarvoFX {

namespace {

const char* const s_caszLevelWords[] = {"DEBUG:", "DEBUG:", "INFO:", "WARNING:", "ERROR:"};
const int s_anLevelPriorities[] = {2, 3, 4, 5, 6};

// Longest decimal int ("-2147483648"), the longest level word and the
// separators and line end around them.
constexpr size_t kLineOverhead = 2 * 11 + 8 + 5 + 1;

// Appends nValue in decimal, exactly as "%d" renders it, without going
// through the formatted-output machinery (two of these per record).
void AppendDecimal(std::string& strText, int nValue) {
    char szDigits[12];
    char* const pEnd = szDigits + sizeof(szDigits);
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
    strText.append(pStart, static_cast<size_t>(pEnd - pStart));
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
    std::string strLine;
    // Room for a line end too, which the file output adds.
    strLine.reserve(strTime.size() + strTag.size() + strMessage.size() + kLineOverhead);
    strLine += strTime;
    strLine += ' ';
    AppendDecimal(strLine, nPid);
    strLine += ' ';
    AppendDecimal(strLine, nTid);
    strLine += ' ';
    strLine += GetLogLevelWord(nLevel);
    strLine += ' ';
    strLine += strTag;
    strLine += ' ';
    strLine += strMessage;
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
