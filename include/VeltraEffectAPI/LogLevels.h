// The log levels, lowest first, as IVeltraEffectAPI::SetLogLevel takes them
// for a tag: the lower a tag's level, the more of its records are written;
// errors are written whatever the level.
#pragma once

#include <stdint.h>

namespace TarvoFX {

enum LogLevel : int32_t {
    LOG_LEVEL_VERBOSE = 0,
    LOG_LEVEL_DEBUG = 1,
    LOG_LEVEL_INFO = 2,
    LOG_LEVEL_WARNING = 3,
    LOG_LEVEL_ERROR = 4,
};

}  // namespace TarvoFX
