// The messages a FileLogOutput puts on its queue; its worker thread executes
// them in order, so only that thread ever touches the file.
#pragma once

#include <memory>
#include <string>

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

class FileLogMessage : public TarvoInterprocess::Message {
public:
    explicit FileLogMessage(std::shared_ptr<FileLogTarget> pTarget);

protected:
    // Remembers a drop reported to this message for the next line.
    void NoteDroppedLines();

    std::shared_ptr<FileLogTarget> m_pTarget;
};

// Writes one rendered line (flushed at once or before the worker waits, see
// FileLogTarget); a line that follows dropped lines starts with "* ".
class WriteLineMessage : public FileLogMessage {
public:
    WriteLineMessage(std::shared_ptr<FileLogTarget> pTarget, std::string strLine);
    void Execute() override;

private:
    std::string m_strLine;
};

// Opens a file (closing the one open before).
class OpenFileMessage : public FileLogMessage {
public:
    OpenFileMessage(std::shared_ptr<FileLogTarget> pTarget, std::string strPath,
                    std::string strMode);
    void Execute() override;

private:
    std::string m_strPath;
    std::string m_strMode;
};

// Closes the open file, if any.
class CloseFileMessage : public FileLogMessage {
public:
    explicit CloseFileMessage(std::shared_ptr<FileLogTarget> pTarget);
    void Execute() override;
};

}  // namespace TarvoFX
