#include "VTCommands/CVTCommandSetSystemVolume.h"

#include "VTCommands/TaggedFields.h"

namespace TarvoFX {

CVTCommandSetSystemVolume::CVTCommandSetSystemVolume(double dVolume) : m_dVolume(dVolume) {}

std::vector<char> CVTCommandSetSystemVolume::ToBuffer() const {
    return TaggedFields::Write(m_dVolume);
}

bool CVTCommandSetSystemVolume::FromBufffer(const void* pBuffer, uint32_t nBufferLen) {
    return TaggedFields::Read(pBuffer, nBufferLen, m_dVolume);
}

}  // namespace TarvoFX
