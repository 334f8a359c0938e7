// An executor turns one parsed command into a call on the effect object
// and, for the queries, into reply bytes. Each serves one command number.
#pragma once

#include <stdint.h>

#include <vector>

#include "NetworkManager/CDataAPO.h"

namespace TarvoFX {

class VTServerExecutor {
public:
    virtual ~VTServerExecutor() = default;
    // Fills vecReply with the bytes to send back, if any.
    virtual void Execute(CDataAPO* pData, std::vector<uint8_t>& vecReply) = 0;
    virtual int32_t GetCommandType() = 0;
};

// An executor that calls one listener (not owned) for command number
// nCommandType. Without a listener or a record it does nothing.
template <typename TListener, int32_t nCommandType>
class VTServerListenerExecutor : public VTServerExecutor {
public:
    explicit VTServerListenerExecutor(TListener* pListener) : m_pListener(pListener) {}

    void Execute(CDataAPO* pData, std::vector<uint8_t>& vecReply) override {
        if (m_pListener != nullptr && pData != nullptr) {
            Run(*m_pListener, *pData, vecReply);
        }
    }
    int32_t GetCommandType() override { return nCommandType; }

protected:
    virtual void Run(TListener& listener, CDataAPO& data, std::vector<uint8_t>& vecReply) = 0;

    TListener* m_pListener;
};

}  // namespace TarvoFX
