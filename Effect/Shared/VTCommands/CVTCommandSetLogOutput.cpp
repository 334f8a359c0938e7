#include "VTCommands/CVTCommandSetLogOutput.h"

namespace TarvoFX {

CVTCommandSetLogOutput::CVTCommandSetLogOutput(const std::string& strOutputName, bool bEnable)
    : m_strOutputName(strOutputName), m_bEnable(bEnable) {}

}  // namespace TarvoFX
