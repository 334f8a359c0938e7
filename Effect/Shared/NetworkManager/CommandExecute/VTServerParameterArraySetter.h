// Sets the pairs of a parameter array (command 3); the listener's result is not used.
#pragma once

#include "NetworkManager/CommandExecute/VTServerExecutor.h"
#include "VeltraEffectAPI/VTServerListeners.h"

namespace TarvoFX {

class VTServerParameterArraySetter
    : public VTServerListenerExecutor<IVTServerParameterArraySetListener,
                                      kCommandSetParameterArray> {
public:
    using VTServerListenerExecutor::VTServerListenerExecutor;

protected:
    void Run(IVTServerParameterArraySetListener& listener, CDataAPO& data,
             std::vector<uint8_t>& vecReply) override;
};

}  // namespace TarvoFX
