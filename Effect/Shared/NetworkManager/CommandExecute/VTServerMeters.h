// Switch the meters on (command 25) and off (command 26) through the one
// meters listener.
#pragma once

#include "NetworkManager/CommandExecute/VTServerExecutor.h"
#include "VeltraEffectAPI/VTServerListeners.h"

namespace TarvoFX {

template <int32_t nCommandType, bool bEnable>
class VTServerMetersSwitch
    : public VTServerListenerExecutor<IVTServerMetersListener, nCommandType> {
public:
    using VTServerListenerExecutor<IVTServerMetersListener, nCommandType>::VTServerListenerExecutor;

protected:
    void Run(IVTServerMetersListener& listener, CDataAPO& /*data*/,
             std::vector<uint8_t>& /*vecReply*/) override {
        listener.OnVTServerMetersEnabled(bEnable);
    }
};

class VTServerMetersEnabler : public VTServerMetersSwitch<kCommandMetersEnable, true> {
public:
    using VTServerMetersSwitch::VTServerMetersSwitch;
};

class VTServerMetersDisabler : public VTServerMetersSwitch<kCommandMetersDisable, false> {
public:
    using VTServerMetersSwitch::VTServerMetersSwitch;
};

}  // namespace TarvoFX
