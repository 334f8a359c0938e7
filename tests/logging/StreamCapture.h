// Redirects a stdio stream (standard output or error) into a temporary file
// for the life of the object.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <stdexcept>
#include <string>

namespace TestSupport {

class StreamCapture {
public:
    explicit StreamCapture(FILE* pStream) : m_pStream(pStream), m_pFile(std::tmpfile()) {
        std::fflush(m_pStream);
        m_nSavedFd = dup(fileno(m_pStream));
        if (m_pFile == nullptr || m_nSavedFd < 0 || dup2(fileno(m_pFile), fileno(m_pStream)) < 0) {
            Restore();
            throw std::runtime_error("cannot redirect the stream");
        }
    }
    ~StreamCapture() { Restore(); }
    StreamCapture(const StreamCapture&) = delete;
    StreamCapture& operator=(const StreamCapture&) = delete;

    // Everything written to the stream so far.
    std::string Text() {
        std::fflush(m_pStream);
        std::string strText;
        std::rewind(m_pFile);
        char szBuffer[4096];
        size_t nRead = 0;
        while ((nRead = std::fread(szBuffer, 1, sizeof(szBuffer), m_pFile)) > 0) {
            strText.append(szBuffer, nRead);
        }
        return strText;
    }

private:
    void Restore() {
        if (m_nSavedFd >= 0) {
            std::fflush(m_pStream);
            dup2(m_nSavedFd, fileno(m_pStream));
            close(m_nSavedFd);
            m_nSavedFd = -1;
        }
        if (m_pFile != nullptr) {
            std::fclose(m_pFile);
            m_pFile = nullptr;
        }
    }

    FILE* m_pStream;
    FILE* m_pFile;
    int m_nSavedFd = -1;
};

}  // namespace TestSupport
