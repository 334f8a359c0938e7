// Switches recording (command 13): status 1 on with the path prefix, any
// other status off.
#pragma once

#include "NetworkManager/CommandExecute/VTServerExecutor.h"
#include "VeltraEffectAPI/VTServerListeners.h"

namespace TarvoFX {

class VTServerRecordingSetter
    : public VTServerListenerExecutor<IVTServerRecordingListener, kCommandSetRecording> {
public:
    using VTServerListenerExecutor::VTServerListenerExecutor;

protected:
    void Run(IVTServerRecordingListener& listener, CDataAPO& data,
             std::vector<uint8_t>& vecReply) override;
};

}  // namespace TarvoFX
