#include "NetworkManager/CommandExecute/VTServerTagExSetter.h"

namespace TarvoFX {

void VTServerTagExSetter::Run(IVTServerTagExSetListener& listener, CDataAPO& data,
                              std::vector<uint8_t>& /*vecReply*/) {
    listener.OnVTServerTagExSet(data.nOutputMode, data.nSoundMode,
                                static_cast<int16_t>(data.nTagDisable & 0xFFFF),
                                static_cast<int16_t>(data.nTagEnable & 0xFFFF));
}

}  // namespace TarvoFX
