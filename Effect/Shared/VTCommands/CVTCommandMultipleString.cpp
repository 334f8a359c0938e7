#include "VTCommands/CVTCommandMultipleString.h"

#include <utility>

#include "VTCommands/TaggedFields.h"
#include "logging/TarvoLog.h"

namespace TarvoFX {

CVTCommandMultipleString::CVTCommandMultipleString() {
    TARVO_LOG_ENTRY("TarvoFX::CVTCommandMultipleString::CVTCommandMultipleString()");
}

void CVTCommandMultipleString::AddString(const std::string& strValue) {
    m_vecStrings.push_back(strValue);
}

std::vector<char> CVTCommandMultipleString::ToBuffer() const {
    return TaggedFields::Write(m_vecStrings);
}

bool CVTCommandMultipleString::FromBufffer(const void* pBuffer, uint32_t nBufferLen) {
    std::vector<std::string> vecStrings;
    if (!TaggedFields::Read(pBuffer, nBufferLen, vecStrings)) {
        return false;
    }
    m_vecStrings = std::move(vecStrings);
    return true;
}

}  // namespace TarvoFX
