#include "VTCommands/CVTCommandSetSystemVolume.h"

namespace TarvoFX {

CVTCommandSetSystemVolume::CVTCommandSetSystemVolume(double dVolume) : m_dVolume(dVolume) {}

}  // namespace TarvoFX
