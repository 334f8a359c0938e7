#pragma once

#include <cstdio>

#include "logging/LogOutput.h"

namespace TarvoFX {

// Writes each record as one line to a stdio stream, in a single fprintf call
// so that lines of concurrent writers never interleave. The stream is not
// flushed per line.
class StreamLogOutput : public LogOutput {
public:
    StreamLogOutput(const char* szName, FILE* pStream);
    void Write(std::string_view strTime, int nPid, int nTid, int nLevel, std::string_view strTag,
               std::string_view strMessage) override;

protected:
    FILE* m_pStream;
};

// "STDOUT_LOG": standard output.
class StdoutLogOutput : public StreamLogOutput {
public:
    StdoutLogOutput();
};

// "STDERR_LOG": standard error.
class StderrLogOutput : public StreamLogOutput {
public:
    StderrLogOutput();
};

}  // namespace TarvoFX
