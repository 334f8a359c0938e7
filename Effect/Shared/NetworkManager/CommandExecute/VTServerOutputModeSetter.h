// Sets the output mode (command 14) to the low 16 bits of the record's mode.
#pragma once

#include "NetworkManager/CommandExecute/VTServerExecutor.h"
#include "VeltraEffectAPI/VTServerListeners.h"

namespace TarvoFX {

class VTServerOutputModeSetter
    : public VTServerListenerExecutor<IVTServerOutputModeSetListener, kCommandSetOutputMode> {
public:
    using VTServerListenerExecutor::VTServerListenerExecutor;

protected:
    void Run(IVTServerOutputModeSetListener& listener, CDataAPO& data,
             std::vector<uint8_t>& vecReply) override;
};

}  // namespace TarvoFX
