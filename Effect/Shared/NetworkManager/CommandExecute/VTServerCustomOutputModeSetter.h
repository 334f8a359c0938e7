// Sets the custom output mode (command 18) from the low 16 bits of both modes.
#pragma once

#include "NetworkManager/CommandExecute/VTServerExecutor.h"
#include "VeltraEffectAPI/VTServerListeners.h"

namespace TarvoFX {

class VTServerCustomOutputModeSetter
    : public VTServerListenerExecutor<IVTServerCustomOutputModeSetListener,
                                      kCommandSetCustomOutputMode> {
public:
    using VTServerListenerExecutor::VTServerListenerExecutor;

protected:
    void Run(IVTServerCustomOutputModeSetListener& listener, CDataAPO& data,
             std::vector<uint8_t>& vecReply) override;
};

}  // namespace TarvoFX
