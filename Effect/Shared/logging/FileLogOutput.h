#pragma once

#include <memory>

#include "TarvoInterprocess/ThreadedQueue.h"
#include "logging/FileLogMessages.h"
#include "logging/LogOutput.h"

namespace TarvoFX {

// "FILE_LOG": appends records to a file named when the output is enabled
// ("FILE_LOG://<path>"). Logging threads only queue the rendered line; the
// queue's worker writes and flushes it, so no logging thread waits for the
// disk. At most 1000 lines wait; further lines are dropped (the queue reports
// it) and the next written line starts with "* ".
class FileLogOutput : public LogOutput {
public:
    enum { QUEUE_CAPACITY = 1000 };

    // Starts the worker thread; throws std::system_error ("thread constructor
    // failed") when it cannot be started.
    FileLogOutput();
    // Writes every line queued so far, closes the file and ends the worker.
    ~FileLogOutput() override;

    void Write(std::string_view strTime, int nPid, int nTid, int nLevel, std::string_view strTag,
               std::string_view strMessage) override;

    // Matches every name that starts with "FILE_LOG". Enabling with
    // "FILE_LOG://<path>" opens that file for appending (closing the earlier
    // one after the lines queued for it); any other matching call closes the
    // file, so "FILE_LOG" alone enables the output without a file and its
    // lines are dropped.
    bool EnableByName(const char* szName, bool bEnable) override;

    // Returns once the worker has handled everything queued before the call.
    // Other threads' enqueues wait meanwhile; meant for tests and tools.
    bool WaitUntilWritten();

private:
    std::shared_ptr<FileLogTarget> m_pTarget;
    std::shared_ptr<TarvoInterprocess::ThreadedQueue> m_pQueue;
};

}  // namespace TarvoFX
