// The system volume for the effect: one kDouble value.
#pragma once

#include "VTCommands/CVTCommandBase.h"

namespace TarvoFX {

class CVTCommandSetSystemVolume : public CVTCommandBase {
public:
    CVTCommandSetSystemVolume() = default;
    explicit CVTCommandSetSystemVolume(double dVolume);

    double Volume() const { return m_dVolume; }

    std::vector<char> ToBuffer() const override;
    bool FromBufffer(const void* pBuffer, uint32_t nBufferLen) override;

private:
    double m_dVolume = 0.0;
};

}  // namespace TarvoFX
