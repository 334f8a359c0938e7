// The process-wide log object of a library and the call forms all code uses.
//
//   TARVO_LOG_ENTRY("virtual bool TarvoFX::X::Y()")  level 0, when the tag level is below 2
//   TARVO_LOGD(fmt, ...)                             level 1, when the tag level is below 2
//   TARVO_LOGI(fmt, ...)                             level 2, when the tag level is below 3
//   TARVO_LOGE(fmt, ...)                             level 4, always: "file:line, " then the
//   message
//
// The threshold is tested at the call site before any argument is evaluated.
// The TARVO_DIRECT_* forms are the same through LogDirect (platform log only),
// for code that runs inside the log's own outputs.
#pragma once

#include <stdarg.h>
#include <stdint.h>

#include <atomic>
#include <memory>
#include <string>

#include "Utils/LastingStatic.h"
#include "VeltraEffectAPI/LogLevels.h"
#include "VeltraExport.h"

namespace TarvoFX {

// Indexes into TarvoLog::s_caszTarvoLogTags.
enum TarvoLogTagIndex : int {
    TARVO_LOG_TAG_FXLIBRARY = 0,
    TARVO_LOG_TAG_FXMODULE = 1,
    TARVO_LOG_TAG_JNI = 2,
    TARVO_LOG_TAG_OPENSLES = 3,
    TARVO_LOG_TAG_MEDIAPLAYERJNI = 4,
    TARVO_LOG_TAG_UNITTEST = 5,
    TARVO_LOG_TAG_PRESET = 6,
    TARVO_LOG_TAG_ALGFX = 7,
    TARVO_LOG_TAG_DEFAULTLOG = 8,
    TARVO_LOG_TAG_COUNT = 9,
};

class TarvoLogImpl;

class TarvoLog {
public:
    VELTRA_EXPORT static const char* const s_caszTarvoLogTags[TARVO_LOG_TAG_COUNT];
    VELTRA_EXPORT static const char* const s_cszSectionTarvoLogAllTag;
    VELTRA_EXPORT static const char* const s_cszSectionTarvoLogTag;
    VELTRA_EXPORT static const char* const s_cszSectionTarvoLogOutput;

    // The library's log object, built on first use. At exit or unload it is
    // closed where a static built at that moment would be destroyed, and it
    // stays in place: code that runs later (the destructor of an object the
    // application keeps in a global) still finds it and logs nothing.
    static TarvoLog& Instance() { return LastingStatic<TarvoLog>::Instance(true); }

    explicit TarvoLog(bool bLoadAsync);
    // Closes the object.
    virtual ~TarvoLog();

    // Waits for the configuration loader, has the file output write what is
    // queued for it and releases the outputs. From then on logging does
    // nothing and level and output changes fail. A second call does nothing.
    void Close();

    TarvoLog(const TarvoLog&) = delete;
    TarvoLog& operator=(const TarvoLog&) = delete;

    virtual bool SetLogLevel(const char* szTagName, int nLevel);
    virtual bool SetLogOutput(const char* szOutputName, bool bEnable);
    virtual void Log(int nLevel, const char* szTag, const char* szFormat, ...)
        __attribute__((format(printf, 4, 5)));
    virtual void LogV(int nLevel, const char* szTag, const char* szFormat, va_list args)
        __attribute__((format(printf, 4, 0)));

    // The folder of the most recent "FILE_LOG://" path that the
    // configuration file or the application named; empty before any.
    std::string GetFileLogFolder() const;

    // Like Log, but only to the platform-log output.
    void LogDirect(int nLevel, const char* szTag, const char* szFormat, ...)
        __attribute__((format(printf, 4, 5)));

    int GetTagLevel(int nTagIndex) const {
        return m_anTagLevels[nTagIndex].load(std::memory_order_relaxed);
    }

    // Written by TarvoLogImpl's configuration code, read by every call site.
    std::atomic<int32_t> m_anTagLevels[TARVO_LOG_TAG_COUNT];
    std::shared_ptr<TarvoLogImpl> m_pImpl;

private:
    bool IsClosed() const { return m_bClosed.load(std::memory_order_relaxed); }

    std::atomic<bool> m_bClosed;
};

}  // namespace TarvoFX

#define TARVO_LOG_FXMODULE_TAG "TARVO_LOG_FXModule"

#define TARVO_LOG_IF_BELOW_(nThreshold, pfnLog, nLevel, ...)                           \
    do {                                                                               \
        ::TarvoFX::TarvoLog& tarvoLog_ = ::TarvoFX::TarvoLog::Instance();              \
        if (tarvoLog_.GetTagLevel(::TarvoFX::TARVO_LOG_TAG_FXMODULE) < (nThreshold)) { \
            tarvoLog_.pfnLog((nLevel), TARVO_LOG_FXMODULE_TAG, __VA_ARGS__);           \
        }                                                                              \
    } while (0)

#define TARVO_LOG_ERROR_(pfnLog, ...)                                                             \
    do {                                                                                          \
        ::TarvoFX::TarvoLog& tarvoLog_ = ::TarvoFX::TarvoLog::Instance();                         \
        tarvoLog_.pfnLog(::TarvoFX::LOG_LEVEL_ERROR, TARVO_LOG_FXMODULE_TAG, "%s:%d, ", __FILE__, \
                         __LINE__);                                                               \
        tarvoLog_.pfnLog(::TarvoFX::LOG_LEVEL_ERROR, TARVO_LOG_FXMODULE_TAG, __VA_ARGS__);        \
    } while (0)

#define TARVO_LOG_ENTRY(szSignature) \
    TARVO_LOG_IF_BELOW_(2, Log, ::TarvoFX::LOG_LEVEL_VERBOSE, "Entering function %s", szSignature)
#define TARVO_LOGD(...) TARVO_LOG_IF_BELOW_(2, Log, ::TarvoFX::LOG_LEVEL_DEBUG, __VA_ARGS__)
#define TARVO_LOGI(...) TARVO_LOG_IF_BELOW_(3, Log, ::TarvoFX::LOG_LEVEL_INFO, __VA_ARGS__)
#define TARVO_LOGE(...) TARVO_LOG_ERROR_(Log, __VA_ARGS__)

#define TARVO_DIRECT_ENTRY(szSignature)                                                     \
    TARVO_LOG_IF_BELOW_(2, LogDirect, ::TarvoFX::LOG_LEVEL_VERBOSE, "Entering function %s", \
                        szSignature)
#define TARVO_DIRECT_LOGD(...) \
    TARVO_LOG_IF_BELOW_(2, LogDirect, ::TarvoFX::LOG_LEVEL_DEBUG, __VA_ARGS__)
#define TARVO_DIRECT_LOGE(...) TARVO_LOG_ERROR_(LogDirect, __VA_ARGS__)

// "True"/"False" and "true"/"false" for boolean arguments in log lines.
#define TARVO_BOOL_TEXT(b) ((b) ? "True" : "False")
#define TARVO_BOOL_TEXT_LOWER(b) ((b) ? "true" : "false")
