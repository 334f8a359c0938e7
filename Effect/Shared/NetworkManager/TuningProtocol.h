// The tuning protocol's vocabulary and layouts in one place: the text
// keywords the parser looks for, the request forms it reads and the reply
// forms the executors write. The parser and the reply builders use the
// keywords; tuning clients use the encoders and decoders, whose agreement
// with the parser and the reply builders the tests check.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "NetworkManager/CDataAPO.h"

namespace TarvoFX {
namespace TuningProtocol {

// A double as the shortest text that reads back to the same value.
std::string ShortestNumberText(double dValue);

// Text keywords.
extern const std::string kGetParamArray;     // "get_param_array"
extern const std::string kFlushCoeffFile;    // "flush_coeff_file"
extern const std::string kProfile;           // "profile"
extern const std::string kParam;             // "param"
extern const std::string kSetRecording;      // "set_recording"
extern const std::string kSoundMode;         // "soundmode"
extern const std::string kCustomOutputMode;  // "customoutputmode"
extern const std::string kOutputMode;        // "outputmode"
extern const std::string kLoadPreset;        // "loadpreset"
extern const std::string kLogLevel;          // "loglevel"
extern const std::string kLogOutput;         // "logoutput"
extern const std::string kApoDump;           // "apodump"
extern const std::string kSetTagEx;          // "set_tag_ex"
extern const std::string kCalibrateKv;       // "calibrate_kv"
extern const std::string kMetersEnable;      // "meters_enable"
extern const std::string kMetersDisable;     // "meters_disable"
extern const std::string kVolume;            // "volume"
extern const std::string kGetVersion;        // "get_version"
// Starts the text reply of a parameter array query.
extern const std::string kGetParamArrayResponse;  // "get_param_array_response"

using Bytes = std::vector<uint8_t>;

// Unframed binary requests (u32 little-endian fields, f64 values, no gaps).
Bytes SetParameter(uint32_t nParam, double dValue);                       // 1
Bytes SetParameterArray(const std::vector<SParameterValue>& parameters);  // 3
Bytes RequestParameter(uint32_t nParam);                                  // 10
Bytes RequestParameterArray(const std::vector<uint32_t>& ids);            // 11
Bytes SetSoundMode(uint32_t nMode);                                       // 12
Bytes SetRecording(bool bEnable, const std::string& strPrefix);           // 13
Bytes SetOutputMode(uint32_t nMode);                                      // 14
Bytes LoadPreset(const std::string& strPath);                             // 15
Bytes SetCustomOutputMode(uint32_t nFirst, uint32_t nSecond);             // 18
Bytes CalibrateKv();                                                      // 24
// The frame around an unframed request: marker, u32 length, the request.
Bytes Framed(const Bytes& request);

// Text lines, each ended by a line feed. Values are written so that they
// read back exactly.
std::string ParamLine(uint32_t nParam, double dValue);
std::string GetParamArrayLine(const std::vector<uint32_t>& ids);
std::string SetRecordingLine(bool bEnable, const std::string& strPrefix);
std::string ModeLine(const std::string& strKeyword, int32_t nMode);  // soundmode, outputmode
std::string CustomOutputModeLine(int32_t nFirst, int32_t nSecond);
std::string LoadPresetLine(const std::string& strPath);
std::string LogLevelLine(const std::string& strTag, int32_t nLevel);
std::string LogOutputLine(const std::string& strOutput, bool bEnable);
std::string SetTagExLine(int32_t nOutputMode, int32_t nSoundMode, uint32_t nDisable,
                         uint32_t nEnable);
std::string VolumeLine(double dVolume);
std::string KeywordLine(const std::string& strKeyword);  // apodump, calibrate_kv, meters_...

// Replies. The size functions report how many bytes a complete reply takes,
// given what has arrived (0 while that cannot be told yet); the decoders
// read a complete reply and are false for bytes that are not one.
size_t ParameterReplySize();
bool DecodeParameterReply(const Bytes& reply, SParameterValue& value);
size_t ParameterArrayReplySize(const Bytes& received, ProtocolVersion eVersion);
bool DecodeParameterArrayReply(const Bytes& reply, ProtocolVersion eVersion,
                               std::vector<SParameterValue>& values);

}  // namespace TuningProtocol
}  // namespace TarvoFX
