#include "VTCommands/CVTReplyGetSupportedOutputModeName.h"

#include <utility>

#include "VTCommands/CRawLayout.h"
#include "logging/TarvoLog.h"

namespace TarvoFX {

namespace {

constexpr uint32_t kEntryHeaderSize = 4 + 4;  // id and name length

void LogReadSize(uint32_t nBufferLen, uint64_t nReadSize) {
    TARVO_LOGE("Received invalid size %d while the read size is %d", nBufferLen,
               ClampToU32(nReadSize));
}

}  // namespace

CVTReplyGetSupportedOutputModeName::CVTReplyGetSupportedOutputModeName(int32_t nExpectedCount)
    : m_nExpectedCount(nExpectedCount) {
    TARVO_LOG_ENTRY(
        "TarvoFX::CVTReplyGetSupportedOutputModeName::CVTReplyGetSupportedOutputModeName(int)");
}

CVTReplyGetSupportedOutputModeName::CVTReplyGetSupportedOutputModeName(
    const std::map<uint32_t, std::string>& mapNames)
    : m_nExpectedCount(static_cast<int32_t>(mapNames.size())), m_mapNames(mapNames) {
    TARVO_LOG_ENTRY(
        "TarvoFX::CVTReplyGetSupportedOutputModeName::CVTReplyGetSupportedOutputModeName(const "
        "std::map<unsigned int, std::string>&)");
}

std::vector<char> CVTReplyGetSupportedOutputModeName::ToBuffer() const {
    TARVO_LOG_ENTRY(
        "virtual std::vector<char> TarvoFX::CVTReplyGetSupportedOutputModeName::ToBuffer() const");
    size_t nSize = 0;
    for (const auto& entry : m_mapNames) {
        nSize += kEntryHeaderSize + entry.second.size();
    }
    LittleEndian::Writer writer;
    writer.Reserve(nSize);
    for (const auto& entry : m_mapNames) {
        writer.U32(entry.first).LengthAndBytes(entry.second);
    }
    return writer.Take();
}

bool CVTReplyGetSupportedOutputModeName::FromBufffer(const void* pBuffer, uint32_t nBufferLen) {
    CRawLayoutReader reader("CVTReplyGetSupportedOutputModeName", pBuffer, nBufferLen);
    if (!reader.CheckMinimumSize(kMinSize, CRawLayoutReader::MinSizeText::kReply)) {
        return false;
    }
    std::map<uint32_t, std::string> mapNames;
    for (int32_t i = 0; i < m_nExpectedCount; ++i) {
        const uint64_t nEntryStart = reader.Position();
        uint32_t nId = 0;
        uint32_t nLength = 0;
        if (!reader.U32(nId) || !reader.U32(nLength)) {
            // The entry's header alone passes the end.
            LogReadSize(nBufferLen, nEntryStart + kEntryHeaderSize);
            return false;
        }
        std::string strName;
        if (!reader.String(nLength, strName)) {
            LogReadSize(nBufferLen, uint64_t{reader.Position()} + nLength);
            return false;
        }
        mapNames[nId] = std::move(strName);
    }
    if (reader.Position() != nBufferLen) {
        LogReadSize(nBufferLen, reader.Position());
        return false;
    }
    m_mapNames = std::move(mapNames);
    return true;
}

}  // namespace TarvoFX
