#include "NetworkManager/CTCPServer.h"

#include <arpa/inet.h>
#include <string.h>
#include <sys/system_properties.h>

#include <string>
#include <utility>

#include "logging/TarvoLog.h"

namespace TarvoFX {

const char* const CTCPServer::s_cszRemoteProperty = "persist.vendor.veltra.tuning.remote";
const char* const CTCPServer::s_cszDebuggableProperty = "ro.debuggable";

namespace {

// The text of a system property; empty when it is unset or empty.
std::string ReadProperty(const char* szName) {
    char szValue[PROP_VALUE_MAX] = {};
    if (__system_property_get(szName, szValue) < 1) {
        return std::string();
    }
    szValue[sizeof(szValue) - 1] = '\0';
    return szValue;
}

// Whether the tuning port may be reached from other hosts, and why.
bool ServesAllInterfaces(std::string& strWhy) {
    const std::string strRemote = ReadProperty(CTCPServer::s_cszRemoteProperty);
    if (strRemote == "1" || strRemote == "0") {
        strWhy = std::string(CTCPServer::s_cszRemoteProperty) + " is \"" + strRemote + "\"";
        return strRemote == "1";
    }
    if (ReadProperty(CTCPServer::s_cszDebuggableProperty) == "1") {
        strWhy = "an engineering build (ro.debuggable is \"1\")";
        return true;
    }
    strWhy = "a consumer build (ro.debuggable is not \"1\"); reach it through adb forward";
    return false;
}

}  // namespace

CTCPServer::CTCPServer(std::shared_ptr<ICommandsParser> pParser, unsigned int nPort)
    : CBaseServer(std::move(pParser)), m_nPort(nPort), m_addr{}, m_bAllInterfaces(false) {}

int CTCPServer::CreateSocket() {
    return socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
}

int CTCPServer::Bind() {
    std::string strWhy;
    const bool bAllInterfaces = ServesAllInterfaces(strWhy);
    {
        CLock lock(m_mutexServer);
        m_bAllInterfaces = bAllInterfaces;
    }
    TARVO_LOGI("Tuning server binds port %u of %s: %s", m_nPort,
               bAllInterfaces ? "every interface" : "127.0.0.1", strWhy.c_str());
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
    m_addr.sin_addr.s_addr = htonl(m_bAllInterfaces ? INADDR_ANY : INADDR_LOOPBACK);
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
