#include "VTCommands/CVTCommandSetLogOutput.h"

#include <utility>

#include "VTCommands/TaggedFields.h"

namespace TarvoFX {

CVTCommandSetLogOutput::CVTCommandSetLogOutput(const std::string& strOutputName, bool bEnable)
    : m_strOutputName(strOutputName), m_bEnable(bEnable) {}

std::vector<char> CVTCommandSetLogOutput::ToBuffer() const {
    return TaggedFields::Write(m_strOutputName, m_bEnable);
}

bool CVTCommandSetLogOutput::FromBufffer(const void* pBuffer, uint32_t nBufferLen) {
    std::string strOutputName;
    bool bEnable = false;
    if (!TaggedFields::Read(pBuffer, nBufferLen, strOutputName, bEnable)) {
        return false;
    }
    m_strOutputName = std::move(strOutputName);
    m_bEnable = bEnable;
    return true;
}

}  // namespace TarvoFX
