#include "VTCommands/CVTCommandSetSystemVolume.h"

#include "VTCommands/TaggedFields.h"

namespace TarvoFX {

CVTCommandSetSystemVolume::CVTCommandSetSystemVolume(double dVolume) : m_dVolume(dVolume) {}

std::vector<char> CVTCommandSetSystemVolume::ToBuffer() const {
    return TaggedFields::Write(m_dVolume);
}

bool CVTCommandSetSystemVolume::FromBufffer(const void* pBuffer, uint32_t nBufferLen) {
    double dVolume = 0.0;
    if (!TaggedFields::Read(pBuffer, nBufferLen, dVolume)) {
        return false;
    }
    m_dVolume = dVolume;
    return true;
}

}  // namespace TarvoFX
