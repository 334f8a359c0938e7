#include "Utils/FileWriter.h"

#include <cerrno>
#include <cstring>
#include <ctime>

#include "logging/TarvoLog.h"

namespace TarvoFX {

FileWriter::FileWriter() : m_pFile(nullptr) {}

FileWriter::~FileWriter() {
    Close();
}

bool FileWriter::Open(const std::string& strPath, const std::string& strMode) {
    Close();
    m_pFile = std::fopen(strPath.c_str(), strMode.c_str());
    if (m_pFile == nullptr) {
        int nError = errno;
        TARVO_DIRECT_LOGE("FileWriter::Open %s fail %s", strPath.c_str(), std::strerror(nError));
        return false;
    }
    return true;
}

void FileWriter::Write(const std::string& strText) {
    if (m_pFile != nullptr) {
        std::fputs(strText.c_str(), m_pFile);
    }
}

void FileWriter::Flush() {
    if (m_pFile != nullptr) {
        std::fflush(m_pFile);
    }
}

void FileWriter::Close() {
    if (m_pFile != nullptr) {
        std::fclose(m_pFile);
        m_pFile = nullptr;
    }
}

std::string FormatLogTime(const timespec& time) {
    struct tm local = {};
    time_t nSeconds = time.tv_sec;
    localtime_r(&nSeconds, &local);
    char szText[1024];
    int nLength = std::snprintf(szText, sizeof(szText), "%02d-%02d %02d:%02d:%02d:%03d",
                                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                                local.tm_sec, static_cast<int>(time.tv_nsec / 1000000));
    return nLength > 0 ? std::string(szText) : std::string();
}

std::string FormatLogTime() {
    timespec now = {};
    clock_gettime(CLOCK_REALTIME, &now);
    return FormatLogTime(now);
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
