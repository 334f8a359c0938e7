#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "TarvoInterprocess/ThreadedQueue.h"
#include "logging/FileLogMessages.h"
#include "logging/LogOutput.h"

namespace TarvoFX {

// "FILE_LOG": appends records to a file named when the output is enabled
// ("FILE_LOG://<path>"). Logging threads only queue the rendered line; the
// queue's worker writes and flushes it, so no logging thread waits for the
// disk. At most 1000 lines wait; further lines are dropped (the queue reports
// it) and the next written line starts with "* ".
//
// The file is only ever a regular file (see FileWriter::Open), and it holds
// at most SIZE_BOUND bytes: a line that would take it past that renames it to
// "<path>.1", replacing the older one, and starts the path afresh. An output
// thus keeps at most two files, the newest lines always among them.
class FileLogOutput : public LogOutput {
public:
    enum { QUEUE_CAPACITY = 1000 };
    static constexpr size_t SIZE_BOUND = 4 * 1024 * 1024;

    // Starts the worker thread; throws std::system_error ("thread constructor
    // failed") when it cannot be started. Tests choose a smaller bound.
    explicit FileLogOutput(size_t nSizeBound = SIZE_BOUND);
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

    // The folder of the most recent path this output was enabled with
    // ("FILE_LOG://<folder>/<name>": "<folder>"), empty before any. The
    // only folder a tuning client may name log files in.
    std::string GetFolder() const;

    // Queues a message of the caller's for the worker, past the capacity
    // check: for tests that need the worker at a known point.
    bool RunOnWorker(std::shared_ptr<TarvoInterprocess::Message> pMessage);

    // Returns once the worker has handled everything queued before the call.
    // Other threads' enqueues wait meanwhile; meant for tests and tools.
    bool WaitUntilWritten();

private:
    mutable std::mutex m_folderMutex;
    std::string m_strFolder;
    std::shared_ptr<FileLogTarget> m_pTarget;
    std::shared_ptr<TarvoInterprocess::ThreadedQueue> m_pQueue;
};

}  // namespace TarvoFX
