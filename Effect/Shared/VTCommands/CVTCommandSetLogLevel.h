// Sets the log level of one tag of the effect's logging: kString tag name, kUInt32 level.
#pragma once

#include <stdint.h>

#include <string>

#include "VTCommands/CVTCommandBase.h"

namespace TarvoFX {

class CVTCommandSetLogLevel : public CVTCommandBase {
public:
    CVTCommandSetLogLevel() = default;
    CVTCommandSetLogLevel(const std::string& strTagName, uint32_t nLevel);

    const std::string& TagName() const { return m_strTagName; }
    uint32_t Level() const { return m_nLevel; }

    std::vector<char> ToBuffer() const override;
    bool FromBufffer(const void* pBuffer, uint32_t nBufferLen) override;

private:
    std::string m_strTagName;
    uint32_t m_nLevel = 0;
};

}  // namespace TarvoFX
