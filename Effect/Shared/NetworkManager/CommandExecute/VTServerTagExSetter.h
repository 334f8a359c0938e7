// Sets tag masks for an output mode and sound mode (command 22); the masks
// reach the listener as signed 16-bit values.
#pragma once

#include "NetworkManager/CommandExecute/VTServerExecutor.h"
#include "VeltraEffectAPI/VTServerListeners.h"

namespace TarvoFX {

class VTServerTagExSetter
    : public VTServerListenerExecutor<IVTServerTagExSetListener, kCommandSetTagEx> {
public:
    using VTServerListenerExecutor::VTServerListenerExecutor;

protected:
    void Run(IVTServerTagExSetListener& listener, CDataAPO& data,
             std::vector<uint8_t>& vecReply) override;
};

}  // namespace TarvoFX
