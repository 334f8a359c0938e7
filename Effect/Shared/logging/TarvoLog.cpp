#include "logging/TarvoLog.h"

#include <cstdio>
#include <string>

#include "logging/TarvoLogImpl.h"

namespace TarvoFX {

const char* const TarvoLog::s_caszTarvoLogTags[TARVO_LOG_TAG_COUNT] = {
    "TARVO_LOG_FXLibrary", "TARVO_LOG_FXModule",       "TARVO_LOG_JNI",
    "TARVO_LOG_OpenSLES",  "TARVO_LOG_MediaPlayerJni", "TARVO_LOG_UnitTest",
    "TARVO_LOG_Preset",    "TARVO_LOG_AlgFx",          "TARVO_LOG_DefaultLog",
};
const char* const TarvoLog::s_cszSectionTarvoLogAllTag = "TARVO_LOG_ALL";
const char* const TarvoLog::s_cszSectionTarvoLogTag = "TarvoLogTag";
const char* const TarvoLog::s_cszSectionTarvoLogOutput = "TarvoLogOutput";

namespace {

constexpr size_t kMessageBufferSize = 1024;

bool IsValidLevel(int nLevel) {
    return static_cast<unsigned>(nLevel) <= LOG_LEVEL_ERROR;
}

}  // namespace

TarvoLog::TarvoLog(bool bLoadAsync) : m_bClosed(false) {
    for (auto& nLevel : m_anTagLevels) {
        nLevel.store(LOG_LEVEL_INFO, std::memory_order_relaxed);
    }
    m_pImpl = std::make_shared<TarvoLogImpl>(bLoadAsync, this);
}

TarvoLog::~TarvoLog() {
    Close();
}

// The implementation is shut down while m_pImpl still points to it: the file
// output's worker logs through the process-wide object until it has ended.
void TarvoLog::Close() {
    if (IsClosed()) {
        return;
    }
    if (m_pImpl) {
        m_pImpl->Shutdown();
    }
    m_bClosed.store(true, std::memory_order_relaxed);
    m_pImpl.reset();
}

bool TarvoLog::SetLogLevel(const char* szTagName, int nLevel) {
    return !IsClosed() && m_pImpl->SetLogLevel(szTagName, nLevel, false);
}

bool TarvoLog::SetLogOutput(const char* szOutputName, bool bEnable) {
    return !IsClosed() && m_pImpl->SetLogOutput(szOutputName, bEnable, false);
}

void TarvoLog::Log(int nLevel, const char* szTag, const char* szFormat, ...) {
    va_list args;
    va_start(args, szFormat);
    LogV(nLevel, szTag, szFormat, args);
    va_end(args);
}

void TarvoLog::LogV(int nLevel, const char* szTag, const char* szFormat, va_list args) {
    if (!IsValidLevel(nLevel) || IsClosed() || !m_pImpl->IsAnyOutputEnabled() ||
        szFormat == nullptr) {
        return;
    }
    char szMessage[kMessageBufferSize];
    std::vsnprintf(szMessage, sizeof(szMessage), szFormat, args);
    m_pImpl->Log(nLevel, szTag != nullptr ? szTag : "", szMessage);
}

void TarvoLog::LogDirect(int nLevel, const char* szTag, const char* szFormat, ...) {
    if (!IsValidLevel(nLevel) || IsClosed() || !m_pImpl->IsAnyOutputEnabled() ||
        szFormat == nullptr) {
        return;
    }
    char szMessage[kMessageBufferSize];
    va_list args;
    va_start(args, szFormat);
    std::vsnprintf(szMessage, sizeof(szMessage), szFormat, args);
    va_end(args);
    m_pImpl->LogDirect(nLevel, szTag != nullptr ? szTag : "", szMessage);
}

}  // namespace TarvoFX
