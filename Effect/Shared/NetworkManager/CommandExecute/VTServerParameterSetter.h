// Sets one parameter (command 1).
#pragma once

#include "NetworkManager/CommandExecute/VTServerExecutor.h"
#include "VeltraEffectAPI/VTServerListeners.h"

namespace TarvoFX {

class VTServerParameterSetter
    : public VTServerListenerExecutor<IVTServerParameterSetListener, kCommandSetParameter> {
public:
    using VTServerListenerExecutor::VTServerListenerExecutor;

protected:
    void Run(IVTServerParameterSetListener& listener, CDataAPO& data,
             std::vector<uint8_t>& vecReply) override;
};

}  // namespace TarvoFX
