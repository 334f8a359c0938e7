// Answers a parameter-array query (command 11) with the ids the listener
// knows, in the dialect of the request; nothing when it refuses or knows none.
#pragma once

#include "NetworkManager/CommandExecute/VTServerExecutor.h"
#include "VeltraEffectAPI/VTServerListeners.h"

namespace TarvoFX {

class VTServerParameterArrayGetter
    : public VTServerListenerExecutor<IVTServerParameterArrayGetListener,
                                      kCommandRequestParameterArray> {
public:
    using VTServerListenerExecutor::VTServerListenerExecutor;

protected:
    void Run(IVTServerParameterArrayGetListener& listener, CDataAPO& data,
             std::vector<uint8_t>& vecReply) override;
};

}  // namespace TarvoFX
