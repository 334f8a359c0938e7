// Loads a preset file (command 15).
#pragma once

#include "NetworkManager/CommandExecute/VTServerExecutor.h"
#include "VeltraEffectAPI/VTServerListeners.h"

namespace TarvoFX {

class VTServerMpsFileSetter
    : public VTServerListenerExecutor<IVTServerMpsFileSetListener, kCommandLoadPreset> {
public:
    using VTServerListenerExecutor::VTServerListenerExecutor;

protected:
    void Run(IVTServerMpsFileSetListener& listener, CDataAPO& data,
             std::vector<uint8_t>& vecReply) override;
};

}  // namespace TarvoFX
