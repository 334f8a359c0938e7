// A list of strings, sent as one kStringVector value (the preset file paths).
#pragma once

#include <string>
#include <vector>

#include "VTCommands/TaggedFields.h"

namespace TarvoFX {

class CVTCommandMultipleString : public CVTTaggedCommand<CVTCommandMultipleString> {
public:
    CVTCommandMultipleString();

    void AddString(const std::string& strValue);
    const std::vector<std::string>& Strings() const { return m_vecStrings; }

private:
    friend class CVTTaggedCommand<CVTCommandMultipleString>;
    // The fields, in wire order.
    template <typename Self>
    static auto FieldsOf(Self& self) {
        return std::tie(self.m_vecStrings);
    }

    std::vector<std::string> m_vecStrings;
};

}  // namespace TarvoFX
