// The vendor effect as the simulated audio server runs it: it answers the
// effect's command protocol (codes 0x10000 to 0x1003C) and keeps the state
// that makes one command's answer reflect another's request.
#pragma once

#include <stdint.h>

#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "HostPlatform/Export.h"

namespace HostPlatform {

class HOST_PLATFORM_API SimulatedEffect {
public:
    static constexpr uint32_t kFirstCode = 0x10000;
    static constexpr uint32_t kLastCode = 0x1003C;

    // Handles one command: returns a platform status and, on success, the
    // reply bytes. A code outside the effect's table, a request whose bytes
    // do not match its code's layout (HostPlatform/EffectRequests.h) and a
    // reply longer than nReplyCapacity are refused (-22).
    int32_t Handle(uint32_t nCode, const std::vector<uint8_t>& request, uint32_t nReplyCapacity,
                   std::vector<uint8_t>& reply);

    // Platform enable state of the effect (any client may switch it).
    void SetPlatformEnabled(bool bEnabled);
    bool PlatformEnabled() const;

    // Algorithms switched on by the enable and disable commands.
    std::set<std::string> EnabledAlgorithms() const;

private:
    mutable std::mutex m_mutex;
    bool m_bPlatformEnabled = false;
    std::set<std::string> m_enabledAlgorithms;
};

}  // namespace HostPlatform
