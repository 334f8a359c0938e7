// Switches one output of the effect's logging: kString output name, kBool enable.
#pragma once

#include <string>

#include "VTCommands/TaggedFields.h"

namespace TarvoFX {

class CVTCommandSetLogOutput : public CVTTaggedCommand<CVTCommandSetLogOutput> {
public:
    CVTCommandSetLogOutput() = default;
    CVTCommandSetLogOutput(const std::string& strOutputName, bool bEnable);

    const std::string& OutputName() const { return m_strOutputName; }
    bool Enable() const { return m_bEnable; }

private:
    friend class CVTTaggedCommand<CVTCommandSetLogOutput>;
    // The fields, in wire order.
    template <typename Self>
    static auto FieldsOf(Self& self) {
        return std::tie(self.m_strOutputName, self.m_bEnable);
    }

    std::string m_strOutputName;
    bool m_bEnable = false;
};

}  // namespace TarvoFX
