#pragma once

#include "logging/LogOutput.h"

namespace TarvoFX {

// The platform log, "ANDROID_LOG": the default output.
class AndroidLogOutput : public LogOutput {
public:
    AndroidLogOutput();
    void Write(std::string_view strTime, int nPid, int nTid, int nLevel, std::string_view strTag,
               std::string_view strMessage) override;
};

}  // namespace TarvoFX
