#include "logging/TarvoLog.h"

#include <sys/types.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

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

// Collects a message in a buffer the way vsnprintf does: what does not fit
// is cut, and the text always ends with a zero byte.
class MessageText {
public:
    explicit MessageText(char (&acBuffer)[kMessageBufferSize]) : m_pText(acBuffer), m_nLength(0) {}
    void Put(const char* pText, size_t nLength) {
        const size_t nRoom = kMessageBufferSize - 1 - m_nLength;
        nLength = nLength < nRoom ? nLength : nRoom;
        std::memcpy(m_pText + m_nLength, pText, nLength);
        m_nLength += nLength;
    }
    void PutChar(char c) { Put(&c, 1); }
    template <typename T>
    void PutInteger(T nValue, unsigned nBase, bool bUpper) {
        using Unsigned = typename std::make_unsigned<T>::type;
        char acDigits[24];
        char* pStart = acDigits + sizeof(acDigits);
        const bool bNegative = nValue < 0;
        Unsigned nMagnitude =
            bNegative ? Unsigned(0) - static_cast<Unsigned>(nValue) : static_cast<Unsigned>(nValue);
        const char* const szDigits = bUpper ? "0123456789ABCDEF" : "0123456789abcdef";
        do {
            *--pStart = szDigits[nMagnitude % nBase];
            nMagnitude /= nBase;
        } while (nMagnitude != 0);
        if (bNegative) {
            *--pStart = '-';
        }
        Put(pStart, static_cast<size_t>(acDigits + sizeof(acDigits) - pStart));
    }
    size_t End() {
        m_pText[m_nLength] = '\0';
        return m_nLength;
    }

private:
    char* m_pText;
    size_t m_nLength;
};

// Most records are plain text with %d, %u, %x, %s or %c (with the l, ll or
// z size), and the general formatting machinery costs several times the rest
// of a record for them. Those are rendered here, exactly as vsnprintf
// renders them; false, with args partly used, at the first conversion that
// is anything else (flags, widths, precisions, floating point, ...), for the
// caller to format the whole message with vsnprintf instead.
bool FormatPlainMessage(char (&acBuffer)[kMessageBufferSize], const char* szFormat, va_list args) {
    MessageText text(acBuffer);
    const char* pText = szFormat;
    for (;;) {
        const char* pPercent = std::strchr(pText, '%');
        if (pPercent == nullptr) {
            text.Put(pText, std::strlen(pText));
            text.End();
            return true;
        }
        text.Put(pText, static_cast<size_t>(pPercent - pText));
        const char* pSpec = pPercent + 1;
        int nLongs = 0;
        bool bSize = false;
        if (*pSpec == 'l') {
            ++pSpec;
            nLongs = 1;
            if (*pSpec == 'l') {
                ++pSpec;
                nLongs = 2;
            }
        } else if (*pSpec == 'z') {
            ++pSpec;
            bSize = true;
        }
        const bool bPlain = nLongs == 0 && !bSize;
        switch (*pSpec) {
            case 'd':
            case 'i':
                if (bSize) {
                    text.PutInteger(va_arg(args, ssize_t), 10, false);
                } else if (nLongs == 2) {
                    text.PutInteger(va_arg(args, long long), 10, false);
                } else if (nLongs == 1) {
                    text.PutInteger(va_arg(args, long), 10, false);
                } else {
                    text.PutInteger(va_arg(args, int), 10, false);
                }
                break;
            case 'u':
            case 'x':
            case 'X': {
                const unsigned nBase = *pSpec == 'u' ? 10 : 16;
                const bool bUpper = *pSpec == 'X';
                if (bSize) {
                    text.PutInteger(va_arg(args, size_t), nBase, bUpper);
                } else if (nLongs == 2) {
                    text.PutInteger(va_arg(args, unsigned long long), nBase, bUpper);
                } else if (nLongs == 1) {
                    text.PutInteger(va_arg(args, unsigned long), nBase, bUpper);
                } else {
                    text.PutInteger(va_arg(args, unsigned), nBase, bUpper);
                }
                break;
            }
            case 's': {
                if (!bPlain) {
                    return false;
                }
                const char* szArgument = va_arg(args, const char*);
                if (szArgument == nullptr) {
                    szArgument = "(null)";
                }
                text.Put(szArgument, std::strlen(szArgument));
                break;
            }
            case 'c':
                if (!bPlain) {
                    return false;
                }
                text.PutChar(static_cast<char>(va_arg(args, int)));
                break;
            case '%':
                if (!bPlain) {
                    return false;
                }
                text.PutChar('%');
                break;
            default:
                return false;
        }
        pText = pSpec + 1;
    }
}

// The message as the outputs take it: up to its first zero byte, which a
// %c of zero may have put inside it.
size_t FormatMessage(char (&acBuffer)[kMessageBufferSize], const char* szFormat, va_list args) {
    va_list copy;
    va_copy(copy, args);
    if (!FormatPlainMessage(acBuffer, szFormat, copy)) {
        std::vsnprintf(acBuffer, sizeof(acBuffer), szFormat, args);
    }
    va_end(copy);
    return std::strlen(acBuffer);
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

std::string TarvoLog::GetFileLogFolder() const {
    return IsClosed() ? std::string() : m_pImpl->GetFileLogFolder();
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
    const size_t nLength = FormatMessage(szMessage, szFormat, args);
    m_pImpl->Log(nLevel, szTag != nullptr ? szTag : "", std::string_view(szMessage, nLength));
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
