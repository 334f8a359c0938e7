#include "NetworkManager/VTBaseServer.h"

#include <utility>

#include "logging/TarvoLog.h"

namespace TarvoFX {

VTBaseServer::VTBaseServer(std::shared_ptr<CBaseServer> pServer)
    : m_thread(), m_bEnabled(false), m_pServer(std::move(pServer)), m_bThreadStarted(false) {}

VTBaseServer::~VTBaseServer() {
    VTBaseServer::Disable();
    m_pServer.reset();
}

bool VTBaseServer::Enable() {
    std::lock_guard<std::mutex> lockControl(m_mutexControl);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bEnabled) {
        return true;
    }
    JoinEndedThread();
    if (!m_pServer->Listen()) {
        TARVO_LOGE("m_pServer->Listen() failed");
        return false;
    }
    if (pthread_create(&m_thread, nullptr, &VTBaseServer::VtServerThread, this) != 0) {
        TARVO_LOGE("pthread_create failed");
        m_pServer->Close();
        return false;
    }
    m_bThreadStarted = true;
    m_bEnabled = true;
    return true;
}

bool VTBaseServer::Disable() {
    std::lock_guard<std::mutex> lockControl(m_mutexControl);
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_bEnabled) {
        lock.unlock();
        JoinEndedThread();
        return true;
    }
    m_bEnabled = false;
    // Wakes and ends the thread's WaitOnCommand.
    m_pServer->Close();
    lock.unlock();
    JoinEndedThread();
    return true;
}

bool VTBaseServer::IsEnabled() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bEnabled;
}

void VTBaseServer::JoinEndedThread() {
    if (m_bThreadStarted) {
        pthread_join(m_thread, nullptr);
        m_bThreadStarted = false;
    }
}

void* VTBaseServer::VtServerThread(void* pServer) {
    static_cast<VTBaseServer*>(pServer)->Run();
    return nullptr;
}

void VTBaseServer::Run() {
    TARVO_LOGD("VTBaseServer::VtServerThread %p", static_cast<void*>(this));
    std::unique_lock<std::mutex> lock(m_mutex);
    while (m_bEnabled) {
        lock.unlock();
        CDataSocket dataSocket = m_pServer->WaitOnCommand();
        lock.lock();
        if (!m_bEnabled) {
            delete dataSocket.m_pData;
            break;
        }
        if (dataSocket.m_pData == nullptr && !m_pServer->IsListening()) {
            // WaitOnCommand would return at once from now on: end the thread
            // rather than spin. Enable starts listening again.
            TARVO_LOGE("The socket layer stopped listening, the server thread ends");
            break;
        }
        OnExecute(&dataSocket);
        delete dataSocket.m_pData;
    }
    m_bEnabled = false;
}

}  // namespace TarvoFX
