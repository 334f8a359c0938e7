// The system volume for the effect: one kDouble value.
#pragma once

#include "VTCommands/TaggedFields.h"

namespace TarvoFX {

class CVTCommandSetSystemVolume : public CVTTaggedCommand<CVTCommandSetSystemVolume> {
public:
    CVTCommandSetSystemVolume() = default;
    explicit CVTCommandSetSystemVolume(double dVolume);

    double Volume() const { return m_dVolume; }

private:
    friend class CVTTaggedCommand<CVTCommandSetSystemVolume>;
    // The fields, in wire order.
    template <typename Self>
    static auto FieldsOf(Self& self) {
        return std::tie(self.m_dVolume);
    }

    double m_dVolume = 0.0;
};

}  // namespace TarvoFX
