// One command taken from a client: the socket it came from and its record.
#pragma once

#include "NetworkManager/CDataAPO.h"

namespace TarvoFX {

struct CDataSocket {
    // The client socket the command came from; 0 when there is no command.
    int m_nSocket = 0;
    // The parsed command, or null. Whoever receives it releases it.
    CDataAPO* m_pData = nullptr;
};

}  // namespace TarvoFX
