#include "logging/FileLogMessages.h"

#include <cstring>
#include <utility>

namespace TarvoFX {

FileLogMessage::FileLogMessage(FileLogTarget* pTarget) : m_pTarget(pTarget) {}

void FileLogMessage::NoteDroppedLines() {
    if (HasGapBefore()) {
        m_pTarget->bLinesDropped = true;
    }
}

WriteLineMessage::WriteLineMessage(FileLogTarget* pTarget, size_t nLength)
    : FileLogMessage(pTarget),
      m_nLength(nLength),
      m_pLong(nLength > INLINE_LENGTH ? new char[nLength] : nullptr) {}

WriteLineMessage::WriteLineMessage(FileLogTarget* pTarget, std::string_view strLine)
    : WriteLineMessage(pTarget, strLine.size()) {
    std::memcpy(Text(), strLine.data(), strLine.size());
}

// The mark and its line go to the writer as one text, which reaches the
// file in one write.
void WriteLineMessage::Execute() {
    NoteDroppedLines();
    const char* const pLine = Text();
    if (m_pTarget->bLinesDropped) {
        std::string strMarked = "* ";
        strMarked.append(pLine, m_nLength);
        m_pTarget->writer.Write(strMarked.data(), strMarked.size());
        m_pTarget->bLinesDropped = false;
    } else {
        m_pTarget->writer.Write(pLine, m_nLength);
    }
    if (!m_pTarget->bFlushBeforeWait) {
        m_pTarget->writer.Flush();
    }
}

OpenFileMessage::OpenFileMessage(FileLogTarget* pTarget, std::string strPath, std::string strMode)
    : FileLogMessage(pTarget), m_strPath(std::move(strPath)), m_strMode(std::move(strMode)) {}

void OpenFileMessage::Execute() {
    NoteDroppedLines();
    m_pTarget->writer.Open(m_strPath, m_strMode);
}

FlushMarkerMessage::FlushMarkerMessage(std::shared_ptr<FileLogTarget> pTarget)
    : m_pTarget(std::move(pTarget)) {}

void FlushMarkerMessage::Execute() {
    if (HasGapBefore()) {
        m_pTarget->bLinesDropped = true;
    }
    m_pTarget->writer.Flush();
}

CloseFileMessage::CloseFileMessage(FileLogTarget* pTarget) : FileLogMessage(pTarget) {}

void CloseFileMessage::Execute() {
    NoteDroppedLines();
    m_pTarget->writer.Close();
}

}  // namespace TarvoFX
