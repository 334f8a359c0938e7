#include "logging/AndroidLogOutput.h"

#include <android/log.h>

namespace TarvoFX {

AndroidLogOutput::AndroidLogOutput() : LogOutput("ANDROID_LOG") {}

// Time and ids are the platform log's own business.
void AndroidLogOutput::Write(const std::string& /*strTime*/, int /*nPid*/, int /*nTid*/, int nLevel,
                             const std::string& strTag, const std::string& strMessage) {
    __android_log_print(GetLogLevelPriority(nLevel), strTag.c_str(), "%s", strMessage.c_str());
}

}  // namespace TarvoFX
