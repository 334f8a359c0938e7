// The tuning server's socket layer over IPv4 TCP, listening on one port of
// every interface.
#pragma once

#include <netinet/in.h>
#include <stdint.h>
#include <sys/socket.h>

#include <memory>

#include "NetworkManager/CBaseServer.h"

namespace TarvoFX {

class CTCPServer : public CBaseServer {
public:
    CTCPServer(std::shared_ptr<ICommandsParser> pParser, unsigned int nPort);

    int CreateSocket() override;
    int Bind() override;
    // Takes effect at the next Listen.
    virtual void SetListenPort(int nPort);
    virtual sockaddr_in* GetSocketAddr();
    virtual socklen_t GetSocketAddrLen();

    // The port the listening socket is bound to (the system's choice when
    // port 0 was asked for), or 0 when the server is not listening.
    int GetBoundPort();

private:
    uint32_t m_nPort;
    sockaddr_in m_addr;
};

}  // namespace TarvoFX
