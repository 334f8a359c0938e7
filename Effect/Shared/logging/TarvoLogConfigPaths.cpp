// Where the configuration loader of TarvoLogImpl looks for the logging
// configuration file, in order. Kept apart from the loader so that a build can
// point the paths elsewhere by compiling this file alone.
#include "logging/TarvoLogImpl.h"

// Folder that stands for the file system root when looking for the
// configuration files. Empty on the device; builds for other hosts point it
// into their own tree so that nothing reads or writes /vendor or /system.
#ifndef VELTRA_CONFIG_ROOT
#define VELTRA_CONFIG_ROOT ""
#endif

namespace TarvoFX {

const char* const TarvoLogImpl::s_caszConfigFilePaths[CONFIG_FILE_COUNT] = {
    VELTRA_CONFIG_ROOT "/vendor/etc/velt_conf.ini",
    VELTRA_CONFIG_ROOT "/system/etc/velt_conf.ini",
};

}  // namespace TarvoFX
