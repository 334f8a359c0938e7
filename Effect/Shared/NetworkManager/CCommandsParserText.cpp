// The text lines: the keyword that starts first in a line decides the
// request, and one parser per keyword reads its arguments.
#include "NetworkManager/CCommandsParser.h"

#include "NetworkManager/TuningProtocol.h"

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "NetworkManager/CCommandsParserSupport.h"
#include "Utils/StringUtils.h"
#include "logging/TarvoLog.h"

namespace TarvoFX {

namespace {

using CommandsParserSupport::Record;

// A debug record cannot hold more than this of the buffer anyway.
constexpr size_t kMaxLoggedBytes = 1024;

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

// Powers of ten that a double holds exactly.
constexpr double s_adExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                           1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                           1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kMaxExactFractionDigits = 22;
// Below 2^53, so the digits as an integer are a double exactly.
constexpr int kMaxExactSignificantDigits = 15;

// [-]digits[.digits] ending at a blank or the end, converted as "%lf" does
// (the same conversion of the same characters); else false. A value of at
// most 15 significant digits and 22 fraction digits is its digits divided by
// a power of ten: both are exact doubles, so the one correctly rounded
// division gives the correctly rounded value strtod gives, for a fraction of
// its cost. Longer ones go through strtod.
bool PlainDecimal(const char* p, double* pValue) {
    const bool bNegative = *p == '-';
    const char* q = bNegative ? p + 1 : p;
    const char* pDigits = q;
    uint64_t nDigits = 0;
    int nSignificant = 0;
    int nFraction = 0;
    auto take = [&](char c) {
        if (nSignificant > 0 || c != '0') {
            ++nSignificant;
        }
        if (nSignificant <= kMaxExactSignificantDigits) {
            nDigits = nDigits * 10u + static_cast<unsigned>(c - '0');
        }
    };
    while (*q >= '0' && *q <= '9') {
        take(*q++);
    }
    if (q == pDigits) {
        return false;
    }
    if (*q == '.') {
        ++q;
        while (*q >= '0' && *q <= '9') {
            take(*q++);
            ++nFraction;
        }
    }
    if (*q != '\0' && !IsBlank(*q)) {
        return false;
    }
    if (nSignificant <= kMaxExactSignificantDigits && nFraction <= kMaxExactFractionDigits) {
        const double dMagnitude = static_cast<double>(nDigits) / s_adExactPowersOfTen[nFraction];
        *pValue = bNegative ? -dMagnitude : dMagnitude;
        return true;
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

// Whether the keyword lies at p, its first byte known to match. Keywords
// are short and most candidates differ within a byte or two, so a plain loop
// beats a call to memcmp.
bool RestMatches(const char* p, const std::string& strKeyword) {
    for (size_t nIndex = 1; nIndex < strKeyword.size(); ++nIndex) {
        if (p[nIndex] != strKeyword[nIndex]) {
            return false;
        }
    }
    return true;
}

// The keywords by their first byte: for each byte, the indexes into
// s_aTextCommands of the keywords that start with it, longest first.
class CKeywordIndex {
public:
    CKeywordIndex() {
        for (size_t nIndex = 0; nIndex < std::size(s_aTextCommands); ++nIndex) {
            const auto cFirst = static_cast<unsigned char>(s_aTextCommands[nIndex].strKeyword[0]);
            m_aavecByFirst[cFirst].push_back(nIndex);
        }
        for (std::vector<size_t>& vecIndexes : m_aavecByFirst) {
            std::stable_sort(vecIndexes.begin(), vecIndexes.end(), [](size_t nLeft, size_t nRight) {
                return s_aTextCommands[nLeft].strKeyword.size() >
                       s_aTextCommands[nRight].strKeyword.size();
            });
        }
    }
    const std::vector<size_t>& StartingWith(char c) const {
        return m_aavecByFirst[static_cast<unsigned char>(c)];
    }

private:
    std::vector<size_t> m_aavecByFirst[256];
};

}  // namespace

CCommandsParser::Record CCommandsParser::ParseTextRequest(CReceiveBuffer& strData) {
    static const CKeywordIndex s_index;
    const size_t nLineEnd = strData.Find("\n");
    if (nLineEnd == CReceiveBuffer::npos) {
        return nullptr;
    }
    // The line is read once from its start; at the first place where any
    // keyword starts, the longest one there is the request.
    const char* pLine = strData.data();
    for (size_t nAt = 0; nAt < nLineEnd; ++nAt) {
        for (size_t nIndex : s_index.StartingWith(pLine[nAt])) {
            const STextCommand& command = s_aTextCommands[nIndex];
            const std::string& strKeyword = command.strKeyword;
            if (strKeyword.size() <= nLineEnd - nAt && RestMatches(pLine + nAt, strKeyword)) {
                m_textLine = {&strData, &strKeyword, nAt, nLineEnd};
                Record pRecord = (this->*command.pfnParse)(strData);
                m_textLine = STextLine();
                return pRecord;
            }
        }
    }
    TARVO_LOGE("No command in line: %s",
               std::string(strData.View().substr(0, std::min(nLineEnd, kMaxLoggedBytes))).c_str());
    strData.Consume(nLineEnd + 1);
    return nullptr;
}

bool CCommandsParser::ParseTextCommandPrefix(CReceiveBuffer& strData, const std::string& strPrefix,
                                             size_t& nOutStartTextParam, size_t& nOutEndTextParam,
                                             std::string& strOutValue) {
    TARVO_LOGD("CCommandsParser::ParseTextCommandPrefix %s", strPrefix.c_str());
    if (m_textLine.pBuffer == &strData && m_textLine.pKeyword == &strPrefix) {
        // The keyword starts first in the line, so no earlier occurrence
        // exists, and the line's end is the buffer's first line feed.
        nOutStartTextParam = m_textLine.nKeyword;
        nOutEndTextParam = m_textLine.nEnd;
        // Taken once: a later call for this buffer searches again.
        m_textLine = STextLine();
    } else {
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
