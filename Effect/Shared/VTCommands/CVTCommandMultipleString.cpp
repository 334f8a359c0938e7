#include "VTCommands/CVTCommandMultipleString.h"

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
    return TaggedFields::Read(pBuffer, nBufferLen, m_vecStrings);
}

}  // namespace TarvoFX
