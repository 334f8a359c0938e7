#include "logging/LogOutput.h"

#include <cstring>

namespace TarvoFX {

namespace {

bool IsControlByte(char c) {
    const auto nByte = static_cast<unsigned char>(c);
    return (nByte < 0x20 && nByte != '\t') || nByte == 0x7F;
}

}  // namespace

std::string_view EscapeControlBytes(std::string_view strText, std::string& strStorage) {
    size_t nFirst = 0;
    while (nFirst < strText.size() && !IsControlByte(strText[nFirst])) {
        ++nFirst;
    }
    if (nFirst == strText.size()) {
        return strText;
    }
    static const char s_acHex[] = "0123456789abcdef";
    strStorage.assign(strText.data(), nFirst);
    for (size_t nIndex = nFirst; nIndex < strText.size(); ++nIndex) {
        const char c = strText[nIndex];
        if (!IsControlByte(c)) {
            strStorage += c;
        } else if (c == '\n') {
            strStorage += "\\n";
        } else if (c == '\r') {
            strStorage += "\\r";
        } else {
            const auto nByte = static_cast<unsigned char>(c);
            strStorage += "\\x";
            strStorage += s_acHex[nByte >> 4];
            strStorage += s_acHex[nByte & 0xF];
        }
    }
    return strStorage;
}

namespace {

const char* const s_caszLevelWords[] = {"DEBUG:", "DEBUG:", "INFO:", "WARNING:", "ERROR:"};
const int s_anLevelPriorities[] = {2, 3, 4, 5, 6};

// Renders nValue in decimal, exactly as "%d" does, into the end of a buffer
// of 12 characters, without going through the formatted-output machinery
// (two of these per record); returns where the digits start.
char* RenderDecimal(char* pEnd, int nValue) {
    char* pStart = pEnd;
    unsigned nMagnitude =
        nValue < 0 ? 0u - static_cast<unsigned>(nValue) : static_cast<unsigned>(nValue);
    do {
        *--pStart = static_cast<char>('0' + nMagnitude % 10u);
        nMagnitude /= 10u;
    } while (nMagnitude != 0u);
    if (nValue < 0) {
        *--pStart = '-';
    }
    return pStart;
}

// A thread logs with the same two ids record after record: each keeps the
// text of its last process and thread id.
struct SIdText {
    bool bValid = false;
    int nValue = 0;
    size_t nLength = 0;
    char szDigits[12] = {};
};

thread_local SIdText t_aIdTexts[2];

const char* IdText(int nSlot, int nValue, size_t& nLength) {
    SIdText& text = t_aIdTexts[nSlot];
    char* const pEnd = text.szDigits + sizeof(text.szDigits);
    if (!text.bValid || text.nValue != nValue) {
        text.nLength = static_cast<size_t>(pEnd - RenderDecimal(pEnd, nValue));
        text.nValue = nValue;
        text.bValid = true;
    }
    nLength = text.nLength;
    return pEnd - text.nLength;
}

const size_t s_anLevelWordLengths[] = {6, 6, 5, 8, 6};

char* Copy(char* pText, const char* pPart, size_t nLength) {
    std::memcpy(pText, pPart, nLength);
    return pText + nLength;
}

}  // namespace

const char* GetLogLevelWord(int nLevel) {
    return static_cast<unsigned>(nLevel) < 5 ? s_caszLevelWords[nLevel] : "";
}

int GetLogLevelPriority(int nLevel) {
    return static_cast<unsigned>(nLevel) < 5 ? s_anLevelPriorities[nLevel] : s_anLevelPriorities[4];
}

std::string FormatLogLine(std::string_view strTime, int nPid, int nTid, int nLevel,
                          std::string_view strTag, std::string_view strMessage) {
    const LogLineText line(strTime, nPid, nTid, nLevel, strTag, strMessage, false);
    std::string strLine(line.Length(), ' ');
    line.Put(&strLine[0]);
    return strLine;
}

// The length is known before anything is copied, so a line is filled by
// copies into room of the right size instead of appends that each check
// for room.
LogLineText::LogLineText(std::string_view strTime, int nPid, int nTid, int nLevel,
                         std::string_view strTag, std::string_view strMessage, bool bLineEnd)
    : m_strTime(strTime),
      m_strTag(strTag),
      m_strMessage(strMessage),
      m_szWord(GetLogLevelWord(nLevel)),
      m_nWordLength(static_cast<unsigned>(nLevel) < 5 ? s_anLevelWordLengths[nLevel] : 0),
      m_nPidLength(0),
      m_nTidLength(0),
      m_pPid(IdText(0, nPid, m_nPidLength)),
      m_pTid(IdText(1, nTid, m_nTidLength)),
      m_nLength(strTime.size() + m_nPidLength + m_nTidLength + m_nWordLength + strTag.size() +
                strMessage.size() + 5 + (bLineEnd ? 1 : 0)),
      m_bLineEnd(bLineEnd) {}

void LogLineText::Put(char* pText) const {
    pText = Copy(pText, m_strTime.data(), m_strTime.size());
    *pText++ = ' ';
    pText = Copy(pText, m_pPid, m_nPidLength);
    *pText++ = ' ';
    pText = Copy(pText, m_pTid, m_nTidLength);
    *pText++ = ' ';
    pText = Copy(pText, m_szWord, m_nWordLength);
    *pText++ = ' ';
    pText = Copy(pText, m_strTag.data(), m_strTag.size());
    *pText++ = ' ';
    pText = Copy(pText, m_strMessage.data(), m_strMessage.size());
    if (m_bLineEnd) {
        *pText = '\n';
    }
}

LogOutput::LogOutput(const char* szName) : m_strName(szName), m_bEnabled(false) {}

LogOutput::~LogOutput() = default;

bool LogOutput::EnableByName(const char* szName, bool bEnable) {
    if (szName == nullptr || m_strName.size() != std::strlen(szName) ||
        m_strName.compare(szName) != 0) {
        return false;
    }
    m_bEnabled.store(bEnable, std::memory_order_relaxed);
    return true;
}

}  // namespace TarvoFX
