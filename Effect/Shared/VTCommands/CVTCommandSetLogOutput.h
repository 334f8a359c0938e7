// Switches one output of the effect's logging: kString output name, kBool enable.
#pragma once

#include <string>

#include "VTCommands/CVTCommandBase.h"

namespace TarvoFX {

class CVTCommandSetLogOutput : public CVTCommandBase {
public:
    CVTCommandSetLogOutput() = default;
    CVTCommandSetLogOutput(const std::string& strOutputName, bool bEnable);

    const std::string& OutputName() const { return m_strOutputName; }
    bool Enable() const { return m_bEnable; }

    std::vector<char> ToBuffer() const override;
    bool FromBufffer(const void* pBuffer, uint32_t nBufferLen) override;

private:
    std::string m_strOutputName;
    bool m_bEnable = false;
};

}  // namespace TarvoFX
