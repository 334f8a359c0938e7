// Host stand-in for the bionic system-property reader.
#pragma once

#define PROP_NAME_MAX 32
#define PROP_VALUE_MAX 92

#ifdef __cplusplus
extern "C" {
#endif

// Copies the value of property |name| into |value| (at least PROP_VALUE_MAX
// bytes), zero-terminated, and returns its length; an unset property yields
// the empty text and 0.
__attribute__((visibility("default"))) int __system_property_get(const char* name, char* value);

#ifdef __cplusplus
}
#endif
