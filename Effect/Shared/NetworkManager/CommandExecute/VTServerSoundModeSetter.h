// Sets the sound mode (command 12) to the low 16 bits of the record's mode.
#pragma once

#include "NetworkManager/CommandExecute/VTServerExecutor.h"
#include "VeltraEffectAPI/VTServerListeners.h"

namespace TarvoFX {

class VTServerSoundModeSetter
    : public VTServerListenerExecutor<IVTServerSoundModeSetListener, kCommandSetSoundMode> {
public:
    using VTServerListenerExecutor::VTServerListenerExecutor;

protected:
    void Run(IVTServerSoundModeSetListener& listener, CDataAPO& data,
             std::vector<uint8_t>& vecReply) override;
};

}  // namespace TarvoFX
