#include "NetworkManager/CommandExecute/VTServerDumper.h"

namespace TarvoFX {

void VTServerDumper::Run(IVTServerDumpListener& listener, CDataAPO& /*data*/,
                         std::vector<uint8_t>& /*vecReply*/) {
    listener.OnVTServerDump();
}

}  // namespace TarvoFX
