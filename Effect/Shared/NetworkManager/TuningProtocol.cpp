#include "NetworkManager/TuningProtocol.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

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

void PutU32(Bytes& bytes, uint32_t nValue) {
    for (int i = 0; i < 4; ++i) {
        bytes.push_back(static_cast<uint8_t>(nValue >> (8 * i)));
    }
}

void PutF64(Bytes& bytes, double dValue) {
    uint8_t aBytes[8];
    std::memcpy(aBytes, &dValue, sizeof(aBytes));
    bytes.insert(bytes.end(), aBytes, aBytes + sizeof(aBytes));
}

uint32_t GetU32(const Bytes& bytes, size_t nOffset) {
    uint32_t nValue = 0;
    for (int i = 3; i >= 0; --i) {
        nValue = (nValue << 8) | bytes[nOffset + i];
    }
    return nValue;
}

double GetF64(const Bytes& bytes, size_t nOffset) {
    double dValue = 0;
    std::memcpy(&dValue, bytes.data() + nOffset, sizeof(dValue));
    return dValue;
}

Bytes Command(uint32_t nCommand) {
    Bytes bytes;
    PutU32(bytes, nCommand);
    return bytes;
}

Bytes WithText(Bytes bytes, const std::string& strText) {
    PutU32(bytes, static_cast<uint32_t>(strText.size()));
    bytes.insert(bytes.end(), strText.begin(), strText.end());
    return bytes;
}

// A double in the shortest text that reads back to the same value.
std::string Number(double dValue) {
    char szText[40];
    for (int nDigits = 6; nDigits <= 17; ++nDigits) {
        std::snprintf(szText, sizeof(szText), "%.*g", nDigits, dValue);
        if (std::strtod(szText, nullptr) == dValue) {
            break;
        }
    }
    return szText;
}

}  // namespace

Bytes SetParameter(uint32_t nParam, double dValue) {
    Bytes bytes = Command(kCommandSetParameter);
    PutU32(bytes, nParam);
    PutF64(bytes, dValue);
    return bytes;
}

Bytes SetParameterArray(const std::vector<SParameterValue>& parameters) {
    Bytes bytes = Command(kCommandSetParameterArray);
    PutU32(bytes, static_cast<uint32_t>(parameters.size()));
    for (const SParameterValue& parameter : parameters) {
        PutU32(bytes, parameter.nParam);
        PutF64(bytes, parameter.dValue);
    }
    return bytes;
}

Bytes RequestParameter(uint32_t nParam) {
    Bytes bytes = Command(kCommandRequestParameter);
    PutU32(bytes, nParam);
    return bytes;
}

Bytes RequestParameterArray(const std::vector<uint32_t>& ids) {
    Bytes bytes = Command(kCommandRequestParameterArray);
    PutU32(bytes, static_cast<uint32_t>(ids.size()));
    for (uint32_t nId : ids) {
        PutU32(bytes, nId);
    }
    return bytes;
}

Bytes SetSoundMode(uint32_t nMode) {
    Bytes bytes = Command(kCommandSetSoundMode);
    PutU32(bytes, nMode);
    return bytes;
}

Bytes SetRecording(bool bEnable, const std::string& strPrefix) {
    Bytes bytes = Command(kCommandSetRecording);
    PutU32(bytes, bEnable ? 1 : 0);
    return bEnable ? WithText(bytes, strPrefix) : bytes;
}

Bytes SetOutputMode(uint32_t nMode) {
    Bytes bytes = Command(kCommandSetOutputMode);
    PutU32(bytes, nMode);
    return bytes;
}

Bytes LoadPreset(const std::string& strPath) {
    return WithText(Command(kCommandLoadPreset), strPath);
}

Bytes SetCustomOutputMode(uint32_t nFirst, uint32_t nSecond) {
    Bytes bytes = Command(kCommandSetCustomOutputMode);
    PutU32(bytes, nFirst);
    PutU32(bytes, nSecond);
    return bytes;
}

Bytes CalibrateKv() {
    return Command(kCommandCalibrateKv);
}

Bytes Framed(const Bytes& request) {
    Bytes bytes(kFrameMarker, kFrameMarker + sizeof(kFrameMarker));
    PutU32(bytes, static_cast<uint32_t>(request.size()));
    bytes.insert(bytes.end(), request.begin(), request.end());
    return bytes;
}

std::string ParamLine(uint32_t nParam, double dValue) {
    return kParam + " " + std::to_string(nParam) + " " + Number(dValue) + "\n";
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
    return kVolume + " " + Number(dVolume) + "\n";
}

std::string KeywordLine(const std::string& strKeyword) {
    return strKeyword + "\n";
}

// --- Replies -------------------------------------------------------------------

size_t ParameterReplySize() {
    return 16;
}

bool DecodeParameterReply(const Bytes& reply, SParameterValue& value) {
    if (reply.size() != ParameterReplySize() || GetU32(reply, 0) != kCommandParameterValue) {
        return false;
    }
    value = {GetU32(reply, 4), GetF64(reply, 8)};
    return true;
}

size_t ParameterArrayReplySize(const Bytes& received, ProtocolVersion eVersion) {
    switch (eVersion) {
        case kText: {
            auto itEnd = std::find(received.begin(), received.end(), '\n');
            return itEnd == received.end() ? 0 : static_cast<size_t>(itEnd - received.begin()) + 1;
        }
        case kBinaryFramed:
            return received.size() < 8 ? 0 : 8 + static_cast<size_t>(GetU32(received, 4));
        case kBinary:
            return received.size() < 8 ? 0 : 8 + 12 * static_cast<size_t>(GetU32(received, 4));
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
    size_t nOffset = 0;
    if (eVersion == kBinaryFramed) {
        if (reply.size() < 8 || !std::equal(kFrameMarker, kFrameMarker + 4, reply.begin()) ||
            GetU32(reply, 4) != reply.size() - 8) {
            return false;
        }
        nOffset = 8;
    }
    if (reply.size() < nOffset + 8 || GetU32(reply, nOffset) != kCommandParameterArrayValues) {
        return false;
    }
    const size_t nCount = GetU32(reply, nOffset + 4);
    if ((reply.size() - nOffset - 8) / 12 != nCount || (reply.size() - nOffset - 8) % 12 != 0) {
        return false;
    }
    for (size_t i = 0; i < nCount; ++i) {
        const size_t nEntry = nOffset + 8 + 12 * i;
        values.push_back({GetU32(reply, nEntry), GetF64(reply, nEntry + 4)});
    }
    return true;
}

}  // namespace TuningProtocol
}  // namespace TarvoFX
