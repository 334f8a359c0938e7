#include "logging/LogOutput.h"

#include <cstring>

#include "Utils/StringUtils.h"

namespace TarvoFX {

namespace {

const char* const s_caszLevelWords[] = {"DEBUG:", "DEBUG:", "INFO:", "WARNING:", "ERROR:"};
const int s_anLevelPriorities[] = {2, 3, 4, 5, 6};

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
    strLine.reserve(strTime.size() + strTag.size() + strMessage.size() + 40);
    strLine += strTime;
    strLine += ' ';
    strLine += StringUtils::ToString(nPid);
    strLine += ' ';
    strLine += StringUtils::ToString(nTid);
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
