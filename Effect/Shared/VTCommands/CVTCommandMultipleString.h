// A list of strings, sent as one kStringVector value (the preset file paths).
#pragma once

#include <string>
#include <vector>

#include "VTCommands/CVTCommandBase.h"

namespace TarvoFX {

class CVTCommandMultipleString : public CVTCommandBase {
public:
    CVTCommandMultipleString();

    void AddString(const std::string& strValue);
    const std::vector<std::string>& Strings() const { return m_vecStrings; }

    std::vector<char> ToBuffer() const override;
    bool FromBufffer(const void* pBuffer, uint32_t nBufferLen) override;

private:
    std::vector<std::string> m_vecStrings;
};

}  // namespace TarvoFX
