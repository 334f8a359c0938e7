#include "Utils/FileWriter.h"

#include <cstdio>

namespace TarvoFX {

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

}  // namespace TarvoFX
