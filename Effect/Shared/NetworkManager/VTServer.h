// The tuning server: runs every executor registered for a command's number
// and sends each non-empty reply to the client the command came from.
#pragma once

#include <stdint.h>

#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "NetworkManager/CommandExecute/VTServerExecutor.h"
#include "NetworkManager/VTBaseServer.h"

namespace TarvoFX {

class VTServer : public VTBaseServer {
public:
    explicit VTServer(std::shared_ptr<CBaseServer> pServer);
    // Stops the thread before the registry goes.
    ~VTServer() override;

    // Adds the executor under its command number; null or a repeat does nothing.
    void RegisterExecutor(const std::shared_ptr<VTServerExecutor>& pExecutor);
    void UnregisterExecutor(const std::shared_ptr<VTServerExecutor>& pExecutor);

    void OnExecute(CDataSocket* pDataSocket) override;

private:
    std::mutex m_mutexExecutors;
    // Command number -> its executors, in pointer order.
    std::map<int32_t, std::set<std::shared_ptr<VTServerExecutor>>> m_mapExecutors;
};

}  // namespace TarvoFX
