// The connection layer of the tuning server: a select-driven stream-socket
// server that accepts clients, buffers what each sends (plain bytes, and
// separately chunks that came with passed descriptors) and hands each
// client's input to a parser until one complete command comes out.
//
// The server thread pulls commands with WaitOnCommand and answers with Send;
// any thread may call Close, IsListening, HasClients and SendToAllSockets.
// Subclasses choose the address family through CreateSocket and Bind.
//
// Locks: m_mutexWait is held for all of WaitOnCommand and for the tear-down
// half of Close; m_mutexServer guards the flag, the descriptor set and the
// clients, and is never held across select. Where both are held, m_mutexWait
// comes first. Both are recursive.
#pragma once

#include <pthread.h>
#include <stddef.h>
#include <stdint.h>
#include <sys/select.h>

#include <atomic>
#include <map>
#include <memory>
#include <vector>

#include "NetworkManager/CCommandData.h"
#include "NetworkManager/CDataSocket.h"
#include "NetworkManager/ICommandsParser.h"

namespace TarvoFX {

class CBaseServer {
public:
    // Most input one client may hold without the parser finding a complete
    // request in it. The largest framed request is 20008 bytes and a text
    // line or unframed parameter array of a few thousand ids stays below
    // 64 KiB, so a quarter of a MiB never cuts off a real request, while
    // the thousand clients select can watch hold at most about 256 MiB
    // between them. Input past it is dropped.
    static constexpr size_t kMaxPendingInput = 256 * 1024;
    // Most input all clients together may hold: four clients at their own
    // bound. Past it nothing more is received, and when nothing buffered
    // makes a request the largest unfinished input is dropped.
    static constexpr size_t kMaxPendingInputTotal = 4 * kMaxPendingInput;
    // Most clients connected at once. A tuning desk needs a handful (the
    // tuning tool, a panel, a script, a few one-shot commands); sixteen leave
    // room for those while bounding what an open port can be made to hold.
    // A connection past it takes the place of the client that has been idle
    // longest (nothing buffered, least recent arrival); when every client is
    // busy, it is refused and closed.
    static constexpr size_t kMaxClients = 16;
    // Requests taken from one client per round of select before the other
    // clients, new connections and new input have their turn.
    static constexpr unsigned int kRequestsPerRound = 16;
    // Probing of a connection that stays silent, so that a peer that vanished
    // without closing is found: the first probe after this many seconds of
    // silence, then one every kKeepAliveInterval seconds, given up after
    // kKeepAliveProbes unanswered ones (a minute at most).
    static constexpr int kKeepAliveIdle = 20;
    static constexpr int kKeepAliveInterval = 5;
    static constexpr int kKeepAliveProbes = 4;
    // Most chunks with passed descriptors one client may have waiting; each
    // holds descriptors of this process, so more are closed on arrival.
    static constexpr size_t kMaxPendingDescriptorChunks = 16;
    // After the process or the system ran out of descriptors or memory,
    // accepting rests this long (clients are still served meanwhile), so
    // that a connection waiting in the backlog does not make select return
    // at once, again and again.
    static constexpr int kAcceptPauseMilliseconds = 100;

    explicit CBaseServer(std::shared_ptr<ICommandsParser> pParser);
    virtual ~CBaseServer();
    CBaseServer(const CBaseServer&) = delete;
    CBaseServer& operator=(const CBaseServer&) = delete;

    virtual bool Listen();
    virtual void Close();
    // Blocks until a client has sent a complete command, or until the server
    // stops listening (then the result holds no record).
    virtual CDataSocket WaitOnCommand();
    virtual bool IsListening();
    virtual void Send(int nSocket, const char* pData, unsigned int nLength);
    virtual void SendToAllSockets(const char* pData, unsigned int nLength);
    virtual bool HasClients();
    // A new socket of the server's address family, or a negative value.
    virtual int CreateSocket() = 0;
    // Binds m_nListenSocket; the system call's result.
    virtual int Bind() = 0;

protected:
    // Holds a pthread mutex for the enclosing scope.
    class CLock {
    public:
        explicit CLock(pthread_mutex_t& mutex) : m_mutex(mutex) { pthread_mutex_lock(&m_mutex); }
        ~CLock() { pthread_mutex_unlock(&m_mutex); }
        CLock(const CLock&) = delete;
        CLock& operator=(const CLock&) = delete;

    private:
        pthread_mutex_t& m_mutex;
    };

    int m_nListenSocket;
    int m_nMaxFD;
    fd_set m_fdsMaster;
    std::shared_ptr<ICommandsParser> m_pParser;
    std::atomic<bool> m_bListening;
    pthread_mutex_t m_mutexServer;
    pthread_mutex_t m_mutexWait;
    std::map<int, CCommandData> m_mapClients;
    std::vector<int> m_vecSocketsToClose;

private:
    // Takes one command from the lowest client socket that has one and has
    // not had its share of this round; when none has, closes the sockets
    // queued for closing.
    bool ParseData(CDataSocket& dataSocket);
    // The next record of one client. A parse that consumed bytes without
    // making a record (a refused request) is followed by another, so that
    // what follows it never waits for more input.
    CDataAPO* ParseClient(CCommandData& client);
    // One select and one receive pass; a new round for every client.
    void WaitForData();
    // Accepts every pending connection.
    void AcceptClients();
    // False when no connection is pending any more.
    bool AcceptClient();
    // Closes the client idle longest; false when every client is busy.
    bool MakeRoom(int nNewClient);
    void ReceiveFrom(int nSocket, CCommandData& client);
    void DropOverlongInput(int nSocket, CCommandData& client);
    // When the clients together hold too much and nothing in it makes a
    // request, the largest input goes.
    void DropInputPastTheTotal();
    size_t PendingInput() const;
    void QueueForClosing(int nSocket);
    void CloseQueuedSockets();
    int FindMaxFD();
    void ShutDownClientSockets();
    // A failure of the listening socket itself: tear everything down.
    void StopListening();
    void CloseListenSocket();

    // Set after an accept failed for want of descriptors or memory.
    bool m_bAcceptPaused;
    // Set when a client still holds input after its share of a round: the
    // next select only polls.
    bool m_bInputWaiting;
    // Stamps of the clients' arrivals (CCommandData::LastActivity).
    uint64_t m_nActivityClock;
};

}  // namespace TarvoFX
