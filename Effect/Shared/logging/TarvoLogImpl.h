#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "VeltraExport.h"
#include "logging/LogOutput.h"

namespace TarvoFX {

class TarvoLog;

// Fans records out to the output slots and applies level and output changes.
class TarvoLogImpl {
public:
    enum { OUTPUT_SLOT_COUNT = 5 };
    // Slot names: "ANDROID_LOG", "SYS_LOG" (reserved, never filled),
    // "STDOUT_LOG", "STDERR_LOG", "FILE_LOG".
    VELTRA_EXPORT static const char* const s_caszLogOutputNames[OUTPUT_SLOT_COUNT];

    TarvoLogImpl(bool bLoadAsync, TarvoLog* pOwner);
    ~TarvoLogImpl();

    TarvoLogImpl(const TarvoLogImpl&) = delete;
    TarvoLogImpl& operator=(const TarvoLogImpl&) = delete;

    // Writes one record to every enabled output; no level test.
    void Log(int nLevel, const std::string& strTag, const std::string& strMessage);
    // Writes one record to the platform-log output only, if it is enabled.
    void LogDirect(int nLevel, const std::string& strTag, const std::string& strMessage);

    // bInternal is true for the configuration loader, which may change
    // settings before initialisation is done.
    bool SetLogLevel(const char* szTagName, int nLevel, bool bInternal);
    bool SetLogOutput(const char* szOutputName, bool bEnable, bool bInternal);

    bool IsAnyOutputEnabled() const { return m_bAnyOutputEnabled.load(std::memory_order_relaxed); }
    bool IsAndroidOnly() const { return m_bAndroidOnly.load(std::memory_order_relaxed); }
    bool IsInitDone() const { return m_bInitDone.load(std::memory_order_relaxed); }

private:
    void Warn(const std::string& strMessage);
    void UpdateOutputFlags();

    std::shared_ptr<LogOutput> m_apOutputs[OUTPUT_SLOT_COUNT];
    TarvoLog* m_pOwner;
    std::atomic<bool> m_bAnyOutputEnabled;
    std::atomic<bool> m_bAndroidOnly;
    std::thread m_loaderThread;
    std::atomic<bool> m_bInitDone;
    bool m_bLoadAsync;
    // Serialises configuration changes with each other; logging never takes it.
    std::mutex m_configMutex;
};

}  // namespace TarvoFX
