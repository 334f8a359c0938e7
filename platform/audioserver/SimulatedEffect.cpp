#include "HostPlatform/SimulatedEffect.h"

#include "HostPlatform/EffectRequests.h"

namespace HostPlatform {

namespace {

constexpr int32_t kOk = 0;
constexpr int32_t kBadValue = -22;

constexpr uint32_t kCmdEnableAlgorithm = 0x10012;
constexpr uint32_t kCmdDisableAlgorithm = 0x10013;
constexpr uint32_t kCmdShouldEnablePlatformEffect = 0x10031;

}  // namespace

int32_t SimulatedEffect::Handle(uint32_t nCode, const std::vector<uint8_t>& request,
                                uint32_t nReplyCapacity, std::vector<uint8_t>& reply) {
    reply.clear();
    // A code outside the table, or bytes that do not match the code's layout,
    // are refused before the effect looks at them.
    EffectRequest decoded;
    if (!DecodeEffectRequest(nCode, request, decoded)) {
        return kBadValue;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    switch (nCode) {
        case kCmdEnableAlgorithm:
            m_enabledAlgorithms.insert(decoded.Text("name"));
            return kOk;
        case kCmdDisableAlgorithm:
            m_enabledAlgorithms.erase(decoded.Text("name"));
            return kOk;
        case kCmdShouldEnablePlatformEffect:
            if (nReplyCapacity < 1) {
                return kBadValue;
            }
            reply.push_back(m_enabledAlgorithms.empty() ? 0 : 1);
            return kOk;
        default:
            return kOk;
    }
}

void SimulatedEffect::SetPlatformEnabled(bool bEnabled) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bPlatformEnabled = bEnabled;
}

bool SimulatedEffect::PlatformEnabled() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bPlatformEnabled;
}

std::set<std::string> SimulatedEffect::EnabledAlgorithms() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_enabledAlgorithms;
}

}  // namespace HostPlatform
