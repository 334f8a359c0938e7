// The process-wide log object reads its configuration on a thread of its own
// and refuses run-time level and output changes until it has finished. Tests
// that change levels or outputs wait for that first.
#pragma once

#include <chrono>

#include "logging/TarvoLog.h"
#include "logging/TarvoLogImpl.h"

namespace TestSupport {

// True once the process-wide log object has finished loading (bounded wait).
inline bool WaitForLogInit() {
    return TarvoFX::TarvoLog::Instance().m_pImpl->WaitForInit(std::chrono::seconds(10));
}

}  // namespace TestSupport
