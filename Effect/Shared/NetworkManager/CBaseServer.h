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
    // Takes one command from the lowest client socket that has one; when
    // none has, closes the sockets queued for closing.
    bool ParseData(CDataSocket& dataSocket);
    // One select and one receive pass.
    void WaitForData();
    void AcceptClient();
    void ReceiveFrom(int nSocket, CCommandData& client);
    void DropOverlongInput(int nSocket, CCommandData& client);
    void QueueForClosing(int nSocket);
    void CloseQueuedSockets();
    int FindMaxFD();
    void ShutDownClientSockets();
    // A failure of the listening socket itself: tear everything down.
    void StopListening();
    void CloseListenSocket();

    // Set after an accept failed for want of descriptors or memory.
    bool m_bAcceptPaused;
};

}  // namespace TarvoFX
