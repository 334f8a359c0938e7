// Owns the tuning server's one worker thread: starts the socket layer, runs
// the loop that takes one parsed command at a time and hands it to
// OnExecute, and stops both on request.
//
// Locks: m_mutexControl serialises Enable and Disable (held across the
// join, never taken by the server thread); m_mutex guards m_bEnabled and is
// held while a command executes, so Disable waits for a running command.
// Order: m_mutexControl, m_mutex, then the socket layer's locks.
#pragma once

#include <pthread.h>

#include <memory>
#include <mutex>

#include "NetworkManager/CBaseServer.h"
#include "NetworkManager/CDataSocket.h"

namespace TarvoFX {

class VTBaseServer {
public:
    explicit VTBaseServer(std::shared_ptr<CBaseServer> pServer);
    virtual ~VTBaseServer();
    VTBaseServer(const VTBaseServer&) = delete;
    VTBaseServer& operator=(const VTBaseServer&) = delete;

    // Listens and starts the thread; the resulting enabled state.
    virtual bool Enable();
    // Closes the socket layer and joins the thread; always true.
    virtual bool Disable();
    // False also once the socket layer stopped listening by itself.
    virtual bool IsEnabled();
    // Executes the command pDataSocket holds and releases its record.
    virtual void OnExecute(CDataSocket* pDataSocket) = 0;

protected:
    pthread_t m_thread;
    std::mutex m_mutex;
    bool m_bEnabled;
    std::shared_ptr<CBaseServer> m_pServer;

private:
    static void* VtServerThread(void* pServer);
    void Run();
    // Joins a thread that ended by itself; m_mutexControl held.
    void JoinEndedThread();

    std::mutex m_mutexControl;
    // A thread was started and has not been joined yet.
    bool m_bThreadStarted;
};

}  // namespace TarvoFX
