#include "logging/FileLogOutput.h"

#include <cstring>
#include <string_view>
#include <utility>

#include "TarvoInterprocess/MessageQueue.h"

namespace TarvoFX {

namespace {

const char* const s_cszPathPrefix = "FILE_LOG://";
const char* const s_cszOpenMode = "a+";

std::shared_ptr<FileLogTarget> MakeTarget(size_t nSizeBound) {
    auto pTarget = std::make_shared<FileLogTarget>();
    pTarget->bFlushBeforeWait = true;
    pTarget->writer.SetSizeBound(nSizeBound);
    return pTarget;
}

}  // namespace

// The target is created before the queue: once the worker runs, nothing
// that can throw remains. The worker writes the lines it finds queued one
// after the other and flushes them together when the queue runs empty, so
// every accepted line has reached the file before the worker waits, and a
// burst costs one write instead of one per line.
FileLogOutput::FileLogOutput(size_t nSizeBound)
    : LogOutput("FILE_LOG"),
      m_pTarget(MakeTarget(nSizeBound)),
      m_pQueue(std::make_shared<TarvoInterprocess::ThreadedQueue>(
          std::make_shared<TarvoInterprocess::MessageQueue>(QUEUE_CAPACITY), false,
          [pTarget = m_pTarget] { pTarget->writer.Flush(); })) {}

// The queued messages point to the target without owning it: the worker
// ends here, before the members go.
FileLogOutput::~FileLogOutput() {
    m_pQueue->Enqueue(std::make_shared<CloseFileMessage>(m_pTarget.get()), false);
    m_pQueue->Stop();
}

void FileLogOutput::Write(std::string_view strTime, int nPid, int nTid, int nLevel,
                          std::string_view strTag, std::string_view strMessage) {
    const LogLineText line(strTime, nPid, nTid, nLevel, strTag, strMessage, true);
    auto pMessage = std::make_shared<WriteLineMessage>(m_pTarget.get(), line.Length());
    line.Put(pMessage->Text());
    // A refused line is lost; the queue reports it and marks what follows.
    m_pQueue->Enqueue(std::move(pMessage));
}

bool FileLogOutput::EnableByName(const char* szName, bool bEnable) {
    if (szName == nullptr || std::strncmp(szName, m_strName.c_str(), m_strName.size()) != 0) {
        return false;
    }
    m_bEnabled.store(bEnable, std::memory_order_relaxed);
    const size_t nPrefixLength = std::strlen(s_cszPathPrefix);
    // Opens and closes bypass the capacity check: a full queue must not
    // lose a configuration change that has already been reported as done.
    if (bEnable && std::strncmp(szName, s_cszPathPrefix, nPrefixLength) == 0) {
        const std::string_view strPath(szName + nPrefixLength);
        const size_t nSlash = strPath.rfind('/');
        {
            std::lock_guard<std::mutex> lock(m_folderMutex);
            m_strFolder = nSlash == std::string_view::npos ? std::string(".")
                          : nSlash == 0                    ? std::string("/")
                                                           : std::string(strPath.substr(0, nSlash));
        }
        m_pQueue->Enqueue(std::make_shared<OpenFileMessage>(m_pTarget.get(), szName + nPrefixLength,
                                                            s_cszOpenMode),
                          false);
    } else {
        m_pQueue->Enqueue(std::make_shared<CloseFileMessage>(m_pTarget.get()), false);
    }
    return true;
}

std::string FileLogOutput::GetFolder() const {
    std::lock_guard<std::mutex> lock(m_folderMutex);
    return m_strFolder;
}

bool FileLogOutput::RunOnWorker(std::shared_ptr<TarvoInterprocess::Message> pMessage) {
    return m_pQueue->Enqueue(std::move(pMessage), false);
}

bool FileLogOutput::WaitUntilWritten() {
    return m_pQueue->Enqueue(std::make_shared<FlushMarkerMessage>(m_pTarget), false);
}

}  // namespace TarvoFX
