// Test and tool control of the host system-property store behind
// __system_property_get. The store starts empty, as a device before boot.
#pragma once

#include <string>

#include "HostPlatform/Export.h"

namespace HostPlatform {

// Sets a property; false (and nothing stored) when the value does not fit the
// platform's 92-byte value buffer with its terminator, or the name is empty.
HOST_PLATFORM_API bool SetSystemProperty(const std::string& strName, const std::string& strValue);
HOST_PLATFORM_API void ClearSystemProperty(const std::string& strName);
HOST_PLATFORM_API void ClearSystemProperties();

}  // namespace HostPlatform
