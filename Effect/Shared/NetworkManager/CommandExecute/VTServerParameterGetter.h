// Answers a parameter query (command 10) with the 16-byte parameter reply,
// or with nothing when the listener refuses.
#pragma once

#include "NetworkManager/CommandExecute/VTServerExecutor.h"
#include "VeltraEffectAPI/VTServerListeners.h"

namespace TarvoFX {

class VTServerParameterGetter
    : public VTServerListenerExecutor<IVTServerParameterGetListener, kCommandRequestParameter> {
public:
    using VTServerListenerExecutor::VTServerListenerExecutor;

protected:
    void Run(IVTServerParameterGetListener& listener, CDataAPO& data,
             std::vector<uint8_t>& vecReply) override;
};

}  // namespace TarvoFX
