#pragma once

#include <time.h>

#include <string>

namespace TarvoFX {

// Log record time, local time: "MM-DD hh:mm:ss:mmm".
std::string FormatLogTime(const timespec& time);
std::string FormatLogTime();

}  // namespace TarvoFX
