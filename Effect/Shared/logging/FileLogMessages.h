// The messages a FileLogOutput puts on its queue; its worker thread executes
// them in order, so only that thread ever touches the file.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "TarvoInterprocess/Message.h"
#include "Utils/FileWriter.h"

namespace TarvoFX {

// What the worker writes to: the file, and whether lines were dropped by the
// full queue since the last line the worker handled. A drop is noticed by the
// first message accepted after it, which need not be a line; the flag keeps
// the mark for the next line. With bFlushBeforeWait a line stays in the
// writer's buffer until the worker that executes the messages flushes it,
// which it does before it waits for more; otherwise each line is flushed at
// once.
struct FileLogTarget {
    FileWriter writer;
    bool bLinesDropped = false;
    bool bFlushBeforeWait = false;
};

// The target is not owned: whoever queues these messages keeps it alive
// until the queue's worker has ended. (A reference count of its own in every
// line would be one more write to memory the worker shares, per line.)
class FileLogMessage : public TarvoInterprocess::Message {
public:
    explicit FileLogMessage(FileLogTarget* pTarget);

protected:
    // Remembers a drop reported to this message for the next line.
    void NoteDroppedLines();

    FileLogTarget* m_pTarget;
};

// Writes one rendered line (flushed at once or before the worker waits, see
// FileLogTarget); a line that follows dropped lines starts with "* ". A line
// of up to INLINE_LENGTH bytes is kept in the message itself, so queueing it
// costs one allocation.
class WriteLineMessage : public FileLogMessage {
public:
    enum { INLINE_LENGTH = 200 };

    // Room for a line of nLength bytes, which the caller puts at Text().
    WriteLineMessage(FileLogTarget* pTarget, size_t nLength);
    WriteLineMessage(FileLogTarget* pTarget, std::string_view strLine);

    char* Text() { return m_pLong ? m_pLong.get() : m_acInline; }
    void Execute() override;

private:
    size_t m_nLength;
    std::unique_ptr<char[]> m_pLong;
    char m_acInline[INLINE_LENGTH];
};

// Opens a file (closing the one open before).
class OpenFileMessage : public FileLogMessage {
public:
    OpenFileMessage(FileLogTarget* pTarget, std::string strPath, std::string strMode);
    void Execute() override;

private:
    std::string m_strPath;
    std::string m_strMode;
};

// Handled by the worker after everything queued before it: flushes what was
// written, so that a producer waiting for this (synchronous) message finds
// every line it queued before in the file when it wakes. Like every other
// message it passes a drop it was told about on to the next line.
class FlushMarkerMessage : public TarvoInterprocess::SyncMessage {
public:
    explicit FlushMarkerMessage(std::shared_ptr<FileLogTarget> pTarget);
    void Execute() override;

private:
    std::shared_ptr<FileLogTarget> m_pTarget;
};

// Closes the open file, if any.
class CloseFileMessage : public FileLogMessage {
public:
    explicit CloseFileMessage(FileLogTarget* pTarget);
    void Execute() override;
};

}  // namespace TarvoFX
