#include "NetworkManager/CTCPServer.h"

#include <arpa/inet.h>
#include <string.h>

#include <utility>

#include "logging/TarvoLog.h"

namespace TarvoFX {

CTCPServer::CTCPServer(std::shared_ptr<ICommandsParser> pParser, unsigned int nPort)
    : CBaseServer(std::move(pParser)), m_nPort(nPort), m_addr{} {}

int CTCPServer::CreateSocket() {
    return socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
}

int CTCPServer::Bind() {
    return bind(m_nListenSocket, reinterpret_cast<const sockaddr*>(GetSocketAddr()),
                GetSocketAddrLen());
}

void CTCPServer::SetListenPort(int nPort) {
    TARVO_LOGD("CTCPServer::SetListenPort %d", nPort);
    CLock lock(m_mutexServer);
    m_nPort = static_cast<uint32_t>(nPort);
}

sockaddr_in* CTCPServer::GetSocketAddr() {
    CLock lock(m_mutexServer);
    memset(&m_addr, 0, sizeof(m_addr));
    m_addr.sin_family = AF_INET;
    m_addr.sin_port = htons(static_cast<uint16_t>(m_nPort));
    m_addr.sin_addr.s_addr = htonl(INADDR_ANY);
    return &m_addr;
}

socklen_t CTCPServer::GetSocketAddrLen() {
    return sizeof(sockaddr_in);
}

int CTCPServer::GetBoundPort() {
    CLock lock(m_mutexServer);
    if (!m_bListening) {
        return 0;
    }
    sockaddr_in addr{};
    socklen_t nLength = sizeof(addr);
    if (getsockname(m_nListenSocket, reinterpret_cast<sockaddr*>(&addr), &nLength) != 0) {
        return 0;
    }
    return ntohs(addr.sin_port);
}

}  // namespace TarvoFX
