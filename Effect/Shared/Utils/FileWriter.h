// A thin owner of one stdio file, and the time texts of log records and file
// names. Failures are reported through LogDirect (platform log only), because
// the file log output runs this code on its own queue worker.
#pragma once

#include <time.h>

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace TarvoFX {

class FileWriter {
public:
    FileWriter();
    virtual ~FileWriter();

    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;

    enum { BUFFER_SIZE = 16384 };

    // Opens strPath as fopen's strMode says ("r", "w" or "a", with "+" for
    // both ways), but only a regular file: a symbolic link as the last
    // component is not followed, and a FIFO, device or directory is refused
    // (opened without blocking, so a FIFO nobody reads cannot hold the
    // caller), with an error record. A file that is still open is closed
    // first, so a second Open never leaks the earlier handle. On failure no
    // file is open. The stream buffers BUFFER_SIZE bytes.
    bool Open(const std::string& strPath, const std::string& strMode);
    // With a bound, a text that would take the file past nBytes starts a new
    // file instead: the file is renamed to its path with ".1" appended
    // (replacing an older one) and the path opened afresh. A text is never
    // split, so a file exceeds the bound only by holding one text longer
    // than it. 0, the default, leaves files unbounded.
    void SetSizeBound(size_t nBytes) { m_nSizeBound = nBytes; }
    // fputs the text to the open file; nothing without one. No newline is
    // added. Each text of up to BUFFER_SIZE bytes reaches the file in one
    // write: when it does not fit in what is left of the buffer, the buffer is
    // flushed first, so that nothing another process appends to the same file
    // can land inside it.
    void Write(const std::string& strText);
    // The same for nLength bytes that hold no zero byte.
    void Write(const char* pText, size_t nLength);
    void Flush();
    void Close();
    bool IsOpen() const { return m_pFile != nullptr; }

private:
    // The rename and the new file of SetSizeBound.
    void StartNewFile();

    FILE* m_pFile;
    std::string m_strPath;
    std::string m_strMode;
    // The file's size as this writer knows it: at opening, and what it has
    // written since (buffered or not).
    size_t m_nFileSize;
    size_t m_nSizeBound;
    std::unique_ptr<char[]> m_pBuffer;
    // Bytes written into the stream buffer since the last flush, and the
    // buffer's size: 0 when the stream could not take ours (size unknown).
    size_t m_nBuffered;
    size_t m_nBufferSize;
};

// Log record time, local time: "MM-DD hh:mm:ss:mmm".
std::string FormatLogTime(const timespec& time);
std::string FormatLogTime();

// The same text in a buffer of its own, for a record that should not
// allocate for it.
struct LogTimeText {
    char szText[80];
    size_t nLength;
    std::string_view View() const { return std::string_view(szText, nLength); }
};
LogTimeText RenderLogTime(const timespec& time);
LogTimeText RenderLogTime();

// File name stamp, local time: "_YYYYMMDDhhmmss_".
std::string FormatFileNameTime(time_t nTime);
std::string FormatFileNameTime();

}  // namespace TarvoFX
