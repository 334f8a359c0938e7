#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "VeltraExport.h"
#include "logging/LogOutput.h"

namespace TarvoFX {

class TarvoLog;

// Fans records out to the output slots and applies level and output changes.
// With bLoadAsync a loader thread reads the configuration file once; until
// it has finished, run-time changes made through TarvoLog are refused.
class TarvoLogImpl {
public:
    enum { OUTPUT_SLOT_COUNT = 5, CONFIG_FILE_COUNT = 2 };
    // Slot names: "ANDROID_LOG", "SYS_LOG" (reserved, never filled),
    // "STDOUT_LOG", "STDERR_LOG", "FILE_LOG".
    VELTRA_EXPORT static const char* const s_caszLogOutputNames[OUTPUT_SLOT_COUNT];
    // The configuration files the loader tries, in order: the vendor file,
    // then the system file.
    static const char* const s_caszConfigFilePaths[CONFIG_FILE_COUNT];

    // Throws std::system_error ("thread constructor failed") when the loader
    // or the file output's worker cannot be started.
    TarvoLogImpl(bool bLoadAsync, TarvoLog* pOwner);
    ~TarvoLogImpl();

    TarvoLogImpl(const TarvoLogImpl&) = delete;
    TarvoLogImpl& operator=(const TarvoLogImpl&) = delete;

    // Writes one record to every enabled output; no level test. A zero byte
    // follows the tag and the message (see LogOutput::Write).
    void Log(int nLevel, std::string_view strTag, std::string_view strMessage);
    // Writes one record to the platform-log output only, if it is enabled.
    void LogDirect(int nLevel, std::string_view strTag, std::string_view strMessage);

    // bInternal is true for the configuration loader, which may change
    // settings before initialisation is done.
    bool SetLogLevel(const char* szTagName, int nLevel, bool bInternal);
    bool SetLogOutput(const char* szOutputName, bool bEnable, bool bInternal);

    // Applies the logging settings of a configuration text: the sections
    // "TarvoLogTag" (tag=level) and "TarvoLogOutput" (output=1 enables, any
    // other number disables); comments start with "#" or ";". Bad lines are
    // reported as warnings and skipped.
    void ParseConfigText(const std::string& strText);

    // True once loading has finished, waiting at most the given time for it.
    bool WaitForInit(std::chrono::milliseconds timeout);

    // Waits for the loader, then releases the outputs, the file output after
    // writing every line queued for it. Called by the owner's destructor
    // while the owner is still whole, since the file output's worker logs
    // through the process-wide object until it ends.
    void Shutdown();

    // The folder of the most recent path the file output was enabled with
    // (see FileLogOutput::GetFolder); empty before any, or once closed.
    std::string GetFileLogFolder() const;

    // The output in a slot; null for an empty slot.
    std::shared_ptr<LogOutput> GetOutput(int nSlot) const;

    bool IsAnyOutputEnabled() const { return m_bAnyOutputEnabled.load(std::memory_order_relaxed); }
    bool IsAndroidOnly() const { return m_bAndroidOnly.load(std::memory_order_relaxed); }
    bool IsInitDone() const { return m_bInitDone.load(std::memory_order_relaxed); }

private:
    enum LoaderGate { LOADER_WAIT, LOADER_GO, LOADER_CANCEL };

    void Warn(const std::string& strMessage);
    // Whether SetLogLevel or SetLogOutput (szOperation) may change the setting
    // of szName (its argument szArgument): not before the configuration is
    // loaded, unless the loader asks, and not for a null name. Warns when not.
    bool MayConfigure(const char* szOperation, const char* szArgument, const char* szName,
                      bool bInternal);
    void UpdateOutputFlags();

    void StartLoader();
    void ReleaseLoader(LoaderGate nGate);
    void RunLoader();
    void LoadIni();
    bool ReadConfigFile(const char* szPath);
    void ApplyConfigValue(const std::string& strLine, const std::string& strKey,
                          const std::string& strValue, bool bTagSection);

    std::shared_ptr<LogOutput> m_apOutputs[OUTPUT_SLOT_COUNT];
    TarvoLog* m_pOwner;
    std::atomic<bool> m_bAnyOutputEnabled;
    std::atomic<bool> m_bAndroidOnly;
    std::thread m_loaderThread;
    std::atomic<bool> m_bInitDone;
    bool m_bLoadAsync;
    // Serialises configuration changes with each other; logging never takes it.
    std::mutex m_configMutex;
    // The loader waits on this gate until the outputs exist; waiters for the
    // end of loading wait on the same condition.
    std::mutex m_loaderMutex;
    std::condition_variable m_loaderCondition;
    LoaderGate m_nLoaderGate;
};

}  // namespace TarvoFX
