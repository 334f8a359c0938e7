// Switches the meters off (command 26).
#pragma once

#include "NetworkManager/CommandExecute/VTServerExecutor.h"
#include "NetworkManager/CommandExecute/VTServerListeners.h"

namespace TarvoFX {

class VTServerMetersDisabler
    : public VTServerListenerExecutor<IVTServerMetersListener, kCommandMetersDisable> {
public:
    using VTServerListenerExecutor::VTServerListenerExecutor;

protected:
    void Run(IVTServerMetersListener& listener, CDataAPO& data,
             std::vector<uint8_t>& vecReply) override;
};

}  // namespace TarvoFX
