// Captures what reaches the real platform log (liblog) during a test.
#pragma once

#include <string>
#include <vector>

namespace TestSupport {

struct LogRecord {
    int nPriority;
    std::string strTag;
    std::string strMessage;
};

// While one exists, every platform-log record of the process (any priority)
// is kept instead of printed.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<LogRecord> Records() const;
    std::vector<std::string> Messages() const;
    // Messages of one priority.
    std::vector<std::string> Messages(int nPriority) const;
    bool Contains(const std::string& strMessage) const;
    void Clear();
};

}  // namespace TestSupport
