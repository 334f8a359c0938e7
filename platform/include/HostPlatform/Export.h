// Symbols of the host platform libraries that tests and tools may use.
#pragma once

#define HOST_PLATFORM_API __attribute__((visibility("default")))
