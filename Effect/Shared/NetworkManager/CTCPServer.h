// The tuning server's socket layer over IPv4 TCP, listening on one port of
// the loopback interface, or of every interface where the device allows it:
//  - "persist.vendor.veltra.tuning.remote" at "1": every interface, at "0":
//    loopback, whatever the build (the device maker's switch);
//  - else "ro.debuggable" at "1" (an engineering build): every interface;
//  - else (a consumer build): loopback only, reached from a desk through
//    "adb forward tcp:N tcp:N".
// The properties are read each time the socket is bound.
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

    static const char* const s_cszRemoteProperty;
    static const char* const s_cszDebuggableProperty;

    int CreateSocket() override;
    // Chooses the address (see above), says which and why in an info record,
    // and binds to it.
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
    bool m_bAllInterfaces;
};

}  // namespace TarvoFX
