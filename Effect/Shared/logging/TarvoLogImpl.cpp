#include "logging/TarvoLogImpl.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include "Utils/FileWriter.h"
#include "logging/AndroidLogOutput.h"
#include "logging/FileLogOutput.h"
#include "logging/StreamLogOutput.h"
#include "logging/TarvoLog.h"

namespace TarvoFX {

const char* const TarvoLogImpl::s_caszLogOutputNames[OUTPUT_SLOT_COUNT] = {
    "ANDROID_LOG", "SYS_LOG", "STDOUT_LOG", "STDERR_LOG", "FILE_LOG",
};

namespace {

enum { SLOT_ANDROID_LOG = 0, SLOT_STDOUT_LOG = 2, SLOT_STDERR_LOG = 3, SLOT_FILE_LOG = 4 };

// getpid and gettid are system calls, and every record with a time needs
// both. Each thread remembers its ids from its first such record; a fork
// counts itself in the child, whose thread then has new ids to read.
std::atomic<unsigned> s_nForks{0};

void CountFork() {
    s_nForks.fetch_add(1, std::memory_order_relaxed);
}

struct CallerIds {
    unsigned nForks;
    int nPid;  // 0: not read yet
    int nTid;
};

thread_local CallerIds t_callerIds = {0, 0, 0};

void GetCallerIds(int& nPid, int& nTid) {
    static const bool s_bForksCounted = pthread_atfork(nullptr, nullptr, CountFork) == 0;
    if (!s_bForksCounted) {
        nPid = static_cast<int>(getpid());
        nTid = static_cast<int>(gettid());
        return;
    }
    CallerIds& ids = t_callerIds;
    const unsigned nForks = s_nForks.load(std::memory_order_relaxed);
    if (ids.nPid == 0 || ids.nForks != nForks) {
        ids = {nForks, static_cast<int>(getpid()), static_cast<int>(gettid())};
    }
    nPid = ids.nPid;
    nTid = ids.nTid;
}

}  // namespace

TarvoLogImpl::TarvoLogImpl(bool bLoadAsync, TarvoLog* pOwner)
    : m_pOwner(pOwner),
      m_bAnyOutputEnabled(false),
      m_bAndroidOnly(false),
      m_bInitDone(!bLoadAsync),
      m_bLoadAsync(bLoadAsync),
      m_nLoaderGate(LOADER_WAIT) {
    for (auto& nLevel : m_pOwner->m_anTagLevels) {
        nLevel.store(LOG_LEVEL_INFO, std::memory_order_relaxed);
    }

    m_apOutputs[SLOT_ANDROID_LOG] = std::make_shared<AndroidLogOutput>();
    m_apOutputs[SLOT_ANDROID_LOG]->EnableByName(s_caszLogOutputNames[SLOT_ANDROID_LOG], true);
    m_bAndroidOnly.store(true, std::memory_order_relaxed);

    // The loader thread exists before the file output's worker but waits for
    // the outputs. The worker logs through the process-wide object and so may
    // wait for this construction to end: were the loader started after it and
    // failed to start, unwinding would join a worker that waits for us.
    if (m_bLoadAsync) {
        StartLoader();
    }
    try {
        m_apOutputs[SLOT_STDOUT_LOG] = std::make_shared<StdoutLogOutput>();
        m_apOutputs[SLOT_STDERR_LOG] = std::make_shared<StderrLogOutput>();
        m_apOutputs[SLOT_FILE_LOG] = std::make_shared<FileLogOutput>();
    } catch (...) {
        ReleaseLoader(LOADER_CANCEL);
        Shutdown();
        throw;
    }

    m_bAnyOutputEnabled.store(true, std::memory_order_relaxed);
    ReleaseLoader(LOADER_GO);
}

TarvoLogImpl::~TarvoLogImpl() {
    Shutdown();
}

void TarvoLogImpl::Shutdown() {
    if (m_loaderThread.joinable()) {
        m_loaderThread.join();
    }
    for (int nSlot = OUTPUT_SLOT_COUNT - 1; nSlot >= 0; --nSlot) {
        m_apOutputs[nSlot].reset();
    }
}

std::string TarvoLogImpl::GetFileLogFolder() const {
    const auto pFile = std::static_pointer_cast<FileLogOutput>(m_apOutputs[SLOT_FILE_LOG]);
    return pFile ? pFile->GetFolder() : std::string();
}

std::shared_ptr<LogOutput> TarvoLogImpl::GetOutput(int nSlot) const {
    return static_cast<unsigned>(nSlot) < OUTPUT_SLOT_COUNT ? m_apOutputs[nSlot] : nullptr;
}

void TarvoLogImpl::Log(int nLevel, std::string_view strTag, std::string_view strMessage) {
    std::string strEscapedTag;
    std::string strEscapedMessage;
    strTag = EscapeControlBytes(strTag, strEscapedTag);
    strMessage = EscapeControlBytes(strMessage, strEscapedMessage);
    LogTimeText time;
    time.nLength = 0;
    int nPid = 0;
    int nTid = 0;
    if (!m_bAndroidOnly.load(std::memory_order_relaxed)) {
        time = RenderLogTime();
        GetCallerIds(nPid, nTid);
    }
    for (const auto& pOutput : m_apOutputs) {
        if (pOutput && pOutput->IsEnabled()) {
            pOutput->Write(time.View(), nPid, nTid, nLevel, strTag, strMessage);
        }
    }
}

void TarvoLogImpl::LogDirect(int nLevel, std::string_view strTag, std::string_view strMessage) {
    const auto& pOutput = m_apOutputs[SLOT_ANDROID_LOG];
    if (pOutput && pOutput->IsEnabled()) {
        std::string strEscapedTag;
        std::string strEscapedMessage;
        pOutput->Write(std::string_view(), 0, 0, nLevel, EscapeControlBytes(strTag, strEscapedTag),
                       EscapeControlBytes(strMessage, strEscapedMessage));
    }
}

void TarvoLogImpl::Warn(const std::string& strMessage) {
    Log(LOG_LEVEL_WARNING, TARVO_LOG_FXMODULE_TAG, strMessage);
}

bool TarvoLogImpl::MayConfigure(const char* szOperation, const char* szArgument, const char* szName,
                                bool bInternal) {
    if (!m_bInitDone.load(std::memory_order_relaxed) && !bInternal) {
        Warn(std::string("Init did not finish. Please wait for a while to call ") + szOperation +
             " again");
        return false;
    }
    if (szName == nullptr) {
        Warn(std::string("TarvoLogImpl::") + szOperation + " " + szArgument + " is NULL");
        return false;
    }
    return true;
}

bool TarvoLogImpl::SetLogLevel(const char* szTagName, int nLevel, bool bInternal) {
    if (!MayConfigure("SetLogLevel", "szTagName", szTagName, bInternal)) {
        return false;
    }
    const std::string strTagName(szTagName);
    if (static_cast<unsigned>(nLevel) > LOG_LEVEL_ERROR) {
        Warn("TarvoLogImpl::SetLogLevel" + strTagName + " : log level " + std::to_string(nLevel) +
             " is not valid");
        Warn("TarvoLogImpl::SetLogLevel can't find log tag" + strTagName);
        return false;
    }
    std::lock_guard<std::mutex> lock(m_configMutex);
    if (strTagName == TarvoLog::s_cszSectionTarvoLogAllTag) {
        for (auto& nTagLevel : m_pOwner->m_anTagLevels) {
            nTagLevel.store(nLevel, std::memory_order_relaxed);
        }
        return true;
    }
    for (int nTag = 0; nTag < TARVO_LOG_TAG_COUNT; ++nTag) {
        if (strTagName == TarvoLog::s_caszTarvoLogTags[nTag]) {
            m_pOwner->m_anTagLevels[nTag].store(nLevel, std::memory_order_relaxed);
            return true;
        }
    }
    Warn("TarvoLogImpl::SetLogLevel can't find log tag" + strTagName);
    return false;
}

bool TarvoLogImpl::SetLogOutput(const char* szOutputName, bool bEnable, bool bInternal) {
    if (!MayConfigure("SetLogOutput", "szOutputName", szOutputName, bInternal)) {
        return false;
    }
    std::unique_lock<std::mutex> lock(m_configMutex);
    for (const auto& pOutput : m_apOutputs) {
        if (pOutput && pOutput->EnableByName(szOutputName, bEnable)) {
            UpdateOutputFlags();
            return true;
        }
    }
    lock.unlock();
    Warn(std::string("TarvoLogImpl::SetLogOutput can't find log output ") + szOutputName);
    return false;
}

void TarvoLogImpl::UpdateOutputFlags() {
    bool bAny = false;
    bool bOthers = false;
    for (int nSlot = 0; nSlot < OUTPUT_SLOT_COUNT; ++nSlot) {
        const auto& pOutput = m_apOutputs[nSlot];
        if (pOutput && pOutput->IsEnabled()) {
            bAny = true;
            bOthers = bOthers || nSlot != SLOT_ANDROID_LOG;
        }
    }
    const auto& pAndroid = m_apOutputs[SLOT_ANDROID_LOG];
    m_bAnyOutputEnabled.store(bAny, std::memory_order_relaxed);
    m_bAndroidOnly.store(pAndroid && pAndroid->IsEnabled() && !bOthers, std::memory_order_relaxed);
}

}  // namespace TarvoFX
