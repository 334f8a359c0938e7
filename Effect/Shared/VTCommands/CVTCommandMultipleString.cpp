#include "VTCommands/CVTCommandMultipleString.h"

#include "logging/TarvoLog.h"

namespace TarvoFX {

CVTCommandMultipleString::CVTCommandMultipleString() {
    TARVO_LOG_ENTRY("TarvoFX::CVTCommandMultipleString::CVTCommandMultipleString()");
}

void CVTCommandMultipleString::AddString(const std::string& strValue) {
    m_vecStrings.push_back(strValue);
}

}  // namespace TarvoFX
