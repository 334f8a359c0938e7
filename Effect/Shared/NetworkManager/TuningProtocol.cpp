#include "NetworkManager/TuningProtocol.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "Utils/LittleEndian.h"

namespace TarvoFX {
namespace TuningProtocol {

const std::string kGetParamArray = "get_param_array";
const std::string kFlushCoeffFile = "flush_coeff_file";
const std::string kProfile = "profile";
const std::string kParam = "param";
const std::string kSetRecording = "set_recording";
const std::string kSoundMode = "soundmode";
const std::string kCustomOutputMode = "customoutputmode";
const std::string kOutputMode = "outputmode";
const std::string kLoadPreset = "loadpreset";
const std::string kLogLevel = "loglevel";
const std::string kLogOutput = "logoutput";
const std::string kApoDump = "apodump";
const std::string kSetTagEx = "set_tag_ex";
const std::string kCalibrateKv = "calibrate_kv";
const std::string kMetersEnable = "meters_enable";
const std::string kMetersDisable = "meters_disable";
const std::string kVolume = "volume";
const std::string kGetVersion = "get_version";
const std::string kGetParamArrayResponse = "get_param_array_response";

namespace {

using LittleEndian::Field;
using LittleEndian::Reader;

// A request's bytes, starting with its command number.
LittleEndian::ByteWriter Command(uint32_t nCommand) {
    LittleEndian::ByteWriter writer;
    writer.U32(nCommand);
    return writer;
}

}  // namespace

std::string ShortestNumberText(double dValue) {
    char szText[40];
    for (int nDigits = 6; nDigits <= 17; ++nDigits) {
        std::snprintf(szText, sizeof(szText), "%.*g", nDigits, dValue);
        if (std::strtod(szText, nullptr) == dValue) {
            break;
        }
    }
    return szText;
}

Bytes SetParameter(uint32_t nParam, double dValue) {
    return Command(kCommandSetParameter).U32(nParam).F64(dValue).Take();
}

Bytes SetParameterArray(const std::vector<SParameterValue>& parameters) {
    LittleEndian::ByteWriter writer = Command(kCommandSetParameterArray);
    writer.U32(static_cast<uint32_t>(parameters.size()));
    for (const SParameterValue& parameter : parameters) {
        writer.U32(parameter.nParam).F64(parameter.dValue);
    }
    return writer.Take();
}

Bytes RequestParameter(uint32_t nParam) {
    return Command(kCommandRequestParameter).U32(nParam).Take();
}

Bytes RequestParameterArray(const std::vector<uint32_t>& ids) {
    return Command(kCommandRequestParameterArray)
        .U32(static_cast<uint32_t>(ids.size()))
        .Array(ids)
        .Take();
}

Bytes SetSoundMode(uint32_t nMode) {
    return Command(kCommandSetSoundMode).U32(nMode).Take();
}

Bytes SetRecording(bool bEnable, const std::string& strPrefix) {
    LittleEndian::ByteWriter writer = Command(kCommandSetRecording);
    writer.U32(bEnable ? 1 : 0);
    if (bEnable) {
        writer.LengthAndBytes(strPrefix);
    }
    return writer.Take();
}

Bytes SetOutputMode(uint32_t nMode) {
    return Command(kCommandSetOutputMode).U32(nMode).Take();
}

Bytes LoadPreset(const std::string& strPath) {
    return Command(kCommandLoadPreset).LengthAndBytes(strPath).Take();
}

Bytes SetCustomOutputMode(uint32_t nFirst, uint32_t nSecond) {
    return Command(kCommandSetCustomOutputMode).U32(nFirst).U32(nSecond).Take();
}

Bytes CalibrateKv() {
    return Command(kCommandCalibrateKv).Take();
}

Bytes Framed(const Bytes& request) {
    return LittleEndian::ByteWriter()
        .Bytes(kFrameMarker, sizeof(kFrameMarker))
        .U32(static_cast<uint32_t>(request.size()))
        .Bytes(request.data(), request.size())
        .Take();
}

std::string ParamLine(uint32_t nParam, double dValue) {
    return kParam + " " + std::to_string(nParam) + " " + ShortestNumberText(dValue) + "\n";
}

std::string GetParamArrayLine(const std::vector<uint32_t>& ids) {
    std::string strLine = kGetParamArray + " ";
    for (size_t i = 0; i < ids.size(); ++i) {
        strLine += (i == 0 ? "" : ",") + std::to_string(ids[i]);
    }
    return strLine + "\n";
}

std::string SetRecordingLine(bool bEnable, const std::string& strPrefix) {
    return kSetRecording + (bEnable ? " 1 " + strPrefix : " 0") + "\n";
}

std::string ModeLine(const std::string& strKeyword, int32_t nMode) {
    return strKeyword + " " + std::to_string(nMode) + "\n";
}

std::string CustomOutputModeLine(int32_t nFirst, int32_t nSecond) {
    return kCustomOutputMode + " " + std::to_string(nFirst) + " " + std::to_string(nSecond) + "\n";
}

std::string LoadPresetLine(const std::string& strPath) {
    return kLoadPreset + " " + strPath + "\n";
}

std::string LogLevelLine(const std::string& strTag, int32_t nLevel) {
    return kLogLevel + " " + strTag + " " + std::to_string(nLevel) + "\n";
}

std::string LogOutputLine(const std::string& strOutput, bool bEnable) {
    return kLogOutput + " " + strOutput + (bEnable ? " 1" : " 0") + "\n";
}

std::string SetTagExLine(int32_t nOutputMode, int32_t nSoundMode, uint32_t nDisable,
                         uint32_t nEnable) {
    char szArguments[80];
    std::snprintf(szArguments, sizeof(szArguments), " [%d:%d][0x%X,0x%X]\n", nOutputMode,
                  nSoundMode, nDisable, nEnable);
    return kSetTagEx + szArguments;
}

std::string VolumeLine(double dVolume) {
    return kVolume + " " + ShortestNumberText(dVolume) + "\n";
}

std::string KeywordLine(const std::string& strKeyword) {
    return strKeyword + "\n";
}

// --- Replies -------------------------------------------------------------------

size_t ParameterReplySize() {
    return 16;
}

bool DecodeParameterReply(const Bytes& reply, SParameterValue& value) {
    Reader reader(reply.data(), reply.size());
    uint32_t nKind = 0;
    SParameterValue decoded = {};
    if (reply.size() != ParameterReplySize() || !reader.U32(nKind) ||
        nKind != kCommandParameterValue || !reader.U32(decoded.nParam) ||
        !reader.F64(decoded.dValue)) {
        return false;
    }
    value = decoded;
    return true;
}

size_t ParameterArrayReplySize(const Bytes& received, ProtocolVersion eVersion) {
    switch (eVersion) {
        case kText: {
            auto itEnd = std::find(received.begin(), received.end(), '\n');
            return itEnd == received.end() ? 0 : static_cast<size_t>(itEnd - received.begin()) + 1;
        }
        case kBinaryFramed:
        case kBinary: {
            // The second word: the frame's length, or the count of (id, value) pairs.
            uint32_t nWord = 0;
            if (!Reader(received.data(), received.size()).Get(Field<uint32_t>{4}, nWord)) {
                return 0;
            }
            return 8 + (eVersion == kBinaryFramed ? 1 : 12) * static_cast<size_t>(nWord);
        }
    }
    return 0;
}

bool DecodeParameterArrayReply(const Bytes& reply, ProtocolVersion eVersion,
                               std::vector<SParameterValue>& values) {
    values.clear();
    if (eVersion == kText) {
        const std::string strLine(reply.begin(), reply.end());
        const std::string strPrefix = kGetParamArrayResponse + " ";
        if (strLine.size() < strPrefix.size() + 1 || strLine.back() != '\n' ||
            strLine.compare(0, strPrefix.size(), strPrefix) != 0) {
            return false;
        }
        std::istringstream entries(
            strLine.substr(strPrefix.size(), strLine.size() - strPrefix.size() - 1));
        std::string strEntry;
        while (std::getline(entries, strEntry, ',')) {
            int nId = 0;
            double dValue = 0;
            char cEquals = 0;
            char cExtra = 0;
            if (std::sscanf(strEntry.c_str(), "%d%c%lf%c", &nId, &cEquals, &dValue, &cExtra) != 3 ||
                cEquals != '=') {
                values.clear();
                return false;
            }
            values.push_back({static_cast<uint32_t>(nId), dValue});
        }
        return !values.empty();
    }
    Reader reader(reply.data(), reply.size());
    const char* pMarker = nullptr;
    uint32_t nLength = 0;
    if (eVersion == kBinaryFramed && !(reader.Bytes(sizeof(kFrameMarker), pMarker) &&
                                       std::equal(kFrameMarker, kFrameMarker + sizeof(kFrameMarker),
                                                  reinterpret_cast<const uint8_t*>(pMarker)) &&
                                       reader.U32(nLength) && nLength == reader.Remaining())) {
        return false;
    }
    uint32_t nKind = 0;
    uint32_t nCount = 0;
    if (!reader.U32(nKind) || nKind != kCommandParameterArrayValues || !reader.U32(nCount) ||
        reader.Remaining() / 12 != nCount || reader.Remaining() % 12 != 0) {
        return false;
    }
    for (uint32_t i = 0; i < nCount; ++i) {
        SParameterValue value = {};
        reader.U32(value.nParam);
        reader.F64(value.dValue);
        values.push_back(value);
    }
    return true;
}

}  // namespace TuningProtocol
}  // namespace TarvoFX
