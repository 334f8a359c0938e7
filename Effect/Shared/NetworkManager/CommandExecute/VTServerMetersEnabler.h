// Switches the meters on (command 25).
#pragma once

#include "NetworkManager/CommandExecute/VTServerExecutor.h"
#include "NetworkManager/CommandExecute/VTServerListeners.h"

namespace TarvoFX {

class VTServerMetersEnabler
    : public VTServerListenerExecutor<IVTServerMetersListener, kCommandMetersEnable> {
public:
    using VTServerListenerExecutor::VTServerListenerExecutor;

protected:
    void Run(IVTServerMetersListener& listener, CDataAPO& data,
             std::vector<uint8_t>& vecReply) override;
};

}  // namespace TarvoFX
