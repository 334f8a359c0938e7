#include <sys/system_properties.h>

#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "HostPlatform/Properties.h"

namespace {

struct PropertyStore {
    std::mutex mutex;
    std::map<std::string, std::string> values;
};

PropertyStore& Store() {
    static PropertyStore store;
    return store;
}

}  // namespace

extern "C" int __system_property_get(const char* name, char* value) {
    if (value == nullptr) {
        return 0;
    }
    value[0] = '\0';
    if (name == nullptr) {
        return 0;
    }
    PropertyStore& store = Store();
    std::lock_guard<std::mutex> lock(store.mutex);
    auto it = store.values.find(name);
    if (it == store.values.end()) {
        return 0;
    }
    // Values are bounded at SetSystemProperty, so the copy always fits.
    std::memcpy(value, it->second.c_str(), it->second.size() + 1);
    return static_cast<int>(it->second.size());
}

namespace HostPlatform {

bool SetSystemProperty(const std::string& strName, const std::string& strValue) {
    if (strName.empty() || strValue.size() >= PROP_VALUE_MAX ||
        strValue.find('\0') != std::string::npos) {
        return false;
    }
    PropertyStore& store = Store();
    std::lock_guard<std::mutex> lock(store.mutex);
    store.values[strName] = strValue;
    return true;
}

void ClearSystemProperty(const std::string& strName) {
    PropertyStore& store = Store();
    std::lock_guard<std::mutex> lock(store.mutex);
    store.values.erase(strName);
}

void ClearSystemProperties() {
    PropertyStore& store = Store();
    std::lock_guard<std::mutex> lock(store.mutex);
    store.values.clear();
}

}  // namespace HostPlatform
