#include "TuningRequests.h"

#include "NetworkManager/TuningProtocol.h"
#include "logging/TarvoLog.h"
#include "logging/TarvoLogImpl.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <map>
#include <sstream>

namespace VeltraTune {

using TarvoFX::CDataAPO;
using TarvoFX::ProtocolVersion;

namespace TP = TarvoFX::TuningProtocol;

bool ParseU32(const std::string& strText, uint32_t& nValue) {
    if (strText.empty() || strText[0] == '-') {
        return false;
    }
    char* pEnd = nullptr;
    errno = 0;
    unsigned long long nParsed = std::strtoull(strText.c_str(), &pEnd, 0);
    if (*pEnd != '\0' || errno != 0 || nParsed > UINT32_MAX) {
        return false;
    }
    nValue = static_cast<uint32_t>(nParsed);
    return true;
}

bool ParseI32(const std::string& strText, int32_t& nValue) {
    char* pEnd = nullptr;
    errno = 0;
    long long nParsed = std::strtoll(strText.c_str(), &pEnd, 0);
    if (strText.empty() || *pEnd != '\0' || errno != 0 || nParsed < INT32_MIN ||
        nParsed > INT32_MAX) {
        return false;
    }
    nValue = static_cast<int32_t>(nParsed);
    return true;
}

bool ParseDouble(const std::string& strText, double& dValue) {
    char* pEnd = nullptr;
    dValue = std::strtod(strText.c_str(), &pEnd);
    return !strText.empty() && *pEnd == '\0' && std::isfinite(dValue);
}

namespace {

std::vector<std::string> SplitAt(const std::string& strText, char cDelimiter) {
    std::vector<std::string> parts;
    std::string strPart;
    std::istringstream stream(strText);
    while (std::getline(stream, strPart, cDelimiter)) {
        parts.push_back(strPart);
    }
    return parts;
}

// A word that a text line carries as one argument: no blanks, bounded length.
bool IsWord(const std::string& strText, size_t nMaxLength) {
    return !strText.empty() && strText.size() <= nMaxLength &&
           strText.find_first_of(" \t\r\n") == std::string::npos;
}

struct Command {
    const char* szUsage;
    const char* szMeaning;
    size_t nArguments;
    Outcome eOutcome;
    std::function<bool(const std::vector<std::string>&, ProtocolVersion, Request&, std::string&)>
        build;
};

// A request with a binary form: sent as it is, framed, or as the text line.
void Binary(Request& request, ProtocolVersion eDialect, const Bytes& payload,
            const std::string& strLine) {
    request.eSent = eDialect;
    if (eDialect == TarvoFX::kText) {
        request.bytes.assign(strLine.begin(), strLine.end());
    } else if (eDialect == TarvoFX::kBinaryFramed) {
        request.bytes = TP::Framed(payload);
    } else {
        request.bytes = payload;
    }
}

// A request the server takes only as a text line.
void TextOnly(Request& request, ProtocolVersion eDialect, const std::string& strLine) {
    request.bytes.assign(strLine.begin(), strLine.end());
    if (eDialect != TarvoFX::kText) {
        request.strNote = "sent as a text line: the server has no binary form of this request";
    }
}

// The text dialect reads the ids of a query as signed 32-bit numbers; the
// binary forms carry any 32-bit id.
constexpr uint32_t kMaxTextId = INT32_MAX;

bool ParseId(const std::string& strText, ProtocolVersion eDialect, uint32_t& nId,
             std::string& strError) {
    if (!ParseU32(strText, nId)) {
        strError = "parameter id \"" + strText + "\" is not a number from 0 to 4294967295";
        return false;
    }
    if (eDialect == TarvoFX::kText && nId > kMaxTextId) {
        strError = "parameter id " + strText +
                   " is past what the text dialect carries (0 to 2147483647); use --dialect "
                   "binary";
        return false;
    }
    return true;
}

bool ParseValue(const std::string& strText, double& dValue, std::string& strError) {
    if (!ParseDouble(strText, dValue)) {
        strError = "\"" + strText + "\" is not a finite number";
        return false;
    }
    return true;
}

// Modes travel to the effect in 16 bits.
bool ParseMode(const std::string& strText, const char* szWhat, uint32_t& nMode,
               std::string& strError) {
    if (!ParseU32(strText, nMode) || nMode > 0xFFFF) {
        strError = std::string(szWhat) + " \"" + strText +
                   "\" is not a mode from 0 to 65535 (the effect takes modes in 16 bits)";
        return false;
    }
    return true;
}

bool ParseIds(const std::string& strText, ProtocolVersion eDialect, std::vector<uint32_t>& ids,
              std::string& strError) {
    for (const std::string& strPart : SplitAt(strText, ',')) {
        uint32_t nId = 0;
        if (!ParseId(strPart, eDialect, nId, strError)) {
            return false;
        }
        ids.push_back(nId);
    }
    if (ids.empty()) {
        strError = "no parameter ids";
        return false;
    }
    return true;
}

bool ParsePairs(const std::string& strText, ProtocolVersion eDialect,
                std::vector<ParameterValue>& pairs, std::string& strError) {
    for (const std::string& strPart : SplitAt(strText, ',')) {
        const size_t nEquals = strPart.find('=');
        ParameterValue pair{0, 0.0};
        if (nEquals == std::string::npos) {
            strError = "\"" + strPart + "\" is no ID=VALUE pair";
            return false;
        }
        if (!ParseId(strPart.substr(0, nEquals), eDialect, pair.nId, strError) ||
            !ParseValue(strPart.substr(nEquals + 1), pair.dValue, strError)) {
            return false;
        }
        pairs.push_back(pair);
    }
    if (pairs.empty()) {
        strError = "no ID=VALUE pairs";
        return false;
    }
    return true;
}

// The names the library's log knows, from its own tables.
std::vector<std::string> LogTags() {
    std::vector<std::string> tags(std::begin(TarvoFX::TarvoLog::s_caszTarvoLogTags),
                                  std::end(TarvoFX::TarvoLog::s_caszTarvoLogTags));
    tags.push_back(TarvoFX::TarvoLog::s_cszSectionTarvoLogAllTag);
    return tags;
}

// "SYS_LOG" holds a slot that no output fills: the library answers it as
// unknown. "FILE_LOG" also takes a file: "FILE_LOG://PATH".
const char* const kReservedOutput = "SYS_LOG";
const char* const kFileOutputPrefix = "FILE_LOG://";

std::vector<std::string> LogOutputs() {
    std::vector<std::string> outputs;
    for (const char* szName : TarvoFX::TarvoLogImpl::s_caszLogOutputNames) {
        if (std::strcmp(szName, kReservedOutput) != 0) {
            outputs.push_back(szName);
        }
    }
    return outputs;
}

bool IsLogOutput(const std::string& strName) {
    if (strName.rfind(kFileOutputPrefix, 0) == 0) {
        return IsWord(strName, CDataAPO::kMaxNameLength) &&
               strName.size() > std::strlen(kFileOutputPrefix);
    }
    const std::vector<std::string> outputs = LogOutputs();
    return std::find(outputs.begin(), outputs.end(), strName) != outputs.end();
}

const std::map<std::string, Command>& Commands() {
    using W = const std::vector<std::string>&;
    static const std::map<std::string, Command> s_commands = {
        {"set-param",
         {"set-param ID VALUE", "set one parameter, then read it back", 2, Outcome::kReadBack,
          [](W a, ProtocolVersion e, Request& r, std::string& err) {
              ParameterValue pair{0, 0.0};
              if (!ParseId(a[0], e, pair.nId, err) || !ParseValue(a[1], pair.dValue, err)) {
                  return false;
              }
              Binary(r, e, TP::SetParameter(pair.nId, pair.dValue),
                     TP::ParamLine(pair.nId, pair.dValue));
              r.sets.push_back(pair);
              return true;
          }}},
        {"get-param",
         {"get-param ID", "read one parameter (the effect answers 0 for an id it lacks)", 1,
          Outcome::kReply,
          [](W a, ProtocolVersion e, Request& r, std::string& err) {
              uint32_t nId = 0;
              if (!ParseId(a[0], e, nId, err)) {
                  return false;
              }
              if (e == TarvoFX::kText) {
                  const std::string strLine = TP::GetParamArrayLine({nId});
                  r.bytes.assign(strLine.begin(), strLine.end());
                  r.eSent = TarvoFX::kText;
                  r.eReply = ReplyKind::kParameterArray;
                  r.eReplyDialect = TarvoFX::kText;
                  return true;
              }
              Binary(r, e, TP::RequestParameter(nId), "");
              r.eReply = ReplyKind::kParameter;
              return true;
          }}},
        {"set-params",
         {"set-params ID=VALUE[,ID=VALUE...]",
          "set several parameters (one text line each in the text dialect), then read them back", 1,
          Outcome::kReadBack,
          [](W a, ProtocolVersion e, Request& r, std::string& err) {
              std::vector<ParameterValue> pairs;
              if (!ParsePairs(a[0], e, pairs, err)) {
                  return false;
              }
              std::vector<TarvoFX::SParameterValue> parameters;
              std::string strLines;
              for (const ParameterValue& pair : pairs) {
                  parameters.push_back({pair.nId, pair.dValue});
                  strLines += TP::ParamLine(pair.nId, pair.dValue);
              }
              Binary(r, e, TP::SetParameterArray(parameters), strLines);
              r.sets = pairs;
              return true;
          }}},
        {"get-params",
         {"get-params ID[,ID...]",
          "read several parameters; every id is answered, one the effect lacks as 0", 1,
          Outcome::kReply,
          [](W a, ProtocolVersion e, Request& r, std::string& err) {
              std::vector<uint32_t> ids;
              if (!ParseIds(a[0], e, ids, err)) {
                  return false;
              }
              Binary(r, e, TP::RequestParameterArray(ids), TP::GetParamArrayLine(ids));
              r.eReply = ReplyKind::kParameterArray;
              r.eReplyDialect = e;
              return true;
          }}},
        {"output-mode",
         {"output-mode MODE", "select the output mode (0 to 65535)", 1, Outcome::kNoResult,
          [](W a, ProtocolVersion e, Request& r, std::string& err) {
              uint32_t nMode = 0;
              if (!ParseMode(a[0], "output mode", nMode, err)) {
                  return false;
              }
              Binary(r, e, TP::SetOutputMode(nMode),
                     TP::ModeLine(TP::kOutputMode, static_cast<int32_t>(nMode)));
              return true;
          }}},
        {"sound-mode",
         {"sound-mode MODE", "select the sound mode (0 to 65535)", 1, Outcome::kNoResult,
          [](W a, ProtocolVersion e, Request& r, std::string& err) {
              uint32_t nMode = 0;
              if (!ParseMode(a[0], "sound mode", nMode, err)) {
                  return false;
              }
              Binary(r, e, TP::SetSoundMode(nMode),
                     TP::ModeLine(TP::kSoundMode, static_cast<int32_t>(nMode)));
              return true;
          }}},
        {"custom-output-mode",
         {"custom-output-mode FIRST SECOND", "map one output mode onto another (0 to 65535)", 2,
          Outcome::kNoResult,
          [](W a, ProtocolVersion e, Request& r, std::string& err) {
              uint32_t nFirst = 0, nSecond = 0;
              if (!ParseMode(a[0], "first mode", nFirst, err) ||
                  !ParseMode(a[1], "second mode", nSecond, err)) {
                  return false;
              }
              Binary(r, e, TP::SetCustomOutputMode(nFirst, nSecond),
                     TP::CustomOutputModeLine(static_cast<int32_t>(nFirst),
                                              static_cast<int32_t>(nSecond)));
              return true;
          }}},
        {"set-tag",
         {"set-tag OM SM DISABLE ENABLE",
          "change the tag mask of a mode pair (masks in hex, 16 bits)", 4, Outcome::kNoResult,
          [](W a, ProtocolVersion e, Request& r, std::string& err) {
              uint32_t nOM = 0, nSM = 0;
              uint32_t nDisable = 0, nEnable = 0;
              auto mask = [&err](const std::string& s, uint32_t& n) {
                  if (!ParseU32(s.rfind("0x", 0) == 0 ? s : "0x" + s, n) || n > 0xFFFF) {
                      err = "tag mask \"" + s + "\" is not a hexadecimal mask from 0 to FFFF";
                      return false;
                  }
                  return true;
              };
              if (!ParseMode(a[0], "output mode", nOM, err) ||
                  !ParseMode(a[1], "sound mode", nSM, err) || !mask(a[2], nDisable) ||
                  !mask(a[3], nEnable)) {
                  return false;
              }
              TextOnly(r, e,
                       TP::SetTagExLine(static_cast<int32_t>(nOM), static_cast<int32_t>(nSM),
                                        nDisable, nEnable));
              return true;
          }}},
        {"log-level",
         {"log-level TAG LEVEL",
          "set a log tag's level (0 verbose to 4 error) in the effect and its library", 2,
          Outcome::kNoResult,
          [](W a, ProtocolVersion e, Request& r, std::string& err) {
              const std::vector<std::string> tags = LogTags();
              if (std::find(tags.begin(), tags.end(), a[0]) == tags.end()) {
                  err = "unknown log tag \"" + a[0] + "\" (tags: " + JoinWords(tags, ", ") + ")";
                  return false;
              }
              int32_t nLevel = 0;
              if (!ParseI32(a[1], nLevel) || nLevel < TarvoFX::LOG_LEVEL_VERBOSE ||
                  nLevel > TarvoFX::LOG_LEVEL_ERROR) {
                  err = "log level \"" + a[1] + "\" is not one of 0 to 4";
                  return false;
              }
              TextOnly(r, e, TP::LogLevelLine(a[0], nLevel));
              return true;
          }}},
        {"log-output",
         {"log-output NAME on|off", "switch a log output (FILE_LOG://PATH names a file)", 2,
          Outcome::kNoResult,
          [](W a, ProtocolVersion e, Request& r, std::string& err) {
              if (!IsLogOutput(a[0])) {
                  err = "unknown log output \"" + a[0] +
                        "\" (outputs: " + JoinWords(LogOutputs(), ", ") + ", " + kFileOutputPrefix +
                        "PATH)";
                  return false;
              }
              if (a[1] != "on" && a[1] != "off") {
                  err = "log-output takes on or off, not \"" + a[1] + "\"";
                  return false;
              }
              TextOnly(r, e, TP::LogOutputLine(a[0], a[1] == "on"));
              return true;
          }}},
        {"recording-on",
         {"recording-on PREFIX", "start recording to files starting with PREFIX", 1,
          Outcome::kNoResult,
          [](W a, ProtocolVersion e, Request& r, std::string& err) {
              if (!IsWord(a[0], CDataAPO::kMaxRecordingPathLength)) {
                  err = "recording-on needs a path prefix without blanks, at most 1023 characters";
                  return false;
              }
              Binary(r, e, TP::SetRecording(true, a[0]), TP::SetRecordingLine(true, a[0]));
              return true;
          }}},
        {"recording-off",
         {"recording-off", "stop recording", 0, Outcome::kNoResult,
          [](W, ProtocolVersion e, Request& r, std::string&) {
              Binary(r, e, TP::SetRecording(false, ""), TP::SetRecordingLine(false, ""));
              return true;
          }}},
        {"load-preset",
         {"load-preset PATH", "ask the effect to load a preset file (a path on its side)", 1,
          Outcome::kNoResult,
          [](W a, ProtocolVersion e, Request& r, std::string& err) {
              if (!IsWord(a[0], CDataAPO::kMaxPathLength)) {
                  err = "load-preset needs a path without blanks, at most 1024 characters";
                  return false;
              }
              Binary(r, e, TP::LoadPreset(a[0]), TP::LoadPresetLine(a[0]));
              return true;
          }}},
        {"meters",
         {"meters on|off", "switch the effect's meters", 1, Outcome::kNoResult,
          [](W a, ProtocolVersion e, Request& r, std::string& err) {
              if (a[0] != "on" && a[0] != "off") {
                  err = "meters takes on or off, not \"" + a[0] + "\"";
                  return false;
              }
              TextOnly(r, e,
                       TP::KeywordLine(a[0] == "on" ? TP::kMetersEnable : TP::kMetersDisable));
              return true;
          }}},
        {"calibrate",
         {"calibrate", "calibrate head tracking", 0, Outcome::kNoResult,
          [](W, ProtocolVersion e, Request& r, std::string&) {
              if (e == TarvoFX::kBinary) {
                  // Sent framed all the same: libraries built before a lone
                  // 4-byte request was served at once wait for a fifth byte,
                  // and devices still carry them.
                  r.bytes = TP::Framed(TP::CalibrateKv());
                  r.eSent = TarvoFX::kBinaryFramed;
                  r.strNote =
                      "sent framed: older servers read a lone 4-byte request only when "
                      "more bytes follow";
                  return true;
              }
              Binary(r, e, TP::CalibrateKv(), TP::KeywordLine(TP::kCalibrateKv));
              return true;
          }}},
        {"volume",
         {"volume VALUE", "pass the system volume to the effect", 1, Outcome::kNoResult,
          [](W a, ProtocolVersion e, Request& r, std::string& err) {
              double dVolume = 0;
              if (!ParseValue(a[0], dVolume, err)) {
                  return false;
              }
              TextOnly(r, e, TP::VolumeLine(dVolume));
              return true;
          }}},
        {"dump",
         {"dump", "make the effect dump its state", 0, Outcome::kNoResult,
          [](W, ProtocolVersion e, Request& r, std::string&) {
              TextOnly(r, e, TP::KeywordLine(TP::kApoDump));
              return true;
          }}},
    };
    return s_commands;
}

}  // namespace

std::string JoinWords(const std::vector<std::string>& words, const char* szSeparator) {
    std::string strText;
    for (const std::string& strWord : words) {
        strText += (strText.empty() ? "" : szSeparator) + strWord;
    }
    return strText;
}

bool ParseDialect(const std::string& strName, ProtocolVersion& eDialect) {
    for (ProtocolVersion eCandidate : {TarvoFX::kText, TarvoFX::kBinary, TarvoFX::kBinaryFramed}) {
        if (strName == DialectName(eCandidate)) {
            eDialect = eCandidate;
            return true;
        }
    }
    return false;
}

const char* DialectName(ProtocolVersion eDialect) {
    switch (eDialect) {
        case TarvoFX::kText:
            return "text";
        case TarvoFX::kBinary:
            return "binary";
        case TarvoFX::kBinaryFramed:
            return "framed";
    }
    return "unknown";
}

bool BuildRequest(const std::vector<std::string>& words, ProtocolVersion eDialect, Request& request,
                  std::string& strError) {
    request = Request();
    if (words.empty()) {
        strError = "no command";
        return false;
    }
    auto it = Commands().find(words[0]);
    if (it == Commands().end()) {
        strError = "unknown command \"" + words[0] + "\" (see --help)";
        return false;
    }
    if (words.size() - 1 != it->second.nArguments) {
        strError = words[0] + " takes " + std::to_string(it->second.nArguments) + " argument" +
                   (it->second.nArguments == 1 ? "" : "s") + ", not " +
                   std::to_string(words.size() - 1);
        return false;
    }
    request.eOutcome = it->second.eOutcome;
    const std::vector<std::string> arguments(words.begin() + 1, words.end());
    return it->second.build(arguments, eDialect, request, strError);
}

std::string CommandUsage(const std::string& strCommand) {
    auto it = Commands().find(strCommand);
    return it == Commands().end() ? std::string() : it->second.szUsage;
}

bool CommandDetail(const std::string& strCommand, std::string& strText) {
    auto it = Commands().find(strCommand);
    if (it == Commands().end()) {
        return false;
    }
    const Command& command = it->second;
    strText = std::string("usage: ") + command.szUsage + "\n  " + command.szMeaning + "\n";
    switch (command.eOutcome) {
        case Outcome::kReply:
            strText += "  prints the values the effect answers\n";
            break;
        case Outcome::kReadBack:
            strText +=
                "  reads the values back and reports any the effect does not hold (exit "
                "status 5);\n  --no-verify only sends\n";
            break;
        case Outcome::kNoResult:
            strText +=
                "  the tuning protocol returns no result for it: the tool can only say "
                "it was sent\n";
            break;
    }
    if (strCommand == "log-level") {
        strText += "  tags: " + JoinWords(LogTags(), ", ") + "\n";
    } else if (strCommand == "log-output") {
        strText += "  outputs: " + JoinWords(LogOutputs(), ", ") + ", " + kFileOutputPrefix +
                   "PATH" + "\n";
    }
    return true;
}

std::string LogNamesHelp() {
    return "log tags:    " + JoinWords(LogTags(), ", ") +
           "\nlog outputs: " + JoinWords(LogOutputs(), ", ") + ", " + kFileOutputPrefix + "PATH\n";
}

double AsReplyCarries(double dValue, ProtocolVersion eDialect) {
    if (eDialect != TarvoFX::kText) {
        return dValue;
    }
    char szText[400];
    std::snprintf(szText, sizeof(szText), "%.2f", dValue);
    return std::strtod(szText, nullptr);
}

std::string CommandHelp() {
    std::string strHelp;
    for (const auto& entry : Commands()) {
        char szLine[256];
        std::snprintf(szLine, sizeof(szLine), "  %-36s %s\n", entry.second.szUsage,
                      entry.second.szMeaning);
        strHelp += szLine;
    }
    return strHelp;
}

// --- Replies -----------------------------------------------------------------

ReplyReader::ReplyReader(ReplyKind eKind, ProtocolVersion eDialect)
    : m_eKind(eKind), m_eDialect(eDialect) {}

bool ReplyReader::Complete(const Bytes& bytes) const {
    switch (m_eKind) {
        case ReplyKind::kNone:
            return true;
        case ReplyKind::kParameter:
            return bytes.size() >= TP::ParameterReplySize();
        case ReplyKind::kParameterArray: {
            const size_t nSize = TP::ParameterArrayReplySize(bytes, m_eDialect);
            return nSize > 0 && bytes.size() >= nSize;
        }
    }
    return false;
}

bool ReplyReader::Decode(const Bytes& bytes, std::vector<ParameterValue>& values,
                         std::string& strError) const {
    values.clear();
    std::vector<TarvoFX::SParameterValue> decoded;
    bool bOk = true;
    if (m_eKind == ReplyKind::kParameter) {
        TarvoFX::SParameterValue value{0, 0.0};
        const size_t nSize = TP::ParameterReplySize();
        bOk = bytes.size() >= nSize &&
              TP::DecodeParameterReply(Bytes(bytes.begin(), bytes.begin() + nSize), value);
        decoded.push_back(value);
    } else if (m_eKind == ReplyKind::kParameterArray) {
        const size_t nSize = TP::ParameterArrayReplySize(bytes, m_eDialect);
        bOk = nSize > 0 && bytes.size() >= nSize &&
              TP::DecodeParameterArrayReply(Bytes(bytes.begin(), bytes.begin() + nSize), m_eDialect,
                                            decoded);
    }
    if (!bOk) {
        strError = "the reply is not one the server sends for this query";
        return false;
    }
    for (const TarvoFX::SParameterValue& value : decoded) {
        values.push_back({value.nParam, value.dValue});
    }
    return true;
}

std::string FormatValues(const std::vector<ParameterValue>& values) {
    std::string strText;
    char szLine[96];
    for (const ParameterValue& value : values) {
        std::snprintf(szLine, sizeof(szLine), "%u = %g\n", value.nId, value.dValue);
        strText += szLine;
    }
    return strText;
}

}  // namespace VeltraTune
