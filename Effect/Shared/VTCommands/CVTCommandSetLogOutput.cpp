#include "VTCommands/CVTCommandSetLogOutput.h"

#include "VTCommands/TaggedFields.h"

namespace TarvoFX {

CVTCommandSetLogOutput::CVTCommandSetLogOutput(const std::string& strOutputName, bool bEnable)
    : m_strOutputName(strOutputName), m_bEnable(bEnable) {}

std::vector<char> CVTCommandSetLogOutput::ToBuffer() const {
    return TaggedFields::Write(m_strOutputName, m_bEnable);
}

bool CVTCommandSetLogOutput::FromBufffer(const void* pBuffer, uint32_t nBufferLen) {
    return TaggedFields::Read(pBuffer, nBufferLen, m_strOutputName, m_bEnable);
}

}  // namespace TarvoFX
