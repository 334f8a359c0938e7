// Passes the system volume on (command 28).
#pragma once

#include "NetworkManager/CommandExecute/VTServerExecutor.h"
#include "VeltraEffectAPI/VTServerListeners.h"

namespace TarvoFX {

class VTServerSystemVolumeSetter
    : public VTServerListenerExecutor<IVTServerSystemVolumeSetListener, kCommandSetSystemVolume> {
public:
    using VTServerListenerExecutor::VTServerListenerExecutor;

protected:
    void Run(IVTServerSystemVolumeSetListener& listener, CDataAPO& data,
             std::vector<uint8_t>& vecReply) override;
};

}  // namespace TarvoFX
