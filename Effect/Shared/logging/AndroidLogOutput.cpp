#include "logging/AndroidLogOutput.h"

#include <android/log.h>

namespace TarvoFX {

namespace {
// The platform log formats a print call into a buffer of this many bytes.
constexpr size_t kPrintBufferSize = 1024;
}  // namespace

AndroidLogOutput::AndroidLogOutput() : LogOutput("ANDROID_LOG") {}

// Time and ids are the platform log's own business. A message that fits the
// platform's print buffer (every record formatted by the log object does) is written as
// it stands rather than formatted a second time through "%s"; a longer one
// goes through the print call, which cuts it the same way as before.
void AndroidLogOutput::Write(std::string_view /*strTime*/, int /*nPid*/, int /*nTid*/, int nLevel,
                             std::string_view strTag, std::string_view strMessage) {
    // Both views end where a zero byte follows.
    if (strMessage.size() < kPrintBufferSize) {
        __android_log_write(GetLogLevelPriority(nLevel), strTag.data(), strMessage.data());
    } else {
        __android_log_print(GetLogLevelPriority(nLevel), strTag.data(), "%s", strMessage.data());
    }
}

}  // namespace TarvoFX
