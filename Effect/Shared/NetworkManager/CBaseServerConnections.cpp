// The server's connections: one select over the listening socket and the
// clients, accepting (with room made at the client cap), receiving with
// passed descriptors, and the bounds on the input clients may hold.
#include "NetworkManager/CBaseServer.h"

#include <errno.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "logging/TarvoLog.h"

namespace TarvoFX {

namespace {

// Bytes taken by one recvmsg.
constexpr size_t kReceiveChunk = 4096;

// What an accept failure means for the listening socket.
enum class AcceptFailure {
    kTransient,  // this one connection failed; try the next at once
    kExhausted,  // out of descriptors or memory; retry after a pause
    kFatal,      // the listening socket itself is unusable
};

AcceptFailure ClassifyAcceptFailure(int nError) {
    switch (nError) {
        case EMFILE:
        case ENFILE:
        case ENOBUFS:
        case ENOMEM:
            return AcceptFailure::kExhausted;
        case EBADF:
        case EFAULT:
        case EINVAL:
        case ENOTSOCK:
        case EOPNOTSUPP:
            return AcceptFailure::kFatal;
        default:
            // EAGAIN (the peer went away between select and accept),
            // ECONNABORTED, EINTR, EPROTO, EPERM and the network errors
            // Linux passes on from the new connection.
            return AcceptFailure::kTransient;
    }
}

// The descriptors the control messages of msg carry: the first of each
// SCM_RIGHTS message. The control buffer has room for two (see ReceiveFrom):
// a second one is closed here, or it would stay open with nobody owning it;
// the system drops any further ones itself and says so with MSG_CTRUNC.
// Either way the client passed more than one descriptor, and that is reported.
std::vector<int> CollectFDs(msghdr& msg, int nSocket) {
    std::vector<int> vecFDs;
    bool bSurplus = (msg.msg_flags & MSG_CTRUNC) != 0;
    for (cmsghdr* pHeader = CMSG_FIRSTHDR(&msg); pHeader != nullptr;
         pHeader = CMSG_NXTHDR(&msg, pHeader)) {
        if (pHeader->cmsg_level != SOL_SOCKET || pHeader->cmsg_type != SCM_RIGHTS ||
            pHeader->cmsg_len < CMSG_LEN(sizeof(int))) {
            continue;
        }
        const size_t nCount = (pHeader->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (size_t nIndex = 0; nIndex < nCount; ++nIndex) {
            int nFD;
            memcpy(&nFD, CMSG_DATA(pHeader) + nIndex * sizeof(int), sizeof(nFD));
            if (nIndex == 0) {
                vecFDs.push_back(nFD);
            } else {
                close(nFD);
            }
        }
        bSurplus = bSurplus || nCount > 1;
    }
    if (bSurplus) {
        TARVO_LOGE("Client %d passed more than one descriptor in one message, kept the first only",
                   nSocket);
    }
    return vecFDs;
}

}  // namespace

void CBaseServer::WaitForData() {
    fd_set fdsRead;
    int nMaxFD = 0;
    bool bAcceptPaused = false;
    bool bInputWaiting = false;
    {
        CLock lock(m_mutexServer);
        if (!m_bListening) {
            return;
        }
        fdsRead = m_fdsMaster;
        nMaxFD = m_nMaxFD;
        bAcceptPaused = m_bAcceptPaused;
        if (bAcceptPaused) {
            FD_CLR(m_nListenSocket, &fdsRead);
        }
        // A new round: every client may have its share again. While some
        // client still holds input, select only looks for what is new.
        bInputWaiting = m_bInputWaiting;
        m_bInputWaiting = false;
        for (auto& client : m_mapClients) {
            client.second.StartRound();
        }
    }
    timeval tvPause{0, kAcceptPauseMilliseconds * 1000};
    timeval tvPoll{0, 0};
    timeval* pTimeout = bInputWaiting ? &tvPoll : bAcceptPaused ? &tvPause : nullptr;
    int nReady = select(nMaxFD + 1, &fdsRead, nullptr, nullptr, pTimeout);
    const int nSelectError = errno;
    TARVO_LOGD("select() exit with code %d", nReady);

    CLock lock(m_mutexServer);
    m_bAcceptPaused = false;
    m_tRound = m_fnClock();
    if (!m_bListening) {
        // Close is tearing down; it owns the sockets now.
        return;
    }
    if (nReady < 0) {
        if (nSelectError == EINTR) {
            // A signal, not a fault: wait again.
            return;
        }
        const int nListenSocket = m_nListenSocket;
        StopListening();
        TARVO_LOGD("select() failed %d error %s, veltsd %d , probably server is down", nSelectError,
                   strerror(nSelectError), nListenSocket);
        m_nMaxFD = FindMaxFD();
        return;
    }
    TARVO_LOGD("select returned %d", nReady);
    if (FD_ISSET(m_nListenSocket, &fdsRead)) {
        --nReady;
        TARVO_LOGD("Listening socket %d is readable", m_nListenSocket);
        AcceptClients();
    }
    for (auto& client : m_mapClients) {
        if (nReady <= 0 || !m_bListening) {
            break;
        }
        if (!FD_ISSET(client.first, &fdsRead)) {
            continue;
        }
        --nReady;
        ReceiveFrom(client.first, client.second);
    }
    m_nMaxFD = FindMaxFD();
}

void CBaseServer::AcceptClients() {
    for (unsigned int nAccepted = 0;
         nAccepted < kAcceptsPerRound && m_bListening && !m_bAcceptPaused && AcceptClient();
         ++nAccepted) {
    }
}

bool CBaseServer::AcceptClient() {
    if (m_mapClients.size() >= kMaxClients) {
        // A place held by a peer that is gone is freed once that client's
        // input is served: the newcomer waits for it in the backlog instead
        // of being refused.
        Candidate chosen{};
        bool bGoneWithInput = false;
        if (ChooseClientToGiveWay(chosen, bGoneWithInput) == m_mapClients.end() && bGoneWithInput) {
            TARVO_LOGD("Connections wait: a client whose peer is gone still holds input");
            return false;
        }
    }
    const int nClient = accept4(m_nListenSocket, nullptr, nullptr, SOCK_CLOEXEC);
    if (nClient < 0) {
        const int nError = errno;
        if (nError == EAGAIN || nError == EWOULDBLOCK) {
            return false;  // every pending connection is taken
        }
        switch (ClassifyAcceptFailure(nError)) {
            case AcceptFailure::kTransient:
                TARVO_LOGE("accept() failed %d error %s, still listening", nError,
                           strerror(nError));
                return true;
            case AcceptFailure::kExhausted:
                TARVO_LOGE("accept() failed %d error %s, accepting again in %d ms", nError,
                           strerror(nError), kAcceptPauseMilliseconds);
                m_bAcceptPaused = true;
                return false;
            case AcceptFailure::kFatal:
                StopListening();
                TARVO_LOGD("accept() failed %d error %s, probably server is down", nError,
                           strerror(nError));
                return false;
        }
    }
    if (nClient >= FD_SETSIZE) {
        // FD_SET on it would write past the set (and abort on Android).
        TARVO_LOGE("Refusing connection %d: select watches descriptors below %d only", nClient,
                   FD_SETSIZE);
        close(nClient);
        return true;
    }
    if (m_mapClients.size() >= kMaxClients && !MakeRoom(nClient)) {
        TARVO_LOGE("Refusing connection %d: none of the %zu clients may give way", nClient,
                   kMaxClients);
        close(nClient);
        return true;
    }
    // Probes a silent connection (see kKeepAliveIdle), and sends each reply
    // at once: a reply is written whole, so holding back its tail until the
    // client acknowledges the rest (Nagle) would only add a delayed ACK's
    // wait. The TCP options fail harmlessly on sockets of other families.
    const int aOptions[][3] = {{SOL_SOCKET, SO_KEEPALIVE, 1},
                               {IPPROTO_TCP, TCP_KEEPIDLE, kKeepAliveIdle},
                               {IPPROTO_TCP, TCP_KEEPINTVL, kKeepAliveInterval},
                               {IPPROTO_TCP, TCP_KEEPCNT, kKeepAliveProbes},
                               {IPPROTO_TCP, TCP_NODELAY, 1}};
    for (const auto& option : aOptions) {
        setsockopt(nClient, option[0], option[1], &option[2], sizeof(option[2]));
    }
    TARVO_LOGD("New incoming connection %d", nClient);
    CCommandData& client = m_mapClients[nClient] = CCommandData();
    client.SetLastActivity(++m_nActivityClock);
    client.SetAccepted(m_tRound);
    FD_SET(nClient, &m_fdsMaster);
    m_nMaxFD = std::max(m_nMaxFD, nClient);
    return true;
}

std::map<int, CCommandData>::iterator CBaseServer::ChooseClientToGiveWay(Candidate& chosen,
                                                                         bool& bGoneWithInput) {
    auto itChosen = m_mapClients.end();
    bGoneWithInput = false;
    for (auto it = m_mapClients.begin(); it != m_mapClients.end(); ++it) {
        const bool bQueued = std::find(m_vecSocketsToClose.begin(), m_vecSocketsToClose.end(),
                                       it->first) != m_vecSocketsToClose.end();
        const Candidate candidate = RankForGivingWay(it->first, it->second, bQueued);
        bGoneWithInput = bGoneWithInput || (candidate.bPeerGone && candidate.bInputWaiting);
        if (candidate.eReason != GiveWay::kNever &&
            (itChosen == m_mapClients.end() || candidate.GoesBefore(chosen))) {
            itChosen = it;
            chosen = candidate;
        }
    }
    return itChosen;
}

bool CBaseServer::MakeRoom(int nNewClient) {
    Candidate chosen{};
    bool bGoneWithInput = false;
    const auto itChosen = ChooseClientToGiveWay(chosen, bGoneWithInput);
    if (itChosen == m_mapClients.end()) {
        return false;
    }
    const int nSocket = itChosen->first;
    switch (chosen.eReason) {
        case GiveWay::kPeerGone:
            TARVO_LOGD("Closing connection to: %d", nSocket);
            break;
        case GiveWay::kNoFirstRequest:
            TARVO_LOGE(
                "Closing connection %d, no request within %lld ms of connecting, to make room "
                "for connection %d",
                nSocket, static_cast<long long>(kFirstRequestGrace.count()), nNewClient);
            break;
        case GiveWay::kLongSilent:
            TARVO_LOGE(
                "Closing connection %d, no request for %lld s, to make room for connection %d",
                nSocket, static_cast<long long>(kLongSilence.count()), nNewClient);
            break;
        case GiveWay::kNever:
            break;
    }
    if (chosen.eReason != GiveWay::kPeerGone) {
        shutdown(nSocket, SHUT_RDWR);
    }
    m_vecSocketsToClose.erase(
        std::remove(m_vecSocketsToClose.begin(), m_vecSocketsToClose.end(), nSocket),
        m_vecSocketsToClose.end());
    close(nSocket);
    FD_CLR(nSocket, &m_fdsMaster);
    m_mapClients.erase(itChosen);
    return true;
}

CBaseServer::Candidate CBaseServer::RankForGivingWay(int nSocket, const CCommandData& client,
                                                     bool bQueuedForClosing) const {
    // What the system holds of the connection that has not been received:
    // new input, the end of the stream, a reset, or nothing. A peek sees
    // the first byte waiting, not an end of stream behind it; poll reports
    // that end (or the reset) whatever input comes before it.
    char cByte = 0;
    const ssize_t nPeeked = recv(nSocket, &cByte, 1, MSG_PEEK | MSG_DONTWAIT);
    const int nError = errno;
    const bool bUnread = nPeeked > 0;
    pollfd polled{nSocket, POLLRDHUP, 0};
    const bool bHungUp =
        poll(&polled, 1, 0) == 1 && (polled.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
    const bool bEnded =
        bHungUp || nPeeked == 0 ||
        (nPeeked < 0 && nError != EAGAIN && nError != EWOULDBLOCK && nError != EINTR);
    const bool bInputWaiting = !client.IsEmpty() || bUnread;
    Candidate candidate{GiveWay::kNever, bQueuedForClosing || bEnded, bInputWaiting,
                        client.LastActivity()};
    if (candidate.bPeerGone && !bInputWaiting) {
        candidate.eReason = GiveWay::kPeerGone;
    } else if (!client.HasBeenServed()) {
        if (m_tRound - client.Accepted() >= kFirstRequestGrace) {
            candidate.eReason = GiveWay::kNoFirstRequest;
        }
    } else if (m_tRound - client.LastRequest() >= kLongSilence) {
        candidate.eReason = GiveWay::kLongSilent;
    }
    return candidate;
}

void CBaseServer::ReceiveFrom(int nSocket, CCommandData& client) {
    int nBytes = 0;
    int nFDs = 0;
    // Nothing received yet is not an end of stream: a client already at its
    // bound is not read at all in this pass.
    ssize_t nReceived = -1;
    int nError = EAGAIN;
    // Stops short of the end of the stream once the client, or all clients
    // together, hold more than they may: the rest stays with the system
    // until the parser made room.
    size_t nPendingTotal = PendingInput();
    while (client.GetData().size() < kMaxPendingInput && nPendingTotal < kMaxPendingInputTotal) {
        char acData[kReceiveChunk];
        // One descriptor is taken per chunk. Room for a second makes a
        // surplus one arrive, be closed and reported alike on every target
        // (64-bit targets had that room by alignment alone); more are cut by
        // the system, flagged with MSG_CTRUNC.
        union {
            cmsghdr header;
            char acBytes[CMSG_SPACE(2 * sizeof(int))];
        } control;
        iovec vec{acData, sizeof(acData)};
        msghdr msg{};
        msg.msg_iov = &vec;
        msg.msg_iovlen = 1;
        msg.msg_control = control.acBytes;
        msg.msg_controllen = sizeof(control.acBytes);
        nReceived = recvmsg(nSocket, &msg, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
        if (nReceived <= 0) {
            nError = errno;
            if (nReceived < 0 && nError == EINTR) {
                continue;
            }
            break;
        }
        nBytes += static_cast<int>(nReceived);
        client.SetLastActivity(++m_nActivityClock);
        std::vector<int> vecFDs = CollectFDs(msg, nSocket);
        nFDs += static_cast<int>(vecFDs.size());
        if (vecFDs.empty()) {
            client.AppendData(std::string_view(acData, static_cast<size_t>(nReceived)));
            nPendingTotal += static_cast<size_t>(nReceived);
        } else if (client.GetFDs().size() >= kMaxPendingDescriptorChunks) {
            TARVO_LOGE("Client %d has %zu descriptor chunks waiting, closing %zu more", nSocket,
                       client.GetFDs().size(), vecFDs.size());
            for (int nFD : vecFDs) {
                close(nFD);
            }
        } else {
            client.AddFDData(std::move(vecFDs),
                             std::string(acData, static_cast<size_t>(nReceived)));
        }
        if (nFDs == 0 && static_cast<size_t>(nReceived) < sizeof(acData)) {
            // A short read of plain bytes took what the socket held: what
            // arrives later (or the end of the stream) is seen by the next
            // select, which saves a read that would only say EAGAIN. Once
            // descriptors came, the socket is drained as before, so that the
            // plain bytes queued behind them are parsed in the same pass.
            nError = EAGAIN;
            break;
        }
    }
    if (nReceived == 0 || (nReceived < 0 && nError != EAGAIN && nError != EWOULDBLOCK)) {
        QueueForClosing(nSocket);
    }
    TARVO_LOGD("Received from: %d num bytes: %d num fds %d", nSocket, nBytes, nFDs);
}

void CBaseServer::DropOverlongInput(int nSocket, CCommandData& client) {
    // The parser found nothing complete in it: the client is sending
    // something no request can be, and will only ever grow it.
    const size_t nPending = client.GetData().size();
    if (nPending >= kMaxPendingInput) {
        TARVO_LOGE("Dropping %zu bytes from client %d: no complete request in %zu bytes", nPending,
                   nSocket, kMaxPendingInput);
        client.ResetData();
    }
}

void CBaseServer::DropInputPastTheTotal() {
    if (PendingInput() < kMaxPendingInputTotal) {
        return;
    }
    auto itLargest = std::max_element(
        m_mapClients.begin(), m_mapClients.end(), [](const auto& first, const auto& second) {
            return first.second.GetData().size() < second.second.GetData().size();
        });
    TARVO_LOGE("Dropping %zu bytes from client %d: no complete request while all clients hold %zu",
               itLargest->second.GetData().size(), itLargest->first, kMaxPendingInputTotal);
    itLargest->second.ResetData();
}

size_t CBaseServer::PendingInput() const {
    size_t nTotal = 0;
    for (const auto& client : m_mapClients) {
        nTotal += client.second.GetData().size();
    }
    return nTotal;
}

int CBaseServer::FindMaxFD() {
    int nMax = m_nListenSocket;
    if (!m_mapClients.empty()) {
        nMax = std::max(nMax, m_mapClients.rbegin()->first);
    }
    TARVO_LOGD("FindMaxFD %d", nMax);
    return nMax;
}

}  // namespace TarvoFX
