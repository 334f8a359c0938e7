#pragma once

#include "logging/LogOutput.h"

namespace TarvoFX {

// The platform log, "ANDROID_LOG": the default output.
class AndroidLogOutput : public LogOutput {
public:
    AndroidLogOutput();
    void Write(const std::string& strTime, int nPid, int nTid, int nLevel,
               const std::string& strTag, const std::string& strMessage) override;
};

}  // namespace TarvoFX
