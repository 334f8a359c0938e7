#include "HostPlatform/SimulatedEffect.h"

#include <algorithm>

namespace HostPlatform {

namespace {

constexpr int32_t kOk = 0;
constexpr int32_t kBadValue = -22;

constexpr uint32_t kCmdEnableAlgorithm = 0x10012;
constexpr uint32_t kCmdDisableAlgorithm = 0x10013;
constexpr uint32_t kCmdShouldEnablePlatformEffect = 0x10031;

// A request that carries a zero-terminated text; false when the terminator is missing.
bool ReadZeroTerminated(const std::vector<uint8_t>& request, std::string& strText) {
    auto itEnd = std::find(request.begin(), request.end(), uint8_t(0));
    if (itEnd == request.end()) {
        return false;
    }
    strText.assign(request.begin(), itEnd);
    return true;
}

}  // namespace

int32_t SimulatedEffect::Handle(uint32_t nCode, const std::vector<uint8_t>& request,
                                uint32_t nReplyCapacity, std::vector<uint8_t>& reply) {
    reply.clear();
    if (nCode < kFirstCode || nCode > kLastCode) {
        return kBadValue;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    switch (nCode) {
        case kCmdEnableAlgorithm:
        case kCmdDisableAlgorithm: {
            std::string strAlg;
            if (!ReadZeroTerminated(request, strAlg)) {
                return kBadValue;
            }
            if (nCode == kCmdEnableAlgorithm) {
                m_enabledAlgorithms.insert(strAlg);
            } else {
                m_enabledAlgorithms.erase(strAlg);
            }
            return kOk;
        }
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
