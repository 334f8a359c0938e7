#include "Utils/FileWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "logging/TarvoLog.h"

namespace TarvoFX {

FileWriter::FileWriter()
    : m_pFile(nullptr), m_nFileSize(0), m_nSizeBound(0), m_nBuffered(0), m_nBufferSize(0) {}

FileWriter::~FileWriter() {
    Close();
}

namespace {

// open's flags for an fopen mode, or -1 for a mode fopen would refuse.
int OpenFlags(const std::string& strMode) {
    const bool bBoth = strMode.find('+') != std::string::npos;
    switch (strMode.empty() ? '\0' : strMode[0]) {
        case 'r':
            return bBoth ? O_RDWR : O_RDONLY;
        case 'w':
            return (bBoth ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
        case 'a':
            return (bBoth ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
        default:
            return -1;
    }
}

}  // namespace

bool FileWriter::Open(const std::string& strPath, const std::string& strMode) {
    Close();
    const int nFlags = OpenFlags(strMode);
    if (nFlags < 0) {
        TARVO_DIRECT_LOGE("FileWriter::Open %s fail %s", strPath.c_str(), std::strerror(EINVAL));
        return false;
    }
    const int nFD =
        open(strPath.c_str(), nFlags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
    if (nFD < 0) {
        const int nError = errno;
        TARVO_DIRECT_LOGE("FileWriter::Open %s fail %s", strPath.c_str(),
                          nError == ELOOP ? "it is a symbolic link" : std::strerror(nError));
        return false;
    }
    struct stat status {};
    if (fstat(nFD, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(nFD);
        TARVO_DIRECT_LOGE("FileWriter::Open %s fail %s", strPath.c_str(),
                          "it is not a regular file");
        return false;
    }
    m_pFile = fdopen(nFD, strMode.c_str());
    if (m_pFile == nullptr) {
        const int nError = errno;
        close(nFD);
        TARVO_DIRECT_LOGE("FileWriter::Open %s fail %s", strPath.c_str(), std::strerror(nError));
        return false;
    }
    if (!m_pBuffer) {
        m_pBuffer.reset(new char[BUFFER_SIZE]);
    }
    // Without a buffer of known size every text is flushed on its own.
    m_nBufferSize =
        std::setvbuf(m_pFile, m_pBuffer.get(), _IOFBF, BUFFER_SIZE) == 0 ? BUFFER_SIZE : 0;
    m_nBuffered = 0;
    m_strPath = strPath;
    m_strMode = strMode;
    m_nFileSize = static_cast<size_t>(status.st_size);
    return true;
}

void FileWriter::StartNewFile() {
    Flush();
    // Another writer of the same path (the other library of the process) may
    // have started the new file already: then this one only moves to it.
    struct stat byPath {};
    struct stat byHandle {};
    const bool bStillThePath = stat(m_strPath.c_str(), &byPath) == 0 &&
                               fstat(fileno(m_pFile), &byHandle) == 0 &&
                               byPath.st_dev == byHandle.st_dev && byPath.st_ino == byHandle.st_ino;
    if (bStillThePath && rename(m_strPath.c_str(), (m_strPath + ".1").c_str()) != 0) {
        // The folder does not let the file be renamed: it starts again
        // empty rather than grow past the bound.
        const int nError = errno;
        TARVO_DIRECT_LOGE("FileWriter rename of %s fail %s, emptying it", m_strPath.c_str(),
                          std::strerror(nError));
        if (ftruncate(fileno(m_pFile), 0) == 0) {
            m_nFileSize = 0;
            return;
        }
    }
    const std::string strPath = m_strPath;
    const std::string strMode = m_strMode;
    Open(strPath, strMode);
}

void FileWriter::Write(const std::string& strText) {
    // As fputs would, up to the first zero byte.
    Write(strText.c_str(), std::strlen(strText.c_str()));
}

void FileWriter::Write(const char* pText, size_t nLength) {
    if (m_pFile == nullptr) {
        return;
    }
    if (m_nSizeBound != 0 && m_nFileSize != 0 && m_nFileSize + nLength > m_nSizeBound) {
        StartNewFile();
        if (m_pFile == nullptr) {
            return;
        }
    }
    m_nFileSize += nLength;
    if (m_nBuffered != 0 && m_nBuffered + nLength > m_nBufferSize) {
        Flush();
    }
    std::fwrite(pText, 1, nLength, m_pFile);
    m_nBuffered += nLength;
    // What does not fit the buffer leaves it in pieces anyway; it takes the
    // rest of the buffer with it, so that the count starts afresh.
    if (m_nBuffered > m_nBufferSize) {
        Flush();
    }
}

void FileWriter::Flush() {
    if (m_pFile != nullptr) {
        std::fflush(m_pFile);
        m_nBuffered = 0;
    }
}

void FileWriter::Close() {
    if (m_pFile != nullptr) {
        std::fclose(m_pFile);
        m_pFile = nullptr;
        m_nBuffered = 0;
        m_nFileSize = 0;
    }
}

namespace {

// "MM-DD hh:mm:ss:mmm"
constexpr size_t kLogTimeLength = 18;

// Writes nValue (0 to 10^nWidth - 1) as nWidth digits with leading zeros.
void PutDigits(char* pText, int nWidth, int nValue) {
    for (int nIndex = nWidth - 1; nIndex >= 0; --nIndex) {
        pText[nIndex] = static_cast<char>('0' + nValue % 10);
        nValue /= 10;
    }
}

// The local time zone as the C library last set it up: what tzset (and
// everything that calls it) changes.
struct SZoneState {
    const char* szStandard;
    const char* szDaylight;
    long nOffset;
    int nDaylight;
    bool operator==(const SZoneState& other) const {
        return szStandard == other.szStandard && szDaylight == other.szDaylight &&
               nOffset == other.nOffset && nDaylight == other.nDaylight;
    }
};

SZoneState CurrentZone() {
    return {tzname[0], tzname[1], static_cast<long>(timezone), daylight};
}

// "MM-DD hh:mm:ss" of the last second this thread rendered. Records come many
// to a second, and converting the seconds to local time costs more than the
// rest of the record's time text together; the text is taken again as long as
// the second and the time zone are the same.
struct SSecondText {
    bool bValid = false;
    time_t nSeconds = 0;
    SZoneState zone = {};
    char szText[15] = {};
};

thread_local SSecondText t_lastSecond;

}  // namespace

// Every record of the stream and file outputs carries this text, so fields in
// their usual ranges are written digit by digit; anything else (an invalid
// time) goes through snprintf, which renders it the same way.
LogTimeText RenderLogTime(const timespec& time) {
    LogTimeText text;
    const int nMilliseconds = static_cast<int>(time.tv_nsec / 1000000);
    SSecondText& last = t_lastSecond;
    if (last.bValid && last.nSeconds == time.tv_sec && nMilliseconds >= 0 && nMilliseconds <= 999 &&
        last.zone == CurrentZone()) {
        std::memcpy(text.szText, last.szText, sizeof(last.szText));
        PutDigits(text.szText + 15, 3, nMilliseconds);
        text.nLength = kLogTimeLength;
        return text;
    }
    struct tm local = {};
    time_t nSeconds = time.tv_sec;
    localtime_r(&nSeconds, &local);
    const int anFields[] = {local.tm_mon + 1, local.tm_mday, local.tm_hour,
                            local.tm_min,     local.tm_sec,  nMilliseconds};
    bool bUsualRanges = anFields[5] >= 0 && anFields[5] <= 999;
    for (int nIndex = 0; nIndex < 5; ++nIndex) {
        bUsualRanges = bUsualRanges && anFields[nIndex] >= 0 && anFields[nIndex] <= 99;
    }
    if (bUsualRanges) {
        std::memcpy(text.szText, "MM-DD hh:mm:ss:mmm", kLogTimeLength + 1);
        PutDigits(text.szText, 2, anFields[0]);
        PutDigits(text.szText + 3, 2, anFields[1]);
        PutDigits(text.szText + 6, 2, anFields[2]);
        PutDigits(text.szText + 9, 2, anFields[3]);
        PutDigits(text.szText + 12, 2, anFields[4]);
        PutDigits(text.szText + 15, 3, anFields[5]);
        // localtime_r has set the zone up by now.
        last.bValid = true;
        last.nSeconds = time.tv_sec;
        last.zone = CurrentZone();
        std::memcpy(last.szText, text.szText, sizeof(last.szText));
        text.nLength = kLogTimeLength;
        return text;
    }
    const int nLength =
        std::snprintf(text.szText, sizeof(text.szText), "%02d-%02d %02d:%02d:%02d:%03d",
                      anFields[0], anFields[1], anFields[2], anFields[3], anFields[4], anFields[5]);
    text.nLength = nLength > 0 ? std::strlen(text.szText) : 0;
    return text;
}

LogTimeText RenderLogTime() {
    timespec now = {};
    clock_gettime(CLOCK_REALTIME, &now);
    return RenderLogTime(now);
}

std::string FormatLogTime(const timespec& time) {
    return std::string(RenderLogTime(time).View());
}

std::string FormatLogTime() {
    return std::string(RenderLogTime().View());
}

std::string FormatFileNameTime(time_t nTime) {
    struct tm local = {};
    localtime_r(&nTime, &local);
    char szText[1024];
    size_t nLength = std::strftime(szText, sizeof(szText), "_%Y%m%d%H%M%S_", &local);
    return std::string(szText, nLength);
}

std::string FormatFileNameTime() {
    timespec now = {};
    clock_gettime(CLOCK_REALTIME, &now);
    return FormatFileNameTime(now.tv_sec);
}

}  // namespace TarvoFX
