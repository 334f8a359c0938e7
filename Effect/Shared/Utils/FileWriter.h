// A thin owner of one stdio file, and the time texts of log records and file
// names. Failures are reported through LogDirect (platform log only), because
// the file log output runs this code on its own queue worker.
#pragma once

#include <time.h>

#include <cstdio>
#include <string>

namespace TarvoFX {

class FileWriter {
public:
    FileWriter();
    virtual ~FileWriter();

    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;

    // fopen(strPath, strMode). A file that is still open is closed first, so a
    // second Open never leaks the earlier handle. On failure no file is open.
    bool Open(const std::string& strPath, const std::string& strMode);
    // fputs the text to the open file; nothing without one. No newline is added.
    void Write(const std::string& strText);
    void Flush();
    void Close();
    bool IsOpen() const { return m_pFile != nullptr; }

private:
    FILE* m_pFile;
};

// Log record time, local time: "MM-DD hh:mm:ss:mmm".
std::string FormatLogTime(const timespec& time);
std::string FormatLogTime();

// File name stamp, local time: "_YYYYMMDDhhmmss_".
std::string FormatFileNameTime(time_t nTime);
std::string FormatFileNameTime();

}  // namespace TarvoFX
