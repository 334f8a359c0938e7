#include "VTCommands/CVTCommandSetLogLevel.h"

#include <utility>

#include "VTCommands/TaggedFields.h"

namespace TarvoFX {

CVTCommandSetLogLevel::CVTCommandSetLogLevel(const std::string& strTagName, uint32_t nLevel)
    : m_strTagName(strTagName), m_nLevel(nLevel) {}

std::vector<char> CVTCommandSetLogLevel::ToBuffer() const {
    return TaggedFields::Write(m_strTagName, m_nLevel);
}

bool CVTCommandSetLogLevel::FromBufffer(const void* pBuffer, uint32_t nBufferLen) {
    std::string strTagName;
    uint32_t nLevel = 0;
    if (!TaggedFields::Read(pBuffer, nBufferLen, strTagName, nLevel)) {
        return false;
    }
    m_strTagName = std::move(strTagName);
    m_nLevel = nLevel;
    return true;
}

}  // namespace TarvoFX
