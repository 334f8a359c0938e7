#include "NetworkManager/VTServer.h"

#include <utility>
#include <vector>

namespace TarvoFX {

VTServer::VTServer(std::shared_ptr<CBaseServer> pServer) : VTBaseServer(std::move(pServer)) {}

VTServer::~VTServer() {
    // The thread calls OnExecute of this object; it must end before this
    // part of the object does.
    Disable();
    std::lock_guard<std::mutex> lock(m_mutexExecutors);
    m_mapExecutors.clear();
}

void VTServer::RegisterExecutor(const std::shared_ptr<VTServerExecutor>& pExecutor) {
    if (!pExecutor) {
        return;
    }
    const int32_t nCommand = pExecutor->GetCommandType();
    std::lock_guard<std::mutex> lock(m_mutexExecutors);
    m_mapExecutors[nCommand].insert(pExecutor);
}

void VTServer::UnregisterExecutor(const std::shared_ptr<VTServerExecutor>& pExecutor) {
    if (!pExecutor) {
        return;
    }
    const int32_t nCommand = pExecutor->GetCommandType();
    std::lock_guard<std::mutex> lock(m_mutexExecutors);
    auto it = m_mapExecutors.find(nCommand);
    if (it != m_mapExecutors.end()) {
        it->second.erase(pExecutor);
    }
}

void VTServer::OnExecute(CDataSocket* pDataSocket) {
    if (pDataSocket == nullptr || pDataSocket->m_pData == nullptr) {
        return;
    }
    // Released (with any descriptors it carries) on every path.
    std::unique_ptr<CDataAPO> pData(std::exchange(pDataSocket->m_pData, nullptr));
    std::lock_guard<std::mutex> lock(m_mutexExecutors);
    auto it = m_mapExecutors.find(static_cast<int32_t>(pData->nCommand));
    if (it == m_mapExecutors.end()) {
        return;
    }
    // The set cannot change while the lock is held, so its entries are used
    // as they are (no reference count taken for every request).
    for (const std::shared_ptr<VTServerExecutor>& pExecutor : it->second) {
        std::vector<uint8_t> vecReply;
        pExecutor->Execute(pData.get(), vecReply);
        if (!vecReply.empty()) {
            m_pServer->Send(pDataSocket->m_nSocket, reinterpret_cast<const char*>(vecReply.data()),
                            static_cast<unsigned int>(vecReply.size()));
        }
    }
}

}  // namespace TarvoFX
