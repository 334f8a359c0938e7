#include "TuningClient.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace VeltraTune {

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
    const auto nLeft =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return nLeft > 0 ? static_cast<int>(nLeft) : 0;
}

// Connects one socket of the address within the deadline; 0 or an errno value.
int ConnectWithin(int nSocket, const addrinfo& address, Clock::time_point deadline) {
    const int nFlags = fcntl(nSocket, F_GETFL);
    if (nFlags < 0 || fcntl(nSocket, F_SETFL, nFlags | O_NONBLOCK) != 0) {
        return errno;
    }
    if (connect(nSocket, address.ai_addr, address.ai_addrlen) != 0) {
        if (errno != EINPROGRESS) {
            return errno;
        }
        pollfd pfd = {nSocket, POLLOUT, 0};
        int nReady = 0;
        do {
            nReady = poll(&pfd, 1, MillisecondsLeft(deadline));
        } while (nReady < 0 && errno == EINTR);
        if (nReady == 0) {
            return ETIMEDOUT;
        }
        int nError = 0;
        socklen_t nLength = sizeof(nError);
        if (nReady < 0 || getsockopt(nSocket, SOL_SOCKET, SO_ERROR, &nError, &nLength) != 0) {
            return errno;
        }
        if (nError != 0) {
            return nError;
        }
    }
    return fcntl(nSocket, F_SETFL, nFlags) == 0 ? 0 : errno;
}

}  // namespace

int Connect(const std::string& strHost, int nPort, int nTimeoutMs, std::string& strError) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(nTimeoutMs);
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* pResult = nullptr;
    const std::string strPort = std::to_string(nPort);
    const int nLookup = getaddrinfo(strHost.c_str(), strPort.c_str(), &hints, &pResult);
    if (nLookup != 0) {
        strError = "cannot resolve " + strHost + ": " + gai_strerror(nLookup);
        return -1;
    }
    int nSocket = -1;
    for (addrinfo* p = pResult; p != nullptr && nSocket < 0; p = p->ai_next) {
        nSocket = socket(p->ai_family, p->ai_socktype | SOCK_CLOEXEC, p->ai_protocol);
        const int nError = nSocket < 0 ? errno : ConnectWithin(nSocket, *p, deadline);
        if (nError != 0) {
            strError =
                "cannot connect to " + strHost + ":" + strPort + ": " + std::strerror(nError);
            if (nSocket >= 0) {
                close(nSocket);
            }
            nSocket = -1;
        }
    }
    freeaddrinfo(pResult);
    return nSocket;
}

bool SendAll(int nSocket, const Bytes& bytes) {
    size_t nSent = 0;
    while (nSent < bytes.size()) {
        const ssize_t n = send(nSocket, bytes.data() + nSent, bytes.size() - nSent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        nSent += static_cast<size_t>(n);
    }
    return true;
}

ReplyStatus ReceiveReply(int nSocket, const ReplyReader& reader, int nTimeoutMs, Bytes& reply) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(nTimeoutMs);
    while (!reader.Complete(reply)) {
        const int nLeft = MillisecondsLeft(deadline);
        pollfd pfd = {nSocket, POLLIN, 0};
        const int nReady = nLeft > 0 ? poll(&pfd, 1, nLeft) : 0;
        if (nReady < 0 && errno == EINTR) {
            continue;
        }
        if (nReady <= 0) {
            return ReplyStatus::kTimeout;
        }
        uint8_t aBuffer[4096];
        const ssize_t n = recv(nSocket, aBuffer, sizeof(aBuffer), 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return ReplyStatus::kClosed;
        }
        reply.insert(reply.end(), aBuffer, aBuffer + n);
    }
    return ReplyStatus::kComplete;
}

bool ConnectionSpoilt(int nSocket) {
    pollfd pfd = {nSocket, POLLIN, 0};
    return poll(&pfd, 1, 0) != 0;
}

std::string SentText(const std::string& strCommand, size_t nBytes) {
    return "sent " + strCommand + " (" + std::to_string(nBytes) + " bytes)";
}

}  // namespace VeltraTune
