#include "TuningRequests.h"

#include "NetworkManager/TuningProtocol.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
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
    return !strText.empty() && *pEnd == '\0';
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

bool ParseIds(const std::string& strText, std::vector<uint32_t>& ids, std::string& strError) {
    for (const std::string& strPart : SplitAt(strText, ',')) {
        uint32_t nId = 0;
        if (!ParseU32(strPart, nId)) {
            strError = "bad parameter id \"" + strPart + "\"";
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

bool ParsePairs(const std::string& strText, std::vector<ParameterValue>& pairs,
                std::string& strError) {
    for (const std::string& strPart : SplitAt(strText, ',')) {
        const size_t nEquals = strPart.find('=');
        ParameterValue pair{0, 0.0};
        if (nEquals == std::string::npos || !ParseU32(strPart.substr(0, nEquals), pair.nId) ||
            !ParseDouble(strPart.substr(nEquals + 1), pair.dValue)) {
            strError = "bad pair \"" + strPart + "\" (expected ID=VALUE)";
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

const std::map<std::string, Command>& Commands() {
    using W = const std::vector<std::string>&;
    static const std::map<std::string, Command> s_commands = {
        {"set-param",
         {"set-param ID VALUE", "set one parameter", 2,
          [](W a, ProtocolVersion e, Request& r, std::string& err) {
              uint32_t nId = 0;
              double dValue = 0;
              if (!ParseU32(a[0], nId) || !ParseDouble(a[1], dValue)) {
                  err = "set-param needs an unsigned id and a number";
                  return false;
              }
              Binary(r, e, TP::SetParameter(nId, dValue), TP::ParamLine(nId, dValue));
              return true;
          }}},
        {"get-param",
         {"get-param ID", "read one parameter (as a one-id array query in the text dialect)", 1,
          [](W a, ProtocolVersion e, Request& r, std::string& err) {
              uint32_t nId = 0;
              if (!ParseU32(a[0], nId)) {
                  err = "get-param needs an unsigned id";
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
          "set several parameters (one text line each in the text dialect)", 1,
          [](W a, ProtocolVersion e, Request& r, std::string& err) {
              std::vector<ParameterValue> pairs;
              if (!ParsePairs(a[0], pairs, err)) {
                  return false;
              }
              std::vector<TarvoFX::SParameterValue> parameters;
              std::string strLines;
              for (const ParameterValue& pair : pairs) {
                  parameters.push_back({pair.nId, pair.dValue});
                  strLines += TP::ParamLine(pair.nId, pair.dValue);
              }
              Binary(r, e, TP::SetParameterArray(parameters), strLines);
              return true;
          }}},
        {"get-params",
         {"get-params ID[,ID...]", "read several parameters; ids the effect lacks are left out", 1,
          [](W a, ProtocolVersion e, Request& r, std::string& err) {
              std::vector<uint32_t> ids;
              if (!ParseIds(a[0], ids, err)) {
                  return false;
              }
              Binary(r, e, TP::RequestParameterArray(ids), TP::GetParamArrayLine(ids));
              r.eReply = ReplyKind::kParameterArray;
              r.eReplyDialect = e;
              return true;
          }}},
        {"output-mode",
         {"output-mode MODE", "select the output mode", 1,
          [](W a, ProtocolVersion e, Request& r, std::string& err) {
              int32_t nMode = 0;
              if (!ParseI32(a[0], nMode)) {
                  err = "output-mode needs a number";
                  return false;
              }
              Binary(r, e, TP::SetOutputMode(static_cast<uint32_t>(nMode)),
                     TP::ModeLine(TP::kOutputMode, nMode));
              return true;
          }}},
        {"sound-mode",
         {"sound-mode MODE", "select the sound mode", 1,
          [](W a, ProtocolVersion e, Request& r, std::string& err) {
              int32_t nMode = 0;
              if (!ParseI32(a[0], nMode)) {
                  err = "sound-mode needs a number";
                  return false;
              }
              Binary(r, e, TP::SetSoundMode(static_cast<uint32_t>(nMode)),
                     TP::ModeLine(TP::kSoundMode, nMode));
              return true;
          }}},
        {"custom-output-mode",
         {"custom-output-mode FIRST SECOND", "map one output mode onto another", 2,
          [](W a, ProtocolVersion e, Request& r, std::string& err) {
              int32_t nFirst = 0, nSecond = 0;
              if (!ParseI32(a[0], nFirst) || !ParseI32(a[1], nSecond)) {
                  err = "custom-output-mode needs two numbers";
                  return false;
              }
              Binary(r, e,
                     TP::SetCustomOutputMode(static_cast<uint32_t>(nFirst),
                                             static_cast<uint32_t>(nSecond)),
                     TP::CustomOutputModeLine(nFirst, nSecond));
              return true;
          }}},
        {"set-tag",
         {"set-tag OM SM DISABLE ENABLE",
          "change the tag mask of a mode pair (masks in hex, 16 bits)", 4,
          [](W a, ProtocolVersion e, Request& r, std::string& err) {
              int32_t nOM = 0, nSM = 0;
              uint32_t nDisable = 0, nEnable = 0;
              auto hex = [](const std::string& s, uint32_t& n) {
                  return ParseU32(s.rfind("0x", 0) == 0 ? s : "0x" + s, n);
              };
              if (!ParseI32(a[0], nOM) || !ParseI32(a[1], nSM) || !hex(a[2], nDisable) ||
                  !hex(a[3], nEnable)) {
                  err = "set-tag needs two numbers and two hexadecimal masks";
                  return false;
              }
              TextOnly(r, e, TP::SetTagExLine(nOM, nSM, nDisable, nEnable));
              return true;
          }}},
        {"log-level",
         {"log-level TAG LEVEL", "set a log tag's level (0 to 4) in the effect and its library", 2,
          [](W a, ProtocolVersion e, Request& r, std::string& err) {
              int32_t nLevel = 0;
              if (!IsWord(a[0], CDataAPO::kMaxNameLength) || !ParseI32(a[1], nLevel)) {
                  err = "log-level needs a tag name (one word) and a number";
                  return false;
              }
              TextOnly(r, e, TP::LogLevelLine(a[0], nLevel));
              return true;
          }}},
        {"log-output",
         {"log-output NAME on|off", "switch a log output (e.g. STDOUT_LOG, FILE_LOG://path)", 2,
          [](W a, ProtocolVersion e, Request& r, std::string& err) {
              if (!IsWord(a[0], CDataAPO::kMaxNameLength) || (a[1] != "on" && a[1] != "off")) {
                  err = "log-output needs an output name (one word) and on or off";
                  return false;
              }
              TextOnly(r, e, TP::LogOutputLine(a[0], a[1] == "on"));
              return true;
          }}},
        {"recording-on",
         {"recording-on PREFIX", "start recording to files starting with PREFIX", 1,
          [](W a, ProtocolVersion e, Request& r, std::string& err) {
              if (!IsWord(a[0], CDataAPO::kMaxRecordingPathLength)) {
                  err = "recording-on needs a path prefix without blanks, at most 1023 characters";
                  return false;
              }
              Binary(r, e, TP::SetRecording(true, a[0]), TP::SetRecordingLine(true, a[0]));
              return true;
          }}},
        {"recording-off",
         {"recording-off", "stop recording", 0,
          [](W, ProtocolVersion e, Request& r, std::string&) {
              Binary(r, e, TP::SetRecording(false, ""), TP::SetRecordingLine(false, ""));
              return true;
          }}},
        {"load-preset",
         {"load-preset PATH", "make the effect load a preset file", 1,
          [](W a, ProtocolVersion e, Request& r, std::string& err) {
              if (!IsWord(a[0], CDataAPO::kMaxPathLength)) {
                  err = "load-preset needs a path without blanks, at most 1024 characters";
                  return false;
              }
              Binary(r, e, TP::LoadPreset(a[0]), TP::LoadPresetLine(a[0]));
              return true;
          }}},
        {"meters",
         {"meters on|off", "switch the effect's meters", 1,
          [](W a, ProtocolVersion e, Request& r, std::string& err) {
              if (a[0] != "on" && a[0] != "off") {
                  err = "meters needs on or off";
                  return false;
              }
              TextOnly(r, e,
                       TP::KeywordLine(a[0] == "on" ? TP::kMetersEnable : TP::kMetersDisable));
              return true;
          }}},
        {"calibrate",
         {"calibrate", "calibrate head tracking", 0,
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
         {"volume VALUE", "pass the system volume to the effect", 1,
          [](W a, ProtocolVersion e, Request& r, std::string& err) {
              double dVolume = 0;
              if (!ParseDouble(a[0], dVolume)) {
                  err = "volume needs a number";
                  return false;
              }
              TextOnly(r, e, TP::VolumeLine(dVolume));
              return true;
          }}},
        {"dump",
         {"dump", "make the effect dump its state", 0,
          [](W, ProtocolVersion e, Request& r, std::string&) {
              TextOnly(r, e, TP::KeywordLine(TP::kApoDump));
              return true;
          }}},
    };
    return s_commands;
}

}  // namespace

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
        strError = std::string("usage: ") + it->second.szUsage;
        return false;
    }
    const std::vector<std::string> arguments(words.begin() + 1, words.end());
    return it->second.build(arguments, eDialect, request, strError);
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
