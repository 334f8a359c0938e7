#pragma once

#include <atomic>
#include <string>
#include <string_view>

namespace TarvoFX {

// Level words of stream and file records, indexed by level (0 and 1 share "DEBUG:").
const char* GetLogLevelWord(int nLevel);
// Platform log priority of a level (2 verbose to 6 error).
int GetLogLevelPriority(int nLevel);

// A record's text with its control bytes (below 0x20 except tab, and 0x7F)
// written as escapes ("\n", "\r", "\x1b"), so that one record is one line
// in every output and none can drive a terminal; the text itself when it
// has none (strStorage then stays untouched).
std::string_view EscapeControlBytes(std::string_view strText, std::string& strStorage);

// The line of a stream or file record, without line end:
// "<time> <pid> <tid> <level word> <tag> <message>".
std::string FormatLogLine(std::string_view strTime, int nPid, int nTid, int nLevel,
                          std::string_view strTag, std::string_view strMessage);

// The same line, followed by a line feed when bLineEnd is set, rendered into
// a buffer the caller provides: Length() first, then Put() into that many
// bytes (no terminating zero), in the thread that made the text: the ids'
// digits are that thread's.
class LogLineText {
public:
    LogLineText(std::string_view strTime, int nPid, int nTid, int nLevel, std::string_view strTag,
                std::string_view strMessage, bool bLineEnd);
    LogLineText(const LogLineText&) = delete;
    LogLineText& operator=(const LogLineText&) = delete;

    size_t Length() const { return m_nLength; }
    void Put(char* pText) const;

private:
    std::string_view m_strTime;
    std::string_view m_strTag;
    std::string_view m_strMessage;
    const char* m_szWord;
    size_t m_nWordLength;
    size_t m_nPidLength;
    size_t m_nTidLength;
    const char* m_pPid;
    const char* m_pTid;
    size_t m_nLength;
    bool m_bLineEnd;
};

// One destination of log records. Outputs are called concurrently from many
// threads; each writes a record in one call so records never tear.
class LogOutput {
public:
    explicit LogOutput(const char* szName);
    virtual ~LogOutput();

    LogOutput(const LogOutput&) = delete;
    LogOutput& operator=(const LogOutput&) = delete;

    // The tag and the message are each followed by a zero byte (not part of
    // the view), so an output may hand them on as C strings. The time is
    // empty, and the ids 0, when only the platform log is enabled.
    virtual void Write(std::string_view strTime, int nPid, int nTid, int nLevel,
                       std::string_view strTag, std::string_view strMessage) = 0;

    // Switches the output when szName is exactly its name; false otherwise.
    virtual bool EnableByName(const char* szName, bool bEnable);

    bool IsEnabled() const { return m_bEnabled.load(std::memory_order_relaxed); }
    const std::string& GetName() const { return m_strName; }

protected:
    std::string m_strName;
    std::atomic<bool> m_bEnabled;
};

}  // namespace TarvoFX
