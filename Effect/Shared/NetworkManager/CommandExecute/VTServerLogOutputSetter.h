// Switches a log output (command 27): on only when the flag is exactly 1.
#pragma once

#include "NetworkManager/CommandExecute/VTServerExecutor.h"
#include "VeltraEffectAPI/VTServerListeners.h"

namespace TarvoFX {

class VTServerLogOutputSetter
    : public VTServerListenerExecutor<IVTServerLogOutputSetListener, kCommandSetLogOutput> {
public:
    using VTServerListenerExecutor::VTServerListenerExecutor;

protected:
    void Run(IVTServerLogOutputSetListener& listener, CDataAPO& data,
             std::vector<uint8_t>& vecReply) override;
};

}  // namespace TarvoFX
