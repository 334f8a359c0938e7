#include "logging/StreamLogOutput.h"

namespace TarvoFX {

StreamLogOutput::StreamLogOutput(const char* szName, FILE* pStream)
    : LogOutput(szName), m_pStream(pStream) {}

void StreamLogOutput::Write(std::string_view strTime, int nPid, int nTid, int nLevel,
                            std::string_view strTag, std::string_view strMessage) {
    const std::string strLine = FormatLogLine(strTime, nPid, nTid, nLevel, strTag, strMessage);
    std::fprintf(m_pStream, "%s\n", strLine.c_str());
}

StdoutLogOutput::StdoutLogOutput() : StreamLogOutput("STDOUT_LOG", stdout) {}

StderrLogOutput::StderrLogOutput() : StreamLogOutput("STDERR_LOG", stderr) {}

}  // namespace TarvoFX
