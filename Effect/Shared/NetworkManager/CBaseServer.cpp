// The server's life and the commands it hands out: construction, listening,
// closing and tearing down, taking each client's next command in its turn,
// and sending replies. Accepting connections and receiving their input is
// CBaseServerConnections.cpp.
#include "NetworkManager/CBaseServer.h"

#include <errno.h>
#include <limits.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "logging/TarvoLog.h"

namespace TarvoFX {

namespace {

// Pending connections the listening socket queues: as many as the system
// allows (the kernel caps the request at its configured maximum), so that a
// burst of connections is queued and accepted rather than dropped or left to
// SYN cookies.
constexpr int kListenBacklog = INT_MAX;

void InitRecursiveMutex(pthread_mutex_t& mutex) {
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
    pthread_mutex_init(&mutex, &attr);
    pthread_mutexattr_destroy(&attr);
}

}  // namespace

CBaseServer::CBaseServer(std::shared_ptr<ICommandsParser> pParser)
    : m_nListenSocket(-1),
      m_nMaxFD(-1),
      m_pParser(std::move(pParser)),
      m_bListening(false),
      m_bAcceptPaused(false),
      m_bInputWaiting(false),
      m_nActivityClock(0),
      m_fnClock(&std::chrono::steady_clock::now) {
    FD_ZERO(&m_fdsMaster);
    InitRecursiveMutex(m_mutexServer);
    InitRecursiveMutex(m_mutexWait);
}

CBaseServer::~CBaseServer() {
    Close();
    // A socket layer that stopped by itself has closed its sockets already;
    // the client entries go with the map.
    pthread_mutex_destroy(&m_mutexWait);
    pthread_mutex_destroy(&m_mutexServer);
}

bool CBaseServer::Listen() {
    CLock lock(m_mutexServer);
    if (m_bListening) {
        TARVO_LOGE("server enabled already, please call Close before Lister");
        return false;
    }
    m_nListenSocket = CreateSocket();
    if (m_nListenSocket < 0) {
        const int nError = errno;
        TARVO_LOGE("socket %d error: %s", m_nListenSocket, strerror(nError));
        m_nListenSocket = -1;
        return false;
    }
    // select cannot watch a descriptor number at or above FD_SETSIZE.
    if (m_nListenSocket >= FD_SETSIZE) {
        TARVO_LOGE("socket %d is beyond the %d descriptors select can watch", m_nListenSocket,
                   FD_SETSIZE);
        CloseListenSocket();
        return false;
    }
    const char* szFailed = nullptr;
    int nOn = 1;
    if (setsockopt(m_nListenSocket, SOL_SOCKET, SO_REUSEADDR, &nOn, sizeof(nOn)) != 0) {
        szFailed = "setsockopt %d error: %s";
    } else if (ioctl(m_nListenSocket, FIONBIO, &nOn) != 0) {
        szFailed = "ioctl %d error: %s";
    } else if (Bind() < 0) {
        szFailed = "bind %d error: %s";
    } else if (listen(m_nListenSocket, kListenBacklog) != 0) {
        szFailed = "listen %d error: %s";
    }
    if (szFailed != nullptr) {
        const int nError = errno;
        TARVO_LOGD(szFailed, m_nListenSocket, strerror(nError));
        CloseListenSocket();
        return false;
    }
    FD_ZERO(&m_fdsMaster);
    m_nMaxFD = m_nListenSocket;
    FD_SET(m_nListenSocket, &m_fdsMaster);
    m_bAcceptPaused = false;
    m_tRound = m_fnClock();
    m_bListening = true;
    TARVO_LOGD("server is now listening");
    return true;
}

void CBaseServer::Close() {
    if (!IsListening()) {
        TARVO_LOGD("server already closed");
        return;
    }
    {
        CLock lock(m_mutexServer);
        m_bListening = false;
        // Wakes the select of a waiting WaitOnCommand.
        if (m_nListenSocket >= 0) {
            shutdown(m_nListenSocket, SHUT_RDWR);
        }
    }
    CLock lockWait(m_mutexWait);
    CLock lock(m_mutexServer);
    ShutDownClientSockets();
    CloseListenSocket();
}

CDataSocket CBaseServer::WaitOnCommand() {
    CLock lockWait(m_mutexWait);
    CDataSocket dataSocket;
    // Buffered input is parsed before waiting for more.
    while (IsListening()) {
        if (ParseData(dataSocket)) {
            break;
        }
        WaitForData();
    }
    return dataSocket;
}

bool CBaseServer::IsListening() {
    return m_bListening;
}

void CBaseServer::Send(int nSocket, const char* pData, unsigned int nLength) {
    CLock lock(m_mutexServer);
    if (!m_bListening) {
        TARVO_LOGE("Cannot send data, server is down");
        return;
    }
    // A number that is no client's (any more) may be any other descriptor
    // of the process by now.
    if (m_mapClients.count(nSocket) == 0) {
        TARVO_LOGE("Cannot send data, %d is not a connected client", nSocket);
        return;
    }
    // Never blocks the server thread on a client that does not read its
    // replies, and a peer that has gone away raises no SIGPIPE.
    const ssize_t nSent = send(nSocket, pData, nLength, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (nSent == static_cast<ssize_t>(nLength)) {
        return;
    }
    const int nError = errno;
    if (nSent >= 0 || nError == EAGAIN || nError == EWOULDBLOCK) {
        // A reply cut short would leave the client's stream out of step.
        TARVO_LOGE("Client %d does not read its replies (%d of %u bytes sent), closing it", nSocket,
                   static_cast<int>(std::max<ssize_t>(nSent, 0)), nLength);
    }
    shutdown(nSocket, SHUT_RDWR);
    QueueForClosing(nSocket);
}

void CBaseServer::SendToAllSockets(const char* pData, unsigned int nLength) {
    CLock lock(m_mutexServer);
    if (!m_bListening) {
        return;
    }
    std::vector<int> vecSockets;
    for (const auto& client : m_mapClients) {
        vecSockets.push_back(client.first);
    }
    for (int nSocket : vecSockets) {
        Send(nSocket, pData, nLength);
    }
}

bool CBaseServer::HasClients() {
    CLock lock(m_mutexServer);
    return !m_mapClients.empty();
}

bool CBaseServer::ParseData(CDataSocket& dataSocket) {
    CLock lock(m_mutexServer);
    for (auto& client : m_mapClients) {
        if (client.second.TakenThisRound() >= kRequestsPerRound) {
            // Its share of this round is taken; the others come first.
            m_bInputWaiting = true;
            continue;
        }
        if (CDataAPO* pData = ParseClient(client.second)) {
            client.second.CountTaken(m_tRound);
            dataSocket.m_nSocket = client.first;
            dataSocket.m_pData = pData;
            return true;
        }
        DropOverlongInput(client.first, client.second);
    }
    if (!m_bInputWaiting) {
        DropInputPastTheTotal();
    }
    CloseQueuedSockets();
    return false;
}

CDataAPO* CBaseServer::ParseClient(CCommandData& client) {
    for (;;) {
        const size_t nBytes = client.GetData().size();
        const size_t nChunks = client.GetFDs().size();
        auto* pData = static_cast<CDataAPO*>(m_pParser->Parse(&client));
        if (pData != nullptr ||
            (client.GetData().size() == nBytes && client.GetFDs().size() == nChunks)) {
            return pData;
        }
    }
}

void CBaseServer::CloseQueuedSockets() {
    for (int nSocket : m_vecSocketsToClose) {
        if (!m_bListening) {
            break;
        }
        TARVO_LOGD("Closing connection to: %d", nSocket);
        close(nSocket);
        FD_CLR(nSocket, &m_fdsMaster);
        m_mapClients.erase(nSocket);
    }
    m_vecSocketsToClose.clear();
}

void CBaseServer::QueueForClosing(int nSocket) {
    if (std::find(m_vecSocketsToClose.begin(), m_vecSocketsToClose.end(), nSocket) ==
        m_vecSocketsToClose.end()) {
        m_vecSocketsToClose.push_back(nSocket);
    }
}

void CBaseServer::ShutDownClientSockets() {
    CLock lock(m_mutexServer);
    // The entries go too: their socket numbers may be reused by anything
    // the process opens next.
    for (const auto& client : m_mapClients) {
        shutdown(client.first, SHUT_RDWR);
        close(client.first);
        FD_CLR(client.first, &m_fdsMaster);
    }
    m_mapClients.clear();
    m_vecSocketsToClose.clear();
}

void CBaseServer::StopListening() {
    m_bListening = false;
    CloseListenSocket();
    ShutDownClientSockets();
}

void CBaseServer::CloseListenSocket() {
    if (m_nListenSocket >= 0) {
        if (m_nListenSocket < FD_SETSIZE) {
            FD_CLR(m_nListenSocket, &m_fdsMaster);
        }
        close(m_nListenSocket);
        m_nListenSocket = -1;
    }
}

}  // namespace TarvoFX
