// The process-wide log object reads its configuration on a thread of its own
// and refuses run-time level and output changes until it has finished; its
// file output's worker thread writes a debug record when it starts. Tests that
// change levels or outputs, or count records, wait for both first.
#pragma once

#include <chrono>
#include <memory>

#include "logging/FileLogOutput.h"
#include "logging/TarvoLog.h"
#include "logging/TarvoLogImpl.h"

namespace TestSupport {

// True once the process-wide log object has finished loading and its file
// output's worker has handled everything queued so far (bounded wait).
inline bool WaitForLogInit() {
    TarvoFX::TarvoLogImpl& impl = *TarvoFX::TarvoLog::Instance().m_pImpl;
    if (!impl.WaitForInit(std::chrono::seconds(10))) {
        return false;
    }
    auto pFile = std::dynamic_pointer_cast<TarvoFX::FileLogOutput>(impl.GetOutput(4));
    return pFile && pFile->WaitUntilWritten();
}

}  // namespace TestSupport
