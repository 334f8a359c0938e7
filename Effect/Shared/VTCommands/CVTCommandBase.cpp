#include "VTCommands/CVTCommandBase.h"

namespace TarvoFX {

CVTCommandBase::~CVTCommandBase() = default;

}  // namespace TarvoFX
