// The parser's entry: which dialect the front of a client's input is in, and
// which parser takes it. The binary requests are read in
// CCommandsParserBinary.cpp, the text lines in CCommandsParserText.cpp.
#include "NetworkManager/CCommandsParser.h"

#include <string.h>

#include <algorithm>

#include "NetworkManager/CCommandsParserSupport.h"

namespace TarvoFX {

namespace {

using CommandsParserSupport::IsCommandNumber;
using CommandsParserSupport::kWord;
using CommandsParserSupport::Record;

}  // namespace

void* CCommandsParser::Parse(void* pClient) {
    if (pClient == nullptr) {
        return nullptr;
    }
    CCommandData& data = *static_cast<CCommandData*>(pClient);
    CReceiveBuffer& strData = data.GetData();
    // The bytes at the front decide the dialect, so requests are taken in
    // the order they arrived. Data that came with descriptors has its turn
    // after a text line and before a binary request.
    if (!strData.empty() && FrontDialect(strData) == Dialect::kText) {
        Record pRecord = ParseTextRequest(strData);
        if (pRecord) {
            pRecord->eProtocolVersion = kText;
        }
        return pRecord.release();
    }
    if (!data.GetFDs().empty()) {
        return ParseFDs(&data).release();
    }
    return ParseBinaryData(strData).release();
}

CCommandsParser::Dialect CCommandsParser::FrontDialect(const CReceiveBuffer& strData) {
    const size_t nKnown = std::min(strData.size(), kWord);
    const bool bMarker = memcmp(strData.data(), kFrameMarker, nKnown) == 0;
    // A command number is a little-endian word 1..28: its low byte, then zeros.
    bool bCommand = nKnown > 0 && IsCommandNumber(strData.ByteAt(0));
    for (size_t nIndex = 1; nIndex < nKnown && bCommand; ++nIndex) {
        bCommand = strData.ByteAt(nIndex) == 0;
    }
    if (!bMarker && !bCommand) {
        return Dialect::kText;
    }
    return nKnown < kWord ? Dialect::kUndecided : Dialect::kBinary;
}

}  // namespace TarvoFX
