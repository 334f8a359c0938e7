#include "NetworkManager/CCommandsParser.h"

#include "NetworkManager/TuningProtocol.h"

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <type_traits>
#include <vector>

#include "Utils/LittleEndian.h"
#include "Utils/StringUtils.h"
#include "logging/TarvoLog.h"

namespace TarvoFX {

namespace {

using Record = CCommandsParser::Record;

// Widths of the binary fields.
constexpr size_t kWord = 4;
constexpr size_t kDouble = 8;
constexpr size_t kPairSize = kWord + kDouble;
// Framed request: marker, payload length, payload.
constexpr size_t kFrameHeader = 2 * kWord;
// Path lengths the binary requests accept (bytes, without terminator).
constexpr uint32_t kMaxBinaryPath = CDataAPO::kMaxPathLength;
constexpr uint32_t kMaxBinaryRecordingPath = CDataAPO::kMaxRecordingPathLength;
// A debug record cannot hold more than this of the buffer anyway.
constexpr size_t kMaxLoggedBytes = 1024;

// The binary fields at nOffset. Every caller has checked that they are
// buffered; should one not be, the codec reads nothing and the field is 0.
template <typename T>
T ReadField(const CReceiveBuffer& strData, size_t nOffset) {
    T value = 0;
    LittleEndian::Reader(strData.data(), strData.size())
        .Get(LittleEndian::Field<T>{nOffset}, value);
    return value;
}

uint32_t ReadU32(const CReceiveBuffer& strData, size_t nOffset) {
    return ReadField<uint32_t>(strData, nOffset);
}

double ReadF64(const CReceiveBuffer& strData, size_t nOffset) {
    return ReadField<double>(strData, nOffset);
}

// Sizes and words are logged with "%d" (sizes are bounded by the receive
// limit; words are shown as the peer sent them). One template, since size_t
// and uint32_t are the same type on 32-bit targets.
template <typename T>
int LogInt(T nValue) {
    static_assert(std::is_unsigned<T>::value, "sizes and words only");
    return static_cast<int>(nValue);
}

// Copies nLength bytes from nOffset into a fixed-size field and terminates it;
// the caller has checked that they fit.
template <size_t N>
void CopyText(const CReceiveBuffer& strData, size_t nOffset, size_t nLength, char (&szField)[N]) {
    memcpy(szField, strData.data() + nOffset, nLength);
    szField[nLength] = '\0';
}

// True when nSize bytes are buffered; otherwise the request waits.
bool HasBytes(const CReceiveBuffer& strData, size_t nSize) {
    if (strData.size() >= nSize) {
        return true;
    }
    TARVO_LOGI("strData size is too small %d ", LogInt(strData.size()));
    return false;
}

// A request of fixed size: fill reads the fields from the buffer.
template <typename Fill>
Record ParseFixedSize(CReceiveBuffer& strData, size_t nSize, Fill fill) {
    if (!HasBytes(strData, nSize)) {
        return nullptr;
    }
    Record pRecord = std::make_unique<CDataAPO>();
    fill(*pRecord);
    strData.Consume(nSize);
    return pRecord;
}

// A request whose header of nHeader bytes ends in a count, followed by that
// many items of nItemSize bytes. True when all of it is buffered; otherwise it
// waits, with szShortHeader (buffered size) or szShortItems (count and
// buffered size) as the record.
bool HasCountedItems(const CReceiveBuffer& strData, size_t nHeader, size_t nItemSize,
                     const char* szShortHeader, const char* szShortItems, uint32_t& nOutCount) {
    if (strData.size() < nHeader) {
        TARVO_LOGI(szShortHeader, LogInt(strData.size()));
        return false;
    }
    nOutCount = ReadU32(strData, nHeader - kWord);
    // Divided rather than multiplied: the item bytes of a wire count may not
    // fit a 32-bit size.
    if ((strData.size() - nHeader) / nItemSize < nOutCount) {
        TARVO_LOGI(szShortItems, LogInt(nOutCount), LogInt(strData.size()));
        return false;
    }
    return true;
}

// A parameter array: command, count, then count items of nItemSize bytes,
// each handed to readItem with its offset.
template <typename ReadItem>
Record ParseCountedItems(CReceiveBuffer& strData, size_t nItemSize, const char* szShortHeader,
                         ReadItem readItem) {
    uint32_t nCount = 0;
    if (!HasCountedItems(
            strData, 2 * kWord, nItemSize, szShortHeader,
            "strData size is too small, not enougt to read nCountParam %d, strData size %d ",
            nCount)) {
        return nullptr;
    }
    Record pRecord = std::make_unique<CDataAPO>();
    size_t nOffset = 2 * kWord;
    for (uint32_t nIndex = 0; nIndex < nCount; ++nIndex, nOffset += nItemSize) {
        readItem(*pRecord, nOffset);
    }
    strData.Consume(nOffset);
    return pRecord;
}

bool IsCommandNumber(uint32_t nWord) {
    return nWord >= 1 && nWord <= kCommandLast;
}

// ---------------------------------------------------------------------------
// Text lines

enum class LineResult {
    kAccepted,
    kMismatch,  // fewer conversions than the format needs
    kTooLong,   // a word longer than its field
    kRefused,   // refused, already logged
};

// sscanf cuts a word at the field width; the word was whole only when what
// follows it (nEnd, from "%n") is white space or the end of the text.
bool WordFits(const std::string& strValue, int nEnd) {
    if (nEnd < 0 || static_cast<size_t>(nEnd) > strValue.size()) {
        return false;
    }
    const unsigned char cNext = static_cast<unsigned char>(strValue.c_str()[nEnd]);
    return cNext == '\0' || isspace(cNext);
}

// The shape every text parser shares: find the line, convert its argument
// text with convert (which fills the record), then consume the line.
template <typename Convert>
Record ParseTextLine(CCommandsParser& parser, CReceiveBuffer& strData,
                     const std::string& strKeyword, uint32_t nCommand, Convert convert) {
    size_t nStart = 0;
    size_t nEnd = 0;
    std::string strValue;
    if (!parser.ParseTextCommandPrefix(strData, strKeyword, nStart, nEnd, strValue)) {
        return nullptr;
    }
    Record pRecord = std::make_unique<CDataAPO>();
    const LineResult eResult = convert(strValue, *pRecord);
    if (eResult == LineResult::kAccepted) {
        pRecord->nCommand = nCommand;
        strData.Consume(nEnd + 1);
        return pRecord;
    }
    if (eResult == LineResult::kMismatch) {
        TARVO_LOGE("sscanf failed on %s ", strValue.c_str());
    } else if (eResult == LineResult::kTooLong) {
        TARVO_LOGE("Argument too long in %s ", strValue.c_str());
    }
    // A refused line goes alone: its line feed marks where the next request
    // starts, so nothing behind it is lost.
    strData.Consume(nEnd + 1);
    return nullptr;
}

Record ParseTextNoArguments(CCommandsParser& parser, CReceiveBuffer& strData,
                            const std::string& strKeyword, uint32_t nCommand) {
    return ParseTextLine(parser, strData, strKeyword, nCommand,
                         [](const std::string&, CDataAPO&) { return LineResult::kAccepted; });
}

// The plain forms tuning tools send are read without the general scanner:
// digits, or a decimal with an optional sign and fraction, followed by white
// space or the end of the text. Anything else is left to sscanf, so that the
// forms accepted, and the values read, stay exactly those of the formats.

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

const char* SkipBlanks(const char* p) {
    while (IsBlank(*p)) {
        ++p;
    }
    return p;
}

// Up to nine digits (no overflow) ending at a blank or the end: *pValue and
// the end, else null.
const char* PlainDigits(const char* p, uint32_t* pValue) {
    uint32_t nValue = 0;
    const char* pStart = p;
    while (*p >= '0' && *p <= '9' && p - pStart < 9) {
        nValue = nValue * 10 + static_cast<uint32_t>(*p - '0');
        ++p;
    }
    if (p == pStart || (*p != '\0' && !IsBlank(*p))) {
        return nullptr;
    }
    *pValue = nValue;
    return p;
}

// [-]digits[.digits] ending at a blank or the end, converted as "%lf" does
// (the same conversion of the same characters); else false.
bool PlainDecimal(const char* p, double* pValue) {
    const char* q = *p == '-' ? p + 1 : p;
    const char* pDigits = q;
    while (*q >= '0' && *q <= '9') {
        ++q;
    }
    if (q == pDigits) {
        return false;
    }
    if (*q == '.') {
        ++q;
        while (*q >= '0' && *q <= '9') {
            ++q;
        }
    }
    if (*q != '\0' && !IsBlank(*q)) {
        return false;
    }
    char* pEnd = nullptr;
    *pValue = strtod(p, &pEnd);
    return pEnd == q;
}

// sscanf(" %u %lf").
int ScanIdAndValue(const std::string& strValue, uint32_t* pnId, double* pdValue) {
    const char* p = PlainDigits(SkipBlanks(strValue.c_str()), pnId);
    if (p != nullptr && IsBlank(*p) && PlainDecimal(SkipBlanks(p), pdValue)) {
        return 2;
    }
    return sscanf(strValue.c_str(), " %u %lf", pnId, pdValue);
}

// sscanf(" %lf").
int ScanValue(const std::string& strValue, double* pdValue) {
    if (PlainDecimal(SkipBlanks(strValue.c_str()), pdValue)) {
        return 1;
    }
    return sscanf(strValue.c_str(), " %lf", pdValue);
}

LineResult Expect(int nConverted, int nNeeded) {
    return nConverted == nNeeded ? LineResult::kAccepted : LineResult::kMismatch;
}

// "<name> <number>" with the name limited to the name field.
LineResult ConvertNameAndNumber(const std::string& strValue, CDataAPO& record, int32_t& nNumber) {
    static_assert(CDataAPO::kMaxNameLength == 255, "the formats below use the field width");
    int nEnd = -1;
    const int nConverted = sscanf(strValue.c_str(), "%255s%n %d", record.szName, &nEnd, &nNumber);
    if (nConverted == 2 && !WordFits(strValue, nEnd)) {
        return LineResult::kTooLong;
    }
    return Expect(nConverted, 2);
}

// "<path>" limited to the path field.
LineResult ConvertPath(const std::string& strValue, CDataAPO& record) {
    static_assert(CDataAPO::kMaxPathLength == 1024, "the formats below use the field width");
    int nEnd = -1;
    const int nConverted = sscanf(strValue.c_str(), "%1024s%n", record.szPath, &nEnd);
    if (nConverted == 1 && !WordFits(strValue, nEnd)) {
        return LineResult::kTooLong;
    }
    return Expect(nConverted, 1);
}

// " <int>" into an unsigned field, keeping the bits of a negative number.
LineResult ConvertIntBits(const std::string& strValue, uint32_t& nField) {
    int nValue = 0;
    const int nConverted = sscanf(strValue.c_str(), " %d", &nValue);
    nField = static_cast<uint32_t>(nValue);
    return Expect(nConverted, 1);
}

const std::string& s_strGetParamArray = TuningProtocol::kGetParamArray;
const std::string& s_strFlushCoeffFile = TuningProtocol::kFlushCoeffFile;
const std::string& s_strProfile = TuningProtocol::kProfile;
const std::string& s_strParam = TuningProtocol::kParam;
const std::string& s_strSetRecording = TuningProtocol::kSetRecording;
const std::string& s_strSoundMode = TuningProtocol::kSoundMode;
const std::string& s_strCustomOutputMode = TuningProtocol::kCustomOutputMode;
const std::string& s_strOutputMode = TuningProtocol::kOutputMode;
const std::string& s_strLoadPreset = TuningProtocol::kLoadPreset;
const std::string& s_strLogLevel = TuningProtocol::kLogLevel;
const std::string& s_strLogOutput = TuningProtocol::kLogOutput;
const std::string& s_strApoDump = TuningProtocol::kApoDump;
const std::string& s_strSetTagEx = TuningProtocol::kSetTagEx;
const std::string& s_strCalibrateKv = TuningProtocol::kCalibrateKv;
const std::string& s_strMetersEnable = TuningProtocol::kMetersEnable;
const std::string& s_strMetersDisable = TuningProtocol::kMetersDisable;
const std::string& s_strVolume = TuningProtocol::kVolume;
const std::string& s_strGetVersion = TuningProtocol::kGetVersion;

struct STextCommand {
    const std::string& strKeyword;
    Record (CCommandsParser::*pfnParse)(CReceiveBuffer&);
};

// The keywords. In a line the one that starts first is the request; where
// two start at the same place the longer wins. A keyword contained in another
// ("param" in "get_param_array", "outputmode" in "customoutputmode") starts
// later than it, so it is never taken for it.
const STextCommand s_aTextCommands[] = {
    {s_strGetParamArray, &CCommandsParser::ParseTextRequestParameterArray},
    {s_strFlushCoeffFile, &CCommandsParser::ParseTextFlushCoeffFile},
    {s_strProfile, &CCommandsParser::ParseTextProfilingData},
    {s_strParam, &CCommandsParser::ParseTextParamData},
    {s_strSetRecording, &CCommandsParser::ParseTextRecordingData},
    {s_strSoundMode, &CCommandsParser::ParseTextSetSoundModeData},
    {s_strCustomOutputMode, &CCommandsParser::ParseTextSetCustomOutputModeData},
    {s_strOutputMode, &CCommandsParser::ParseTextSetOutputModeData},
    {s_strLoadPreset, &CCommandsParser::ParseTextLoadPresetData},
    {s_strLogLevel, &CCommandsParser::ParseTextSetLogLevel},
    {s_strLogOutput, &CCommandsParser::ParseTextSetLogOutput},
    {s_strApoDump, &CCommandsParser::ParseTextApoDump},
    {s_strSetTagEx, &CCommandsParser::ParseTextSetTagEX},
    {s_strCalibrateKv, &CCommandsParser::ParseTextCalibrateKv},
    {s_strMetersEnable, &CCommandsParser::ParseMetersEnable},
    {s_strMetersDisable, &CCommandsParser::ParseMetersDisable},
    {s_strVolume, &CCommandsParser::ParseTextSetSystemVolume},
    {s_strGetVersion, &CCommandsParser::ParseTextGetVersion},
};

}  // namespace

// ---------------------------------------------------------------------------
// Entry

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

CCommandsParser::Record CCommandsParser::ParseTextRequest(CReceiveBuffer& strData) {
    const size_t nLineEnd = strData.Find("\n");
    if (nLineEnd == CReceiveBuffer::npos) {
        return nullptr;
    }
    // The line is read once from its start; at the first place where any
    // keyword starts, the longest one there is the request.
    const char* pLine = strData.data();
    for (size_t nAt = 0; nAt < nLineEnd; ++nAt) {
        const STextCommand* pChosen = nullptr;
        for (const STextCommand& command : s_aTextCommands) {
            const std::string& strKeyword = command.strKeyword;
            if (strKeyword[0] == pLine[nAt] && strKeyword.size() <= nLineEnd - nAt &&
                memcmp(pLine + nAt, strKeyword.data(), strKeyword.size()) == 0 &&
                (pChosen == nullptr || strKeyword.size() > pChosen->strKeyword.size())) {
                pChosen = &command;
            }
        }
        if (pChosen != nullptr) {
            return (this->*pChosen->pfnParse)(strData);
        }
    }
    TARVO_LOGE("No command in line: %s",
               std::string(strData.View().substr(0, std::min(nLineEnd, kMaxLoggedBytes))).c_str());
    strData.Consume(nLineEnd + 1);
    return nullptr;
}

// ---------------------------------------------------------------------------
// Binary dialects

Record CCommandsParser::ParseBinaryData(CReceiveBuffer& strData) {
    // A 4-byte request alone is not served until one more byte arrives.
    if (strData.size() < kWord + 1) {
        return nullptr;
    }
    TARVO_LOGI("Received barker received: 0x%02x 0x%02x 0x%02x 0x%02x", strData.ByteAt(0),
               strData.ByteAt(1), strData.ByteAt(2), strData.ByteAt(3));
    if (memcmp(strData.data(), kFrameMarker, sizeof(kFrameMarker)) == 0) {
        Record pRecord = ParseBinaryDataNewFormat(strData);
        if (pRecord) {
            pRecord->eProtocolVersion = kBinaryFramed;
        }
        return pRecord;
    }
    const uint32_t nWord = ReadU32(strData, 0);
    if (IsCommandNumber(nWord)) {
        Record pRecord = ParseCommandData(strData);
        if (pRecord) {
            pRecord->eProtocolVersion = kBinary;
        }
        return pRecord;
    }
    TARVO_LOGE("Invalid Command: %d", LogInt(nWord));
    strData.Clear();
    return nullptr;
}

Record CCommandsParser::ParseBinaryDataNewFormat(CReceiveBuffer& strData) {
    if (strData.size() < kFrameHeader) {
        TARVO_LOGI("strData size is too small %d ", LogInt(strData.size()));
        return nullptr;
    }
    const uint32_t nLen = ReadU32(strData, kWord);
    if (nLen > kMaxFramePayload) {
        TARVO_LOGD("nLen is too big: %d", LogInt(nLen));
        strData.Clear();
        return nullptr;
    }
    if (strData.size() - kFrameHeader < nLen) {
        TARVO_LOGD("Not enough received, received %d instead of %d", LogInt(strData.size()),
                   LogInt(kFrameHeader + nLen));
        return nullptr;
    }
    CReceiveBuffer strPayload(strData.View().substr(kFrameHeader, nLen));
    strData.Consume(kFrameHeader + nLen);
    // Whatever the payload parser leaves of the payload goes with the frame.
    if (nLen < kWord) {
        TARVO_LOGE("Frame payload too short: %d", LogInt(nLen));
        return nullptr;
    }
    return ParseCommandData(strPayload);
}

Record CCommandsParser::ParseCommandData(CReceiveBuffer& strData) {
    if (!HasBytes(strData, kWord)) {
        return nullptr;
    }
    const uint32_t nCommand = ReadU32(strData, 0);
    if (!IsCommandNumber(nCommand)) {
        TARVO_LOGE("nCommand invalid: %d", LogInt(nCommand));
        strData.Clear();
        return nullptr;
    }
    Record pRecord;
    switch (nCommand) {
        case kCommandSetParameter:
        case kCommandParameterValue:
            pRecord = ParseGetSetParameter(strData);
            break;
        case kCommandSetParameterArray:
        case kCommandParameterArrayValues:
            pRecord = ParseGetSetParameterArray(strData);
            break;
        case kCommandSetChunk:
        case kCommandGetChunk:
            pRecord = ParseGetSetChunk(strData);
            break;
        case kCommandGetVersion:
            pRecord = ParseGetVersion(strData);
            break;
        case kCommandRequestParameter:
            pRecord = ParseRequestParameter(strData);
            break;
        case kCommandRequestParameterArray:
            pRecord = ParseRequestParameterArray(strData);
            break;
        case kCommandSetSoundMode:
            pRecord = ParseSetSoundMode(strData);
            break;
        case kCommandSetRecording:
            pRecord = ParseEnableRecording(strData);
            break;
        case kCommandSetOutputMode:
            pRecord = ParseSetOutputMode(strData);
            break;
        case kCommandLoadPreset:
            pRecord = ParseLoadPreset(strData);
            break;
        case kCommandCloseAshmem:
            pRecord = ParseCloseAshmem(strData);
            break;
        case kCommandSetCustomOutputMode:
            pRecord = ParseSetCustomOutputMode(strData);
            break;
        case kCommandCalibrateKv:
            pRecord = ParseCalibrateKv(strData);
            break;
        default:
            TARVO_LOGE("Got unexpected data");
            strData.Clear();
            return nullptr;
    }
    if (pRecord) {
        pRecord->nCommand = nCommand;
    }
    return pRecord;
}

Record CCommandsParser::ParseGetSetParameter(CReceiveBuffer& strData) {
    return ParseFixedSize(strData, kWord + kPairSize, [&](CDataAPO& record) {
        record.nParam = ReadU32(strData, kWord);
        record.dValue = ReadF64(strData, 2 * kWord);
    });
}

Record CCommandsParser::ParseGetSetParameterArray(CReceiveBuffer& strData) {
    return ParseCountedItems(
        strData, kPairSize, "strData size is too small, not enougt to read count %d ",
        [&](CDataAPO& record, size_t nOffset) {
            record.vecParameters.push_back(
                {ReadU32(strData, nOffset), ReadF64(strData, nOffset + kWord)});
        });
}

Record CCommandsParser::ParseGetSetChunk(CReceiveBuffer& strData) {
    constexpr size_t kHeader = 3 * kWord;
    uint32_t nSize = 0;
    if (!HasCountedItems(
            strData, kHeader, 1, "strData size is too small, not enougt to read count %d ",
            "strData size is too small, not enougt to read nSize %d, strData size %d ", nSize)) {
        return nullptr;
    }
    Record pRecord = std::make_unique<CDataAPO>();
    pRecord->nType = ReadU32(strData, kWord);
    pRecord->strChunk.assign(strData.data() + kHeader, nSize);
    strData.Consume(kHeader + nSize);
    return pRecord;
}

Record CCommandsParser::ParseGetVersion(CReceiveBuffer& strData) {
    return ParseFixedSize(strData, kWord, [](CDataAPO&) {});
}

Record CCommandsParser::ParseRequestParameter(CReceiveBuffer& strData) {
    return ParseFixedSize(strData, 2 * kWord,
                          [&](CDataAPO& record) { record.nParam = ReadU32(strData, kWord); });
}

Record CCommandsParser::ParseRequestParameterArray(CReceiveBuffer& strData) {
    return ParseCountedItems(strData, kWord,
                             "strData size is too small, not enough to read count %d ",
                             [&](CDataAPO& record, size_t nOffset) {
                                 record.vecParameterIds.push_back(ReadU32(strData, nOffset));
                             });
}

Record CCommandsParser::ParseSetSoundMode(CReceiveBuffer& strData) {
    return ParseFixedSize(strData, 2 * kWord,
                          [&](CDataAPO& record) { record.nMode = ReadU32(strData, kWord); });
}

Record CCommandsParser::ParseEnableRecording(CReceiveBuffer& strData) {
    if (!HasBytes(strData, 2 * kWord)) {
        return nullptr;
    }
    const uint32_t nStatus = ReadU32(strData, kWord);
    Record pRecord = std::make_unique<CDataAPO>();
    pRecord->nStatus = nStatus;
    if (nStatus == 1) {
        constexpr size_t kHeader = 3 * kWord;
        if (strData.size() < kHeader) {
            TARVO_LOGI("strData size is too small %d, didn't receive enough for path len",
                       LogInt(strData.size()));
            return nullptr;
        }
        const uint32_t nPathLen = ReadU32(strData, 2 * kWord);
        if (nPathLen > kMaxBinaryRecordingPath) {
            TARVO_LOGE("Received invalid path size %d", LogInt(nPathLen));
            strData.Clear();
            return nullptr;
        }
        if (strData.size() - kHeader < nPathLen) {
            TARVO_LOGI("strData size is too small %d, didn't receive enough for record prefix",
                       LogInt(strData.size()));
            return nullptr;
        }
        CopyText(strData, kHeader, nPathLen, pRecord->szPath);
        strData.Consume(kHeader + nPathLen);
    } else if (nStatus == 0) {
        strData.Consume(2 * kWord);
    } else {
        TARVO_LOGE("Received invalid statuc %d", LogInt(nStatus));
        strData.Clear();
        return nullptr;
    }
    TARVO_LOGD("ParseEnableRecording() recording status %d prefix %s", LogInt(nStatus),
               pRecord->szPath);
    return pRecord;
}

Record CCommandsParser::ParseSetOutputMode(CReceiveBuffer& strData) {
    return ParseSetSoundMode(strData);
}

Record CCommandsParser::ParseLoadPreset(CReceiveBuffer& strData) {
    if (!HasBytes(strData, 2 * kWord)) {
        return nullptr;
    }
    const uint32_t nPathLen = ReadU32(strData, kWord);
    // Compared unsigned: a length with the top bit set is far too long, not
    // negative.
    if (nPathLen == 0 || nPathLen > kMaxBinaryPath) {
        TARVO_LOGI("the length of file path is wrong %d, it should be less then %d or meaningful",
                   LogInt(nPathLen), LogInt(kMaxBinaryPath));
        // An empty path is a complete request and goes alone. An over-long
        // one cannot be skipped safely (its length is not to be trusted), so
        // everything buffered goes. Either way later requests are served.
        if (nPathLen == 0) {
            strData.Consume(2 * kWord);
        } else {
            strData.Clear();
        }
        return nullptr;
    }
    if (strData.size() - 2 * kWord < nPathLen) {
        TARVO_LOGI("strData size is too small, not enougt to read file path %d, strData size %d ",
                   LogInt(nPathLen), LogInt(strData.size()));
        return nullptr;
    }
    Record pRecord = std::make_unique<CDataAPO>();
    CopyText(strData, 2 * kWord, nPathLen, pRecord->szPath);
    TARVO_LOGD("ParseLoadPreset() file path %s  size = %d   nLengthFilePath = %d", pRecord->szPath,
               LogInt(strData.size()), LogInt(nPathLen));
    strData.Consume(2 * kWord + nPathLen);
    return pRecord;
}

Record CCommandsParser::ParseCloseAshmem(CReceiveBuffer& strData) {
    if (strData.size() < 2 * kWord + 1 || strData.size() - 2 * kWord < ReadU32(strData, kWord)) {
        TARVO_LOGI("strData size is too small %d ", LogInt(strData.size()));
        return nullptr;
    }
    const uint32_t nNameLen = ReadU32(strData, kWord);
    Record pRecord = std::make_unique<CDataAPO>();
    pRecord->strAshmemName.assign(strData.data() + 2 * kWord, nNameLen);
    TARVO_LOGD("strAshmemName %s", pRecord->strAshmemName.c_str());
    strData.Consume(2 * kWord + nNameLen);
    return pRecord;
}

Record CCommandsParser::ParseSetCustomOutputMode(CReceiveBuffer& strData) {
    return ParseFixedSize(strData, 3 * kWord, [&](CDataAPO& record) {
        record.nFirst = ReadU32(strData, kWord);
        record.nSecond = ReadU32(strData, 2 * kWord);
    });
}

Record CCommandsParser::ParseCalibrateKv(CReceiveBuffer& strData) {
    Record pRecord = std::make_unique<CDataAPO>();
    strData.Consume(kWord);
    return pRecord;
}

Record CCommandsParser::ParseFDs(CCommandData* pData) {
    if (pData == nullptr || pData->GetFDs().empty()) {
        TARVO_LOGI("pData->GetFDs() size is in correct: %d ",
                   pData != nullptr ? LogInt(pData->GetFDs().size()) : 0);
        return nullptr;
    }
    CCommandData::FDMap& mapFDs = pData->GetFDs();
    auto itFirst = mapFDs.begin();
    Record pRecord = std::make_unique<CDataAPO>();
    pRecord->nCommand = kCommandDescriptorData;
    pRecord->vecFDs = itFirst->first;
    pRecord->strFDData = std::move(itFirst->second);
    mapFDs.erase(itFirst);
    return pRecord;
}

// ---------------------------------------------------------------------------
// Text lines

bool CCommandsParser::ParseTextCommandPrefix(CReceiveBuffer& strData, const std::string& strPrefix,
                                             size_t& nOutStartTextParam, size_t& nOutEndTextParam,
                                             std::string& strOutValue) {
    TARVO_LOGD("CCommandsParser::ParseTextCommandPrefix %s", strPrefix.c_str());
    nOutStartTextParam = strData.Find(strPrefix);
    if (nOutStartTextParam == CReceiveBuffer::npos) {
        TARVO_LOGD("strData.find failed to find %s, but it was suppose to find it ",
                   strPrefix.c_str());
        return false;
    }
    nOutEndTextParam = strData.Find("\n", nOutStartTextParam);
    if (nOutEndTextParam == CReceiveBuffer::npos) {
        // The record holds no more than its start, so only that is formatted.
        TARVO_LOGD("nOutEndTextParam didnt find \n in %s ",
                   std::string(strData.View().substr(0, kMaxLoggedBytes)).c_str());
        return false;
    }
    const size_t nValueStart = nOutStartTextParam + strPrefix.size();
    strOutValue.assign(strData.data() + nValueStart, nOutEndTextParam - nValueStart);
    TARVO_LOGD("Recevied param %s value: %s", strPrefix.c_str(), strOutValue.c_str());
    return true;
}

Record CCommandsParser::ParseTextRequestParameterArray(CReceiveBuffer& strData) {
    return ParseTextLine(*this, strData, s_strGetParamArray, kCommandRequestParameterArray,
                         [](std::string strValue, CDataAPO& record) {
                             StringUtils::Trim(strValue, StringUtils::s_cstrDefaultTrim);
                             bool bLastFailed = false;
                             for (const std::string& strItem : StringUtils::Split(strValue, ',')) {
                                 int nId = 0;
                                 bLastFailed = !StringUtils::StringToInt(strItem, &nId);
                                 if (bLastFailed) {
                                     TARVO_LOGE("Failed convert to int: %s", strItem.c_str());
                                 } else {
                                     record.vecParameterIds.push_back(static_cast<uint32_t>(nId));
                                 }
                             }
                             return record.vecParameterIds.empty() || bLastFailed
                                        ? LineResult::kRefused
                                        : LineResult::kAccepted;
                         });
}

Record CCommandsParser::ParseTextFlushCoeffFile(CReceiveBuffer& strData) {
    return ParseTextLine(*this, strData, s_strFlushCoeffFile, kCommandFlushCoeffFile, ConvertPath);
}

Record CCommandsParser::ParseTextProfilingData(CReceiveBuffer& strData) {
    return ParseTextLine(*this, strData, s_strProfile, kCommandProfiling,
                         [](const std::string& strValue, CDataAPO& record) {
                             return Expect(sscanf(strValue.c_str(), " %d", &record.nProfilingValue),
                                           1);
                         });
}

Record CCommandsParser::ParseTextParamData(CReceiveBuffer& strData) {
    return ParseTextLine(*this, strData, s_strParam, kCommandSetParameter,
                         [](const std::string& strValue, CDataAPO& record) {
                             return Expect(ScanIdAndValue(strValue, &record.nParam, &record.dValue),
                                           2);
                         });
}

Record CCommandsParser::ParseTextRecordingData(CReceiveBuffer& strData) {
    return ParseTextLine(*this, strData, s_strSetRecording, kCommandSetRecording,
                         [](const std::string& strValue, CDataAPO& record) {
                             static_assert(CDataAPO::kMaxRecordingPathLength == 1023,
                                           "the format below uses the path width");
                             int nEnd = -1;
                             const int nConverted = sscanf(strValue.c_str(), " %u %1023s%n",
                                                           &record.nStatus, record.szPath, &nEnd);
                             if (nConverted == 2 && !WordFits(strValue, nEnd)) {
                                 return LineResult::kTooLong;
                             }
                             const bool bOff = nConverted == 1 && record.nStatus == 0;
                             const bool bOn = nConverted == 2 && record.nStatus == 1;
                             return bOff || bOn ? LineResult::kAccepted : LineResult::kMismatch;
                         });
}

Record CCommandsParser::ParseTextSetSoundModeData(CReceiveBuffer& strData) {
    return ParseTextLine(*this, strData, s_strSoundMode, kCommandSetSoundMode,
                         [](const std::string& strValue, CDataAPO& record) {
                             return ConvertIntBits(strValue, record.nMode);
                         });
}

Record CCommandsParser::ParseTextSetCustomOutputModeData(CReceiveBuffer& strData) {
    return ParseTextLine(*this, strData, s_strCustomOutputMode, kCommandSetCustomOutputMode,
                         [](const std::string& strValue, CDataAPO& record) {
                             int nFirst = 0;
                             int nSecond = 0;
                             const int nConverted =
                                 sscanf(strValue.c_str(), " %d %d", &nFirst, &nSecond);
                             record.nFirst = static_cast<uint32_t>(nFirst);
                             record.nSecond = static_cast<uint32_t>(nSecond);
                             return Expect(nConverted, 2);
                         });
}

Record CCommandsParser::ParseTextSetOutputModeData(CReceiveBuffer& strData) {
    return ParseTextLine(*this, strData, s_strOutputMode, kCommandSetOutputMode,
                         [](const std::string& strValue, CDataAPO& record) {
                             return ConvertIntBits(strValue, record.nMode);
                         });
}

Record CCommandsParser::ParseTextLoadPresetData(CReceiveBuffer& strData) {
    return ParseTextLine(*this, strData, s_strLoadPreset, kCommandLoadPreset, ConvertPath);
}

Record CCommandsParser::ParseTextSetLogLevel(CReceiveBuffer& strData) {
    return ParseTextLine(*this, strData, s_strLogLevel, kCommandSetLogLevel,
                         [](const std::string& strValue, CDataAPO& record) {
                             return ConvertNameAndNumber(strValue, record, record.nLevel);
                         });
}

Record CCommandsParser::ParseTextSetLogOutput(CReceiveBuffer& strData) {
    return ParseTextLine(*this, strData, s_strLogOutput, kCommandSetLogOutput,
                         [](const std::string& strValue, CDataAPO& record) {
                             return ConvertNameAndNumber(strValue, record, record.nFlag);
                         });
}

Record CCommandsParser::ParseTextApoDump(CReceiveBuffer& strData) {
    return ParseTextNoArguments(*this, strData, s_strApoDump, kCommandDump);
}

Record CCommandsParser::ParseTextSetTagEX(CReceiveBuffer& strData) {
    return ParseTextLine(
        *this, strData, s_strSetTagEx, kCommandSetTagEx,
        [](const std::string& strValue, CDataAPO& record) {
            int nOutputMode = 0;
            int nSoundMode = 0;
            const int nConverted = sscanf(strValue.c_str(), " [%d:%d][0x%X,0x%X]", &nOutputMode,
                                          &nSoundMode, &record.nTagDisable, &record.nTagEnable);
            if (nConverted != 4) {
                return LineResult::kMismatch;
            }
            record.nOutputMode = static_cast<uint32_t>(nOutputMode);
            record.nSoundMode = static_cast<uint32_t>(nSoundMode);
            TARVO_LOGD("Received SetTagEX om:%d sm:%d tag disable 0x%08x tag enable 0x%08x",
                       nOutputMode, nSoundMode, record.nTagDisable, record.nTagEnable);
            return LineResult::kAccepted;
        });
}

Record CCommandsParser::ParseTextCalibrateKv(CReceiveBuffer& strData) {
    return ParseTextNoArguments(*this, strData, s_strCalibrateKv, kCommandCalibrateKv);
}

Record CCommandsParser::ParseMetersEnable(CReceiveBuffer& strData) {
    return ParseMetersEnableDisable(strData, kCommandMetersEnable, s_strMetersEnable);
}

Record CCommandsParser::ParseMetersDisable(CReceiveBuffer& strData) {
    return ParseMetersEnableDisable(strData, kCommandMetersDisable, s_strMetersDisable);
}

Record CCommandsParser::ParseMetersEnableDisable(CReceiveBuffer& strData, uint32_t nCommand,
                                                 const std::string& strKeyword) {
    return ParseTextNoArguments(*this, strData, strKeyword, nCommand);
}

Record CCommandsParser::ParseTextSetSystemVolume(CReceiveBuffer& strData) {
    return ParseTextLine(*this, strData, s_strVolume, kCommandSetSystemVolume,
                         [](const std::string& strValue, CDataAPO& record) {
                             return Expect(ScanValue(strValue, &record.dVolume), 1);
                         });
}

Record CCommandsParser::ParseTextGetVersion(CReceiveBuffer& strData) {
    return ParseTextNoArguments(*this, strData, s_strGetVersion, kCommandGetVersion);
}

}  // namespace TarvoFX
