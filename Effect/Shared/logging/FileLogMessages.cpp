#include "logging/FileLogMessages.h"

#include <utility>

namespace TarvoFX {

FileLogMessage::FileLogMessage(std::shared_ptr<FileLogTarget> pTarget)
    : m_pTarget(std::move(pTarget)) {}

void FileLogMessage::NoteDroppedLines() {
    if (HasGapBefore()) {
        m_pTarget->bLinesDropped = true;
    }
}

WriteLineMessage::WriteLineMessage(std::shared_ptr<FileLogTarget> pTarget, std::string strLine)
    : FileLogMessage(std::move(pTarget)), m_strLine(std::move(strLine)) {}

// The mark and its line go to the writer as one text, which reaches the
// file in one write.
void WriteLineMessage::Execute() {
    NoteDroppedLines();
    if (m_pTarget->bLinesDropped) {
        m_pTarget->writer.Write("* " + m_strLine);
        m_pTarget->bLinesDropped = false;
    } else {
        m_pTarget->writer.Write(m_strLine);
    }
    if (!m_pTarget->bFlushBeforeWait) {
        m_pTarget->writer.Flush();
    }
}

OpenFileMessage::OpenFileMessage(std::shared_ptr<FileLogTarget> pTarget, std::string strPath,
                                 std::string strMode)
    : FileLogMessage(std::move(pTarget)),
      m_strPath(std::move(strPath)),
      m_strMode(std::move(strMode)) {}

void OpenFileMessage::Execute() {
    NoteDroppedLines();
    m_pTarget->writer.Open(m_strPath, m_strMode);
}

CloseFileMessage::CloseFileMessage(std::shared_ptr<FileLogTarget> pTarget)
    : FileLogMessage(std::move(pTarget)) {}

void CloseFileMessage::Execute() {
    NoteDroppedLines();
    m_pTarget->writer.Close();
}

}  // namespace TarvoFX
