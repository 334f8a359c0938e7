#include "VTCommands/CVTCommandSetLogLevel.h"

#include "VTCommands/TaggedFields.h"

namespace TarvoFX {

CVTCommandSetLogLevel::CVTCommandSetLogLevel(const std::string& strTagName, uint32_t nLevel)
    : m_strTagName(strTagName), m_nLevel(nLevel) {}

std::vector<char> CVTCommandSetLogLevel::ToBuffer() const {
    return TaggedFields::Write(m_strTagName, m_nLevel);
}

bool CVTCommandSetLogLevel::FromBufffer(const void* pBuffer, uint32_t nBufferLen) {
    return TaggedFields::Read(pBuffer, nBufferLen, m_strTagName, m_nLevel);
}

}  // namespace TarvoFX
