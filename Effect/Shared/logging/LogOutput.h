#pragma once

#include <atomic>
#include <string>

namespace TarvoFX {

// Level words of stream and file records, indexed by level (0 and 1 share "DEBUG:").
const char* GetLogLevelWord(int nLevel);
// Platform log priority of a level (2 verbose to 6 error).
int GetLogLevelPriority(int nLevel);

// The line of a stream or file record, without line end:
// "<time> <pid> <tid> <level word> <tag> <message>".
std::string FormatLogLine(const std::string& strTime, int nPid, int nTid, int nLevel,
                          const std::string& strTag, const std::string& strMessage);
// The same line, followed by a line feed when bLineEnd is set.
std::string FormatLogLine(const std::string& strTime, int nPid, int nTid, int nLevel,
                          const std::string& strTag, const std::string& strMessage, bool bLineEnd);

// One destination of log records. Outputs are called concurrently from many
// threads; each writes a record in one call so records never tear.
class LogOutput {
public:
    explicit LogOutput(const char* szName);
    virtual ~LogOutput();

    LogOutput(const LogOutput&) = delete;
    LogOutput& operator=(const LogOutput&) = delete;

    virtual void Write(const std::string& strTime, int nPid, int nTid, int nLevel,
                       const std::string& strTag, const std::string& strMessage) = 0;

    // Switches the output when szName is exactly its name; false otherwise.
    virtual bool EnableByName(const char* szName, bool bEnable);

    bool IsEnabled() const { return m_bEnabled.load(std::memory_order_relaxed); }
    const std::string& GetName() const { return m_strName; }

protected:
    std::string m_strName;
    std::atomic<bool> m_bEnabled;
};

}  // namespace TarvoFX
