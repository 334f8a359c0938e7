#include "VTCommands/CVTCommandSetLogLevel.h"

namespace TarvoFX {

CVTCommandSetLogLevel::CVTCommandSetLogLevel(const std::string& strTagName, uint32_t nLevel)
    : m_strTagName(strTagName), m_nLevel(nLevel) {}

}  // namespace TarvoFX
