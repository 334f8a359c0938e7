// Sets the log level of one tag of the effect's logging: kString tag name,
// kUInt32 level.
#pragma once

#include <stdint.h>

#include <string>

#include "VTCommands/TaggedFields.h"

namespace TarvoFX {

class CVTCommandSetLogLevel : public CVTTaggedCommand<CVTCommandSetLogLevel> {
public:
    CVTCommandSetLogLevel() = default;
    CVTCommandSetLogLevel(const std::string& strTagName, uint32_t nLevel);

    const std::string& TagName() const { return m_strTagName; }
    uint32_t Level() const { return m_nLevel; }

private:
    friend class CVTTaggedCommand<CVTCommandSetLogLevel>;
    // The fields, in wire order.
    template <typename Self>
    static auto FieldsOf(Self& self) {
        return std::tie(self.m_strTagName, self.m_nLevel);
    }

    std::string m_strTagName;
    uint32_t m_nLevel = 0;
};

}  // namespace TarvoFX
