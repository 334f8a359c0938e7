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
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <utility>
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
    //
    // Whom a connection past the cap displaces. A client that is being
    // served keeps its place: between two of its requests it is silent, and
    // that silence must not cost it its connection. Only these give way:
    //  1. a client whose peer is gone (the end of its stream or a reset is
    //     waiting, or was seen) and that has nothing buffered;
    //  2. a connection that has completed no request within
    //     kFirstRequestGrace of being accepted, whatever it has sent;
    //  3. a client that has completed requests, once its last one is
    //     kLongSilence ago.
    // In that order, and within each the longest silent first (nothing has
    // arrived from it for longest; input waiting for it counts as recent).
    // When none may give way but a client whose peer is gone still holds
    // input (received or not), the newcomer waits in the backlog: that
    // client's requests are served and its socket closed within a round or
    // two, and the newcomer takes its place. Otherwise the newcomer is
    // refused: it is accepted and
    // closed at once (its peer sees the end of the stream, or a reset when
    // it had already sent), with an error record; the clients keep their
    // places. Peers that only connect, trickle bytes or hold an
    // unfinished request therefore turn their places over every few seconds,
    // while the clients that make requests stay.
    static constexpr size_t kMaxClients = 16;
    // A tool sends its first request right after connecting: within
    // milliseconds on a cable or loopback, within a second or two when a
    // wireless link loses the first segment and it is sent again. Three
    // seconds cover that, and are all a connection that makes no request
    // can hold a place for against a newcomer: one turned away by a flood
    // of silent connections gets a place when it tries again, three seconds
    // after the flood at the latest.
    static constexpr std::chrono::milliseconds kFirstRequestGrace{3000};
    // Longer than an engineer thinking, listening to a take or reading a
    // plot, and than a measurement script waits between two requests; a
    // panel polls far more often. A client silent this long is most likely
    // a tool left open, and even then it goes only when the port is full
    // and a newcomer needs its place. (A peer that vanished is found sooner
    // by the keepalive probes below.) A peer that completes a request every
    // few minutes can hold its place for good, as any tuning client may; it
    // had to connect and speak the protocol to get there.
    static constexpr std::chrono::seconds kLongSilence{300};
    // Requests taken from one client per round of select before the other
    // clients, new connections and new input have their turn. A tool's
    // usual burst (a preset's sets and the query that reads them back) fits
    // in one share, so that it costs no extra select; 64 short requests take
    // the server some tens of microseconds, which is all another client
    // waits for one.
    static constexpr unsigned int kRequestsPerRound = 64;
    // Connections accepted per round of select; those still pending wait in
    // the backlog for the next round. A storm of connections (each of which
    // may have to be weighed against every client at the cap) then delays
    // the clients' input by one share of accepts, not by the whole storm.
    static constexpr unsigned int kAcceptsPerRound = 16;
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
    using TimePoint = std::chrono::steady_clock::time_point;
    // Where the server takes the time from (a monotonic clock unless a
    // subclass sets another, before Listen). It is read once per round of
    // select, under m_mutexServer.
    void SetClock(std::function<TimePoint()> fnClock) { m_fnClock = std::move(fnClock); }

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
    // Accepts the pending connections, up to kAcceptsPerRound.
    void AcceptClients();
    // False when no connection is pending any more.
    bool AcceptClient();
    // Why a client may give way to a newcomer, in the order they go.
    enum class GiveWay { kPeerGone, kNoFirstRequest, kLongSilent, kNever };
    struct Candidate {
        GiveWay eReason;
        // The end of the stream or a reset was seen, or is waiting to be read.
        bool bPeerGone;
        // Buffered or not yet received: the client is not silent.
        bool bInputWaiting;
        uint64_t nLastActivity;
        // For the same reason, the silent before those with input waiting,
        // then the longest silent.
        bool GoesBefore(const Candidate& other) const {
            if (eReason != other.eReason) {
                return eReason < other.eReason;
            }
            if (bInputWaiting != other.bInputWaiting) {
                return !bInputWaiting;
            }
            return nLastActivity < other.nLastActivity;
        }
    };
    // Closes the client that gives way first (see kMaxClients); false when
    // none may.
    bool MakeRoom(int nNewClient);
    // The client that gives way first, or the end of the map when none may;
    // bGoneWithInput tells whether a client whose peer is gone holds input.
    std::map<int, CCommandData>::iterator ChooseClientToGiveWay(Candidate& chosen,
                                                                bool& bGoneWithInput);
    Candidate RankForGivingWay(int nSocket, const CCommandData& client,
                               bool bQueuedForClosing) const;
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
    std::function<TimePoint()> m_fnClock;
    // The time of the current round of select: when its connections were
    // accepted and its input received.
    TimePoint m_tRound;
};

}  // namespace TarvoFX
