// The effect commands: every code that the effect object sends through the
// effect's command call, a line each with its request and its reply, named as
// in the simulated effect's table (platform/audioserver/EffectRequests.cpp);
// then the requests and replies of fixed layout, field by field.
//
// All fields are little-endian (Utils/LittleEndian.h) and bytes that no field
// covers are zero. A "text" request is the characters and one zero byte; a
// reply capacity is the reply size the caller sets before the call, the
// effect writing at most that many bytes.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "Utils/LittleEndian.h"

namespace TarvoFX {
namespace EffectCommand {

using LittleEndian::Field;

// clang-format off
//       code                                 request -> reply
enum Code : int32_t {
    kLoadPresets = 0x10000,                   // CVTCommandMultipleString -> 4, unread
    kSetTagEx = 0x10001,                      // SetTagExRequest
    kSetLogLevel = 0x10002,                   // CVTCommandSetLogLevel
    kSetSoundMode = 0x10003,                  // U16Request sound mode
    kGetActive = 0x10004,                     // empty -> GetActiveReply
    kSavePresets = 0x10005,                   // text: file path
    kSetRecordingEnable = 0x10007,            // text: prefix path
    kSetOutputMode = 0x10008,                 // U16Request output mode
    kClearParams = 0x10009,                   // empty
    kSetParamsArray = 0x1000F,                // CVTCommandPresetSetParametersArray
    kGetParamsArray = 0x10010,                // ParamsArrayRequest -> n x f64
    kEnableAlgorithm = 0x10012,               // text: algorithm name
    kDisableAlgorithm = 0x10013,              // text: algorithm name
    kClearParamsArray = 0x10015,              // ClearParamsArrayRequest
    kSetSmoothingEnable = 0x10016,            // U16Request 0/1
    kOpenClientPipe = 0x10017,                // text: pipe path
    kCloseClientPipe = 0x10018,               // empty
    kEnableOutputDeviceDetection = 0x10019,   // empty
    kDisableOutputDeviceDetection = 0x1001A,  // empty
    kSetRecordingDisable = 0x1001B,           // empty
    kSetCustomOutputMode = 0x1001C,           // CustomOutputModeRequest
    kEnableVeltSense = 0x1001D,               // empty
    kDisableVeltSense = 0x1001E,              // empty
    kGetTag = 0x10021,                        // ModePairRequest -> U32Reply tag
    kGetSupportedOutputModeCount = 0x10022,   // empty -> U32Reply count
    kGetSupportedOutputModeNames = 0x10023,   // U32Request n -> names, 72 n
    kGetSupportedTag = 0x10024,               // ModePairRequest -> U32Reply tag
    kGetBaseParamsArray = 0x10025,            // ParamsArrayRequest -> n x f64
    kCreateListenUnixServerSocket = 0x10026,  // CVTCommandCreateListenUnixServerSocket
    kCloseDestroyUnixServerSocket = 0x10027,  // CVTCommandCloseDestroyUnixServerSocket
    kGetSessionData = 0x10028,                // empty
    kCalibrateKv = 0x10029,                   // empty
    kSetTrackingDataRate = 0x1002A,           // U16Request rate
    kSetForceBypass = 0x1002B,                // ForceBypassRequest
    kSaveUserPresets = 0x1002C,               // text: file path
    kSetSensorFusionEnabled = 0x1002D,        // u8 0/1
    kLoadPresetsFromChunk = 0x1002E,          // ChunkRequest -> 4, unread
    kSaveUserPresetToChunk = 0x1002F,         // SaveChunkRequest -> SaveChunkReply
    kTransactBuffer = 0x10030,                // caller's bytes -> the same buffer
    kShouldEnableAndroidEffect = 0x10031,     // empty -> U8Reply, nonzero: yes
    kIsDefaultSoundMode = 0x10032,            // CVTCommandIsDefaultSoundMode -> same
    kGetSupportedSoundModeCount = 0x10033,    // empty -> U32Reply count
    kGetSupportedSoundModeValues = 0x10034,   // U32Request n -> n x u32
    kSetMetersServerEnable = 0x10035,         // U32Request 0/1
    kSetConfigByChunk = 0x10036,              // CVTCommandSetConfigByChunk -> 4, unread
    kClearConfig = 0x10037,                   // empty -> 4, unread
    kSetPresetSelectorIndex = 0x10038,        // U32Request index
    kSetLogOutput = 0x10039,                  // CVTCommandSetLogOutput
    kSetSystemVolume = 0x1003A,               // CVTCommandSetSystemVolume
    kDump = 0x1003B,                          // empty
    kParameterArrayGet = 0x1003C,             // ParamsArrayRequest, every mode -> n x f64
};
// clang-format on

// --- Requests of fixed layout ---------------------------------------------------------

// One value: a mode, a switch (0/1), a rate, a count or an index; in a
// reply, a tag mask, a count or a yes (nonzero) or no.
template <typename T>
struct Value {
    static constexpr Field<T> kValue{0};
    static constexpr size_t kSize = sizeof(T);
};
using U16Request = Value<uint16_t>;
using U32Request = Value<uint32_t>;

// An output mode and a sound mode.
struct ModePairRequest {
    static constexpr Field<uint16_t> kOutputMode{0};
    static constexpr Field<uint16_t> kSoundMode{2};
    static constexpr size_t kSize = 4;
};

struct CustomOutputModeRequest {
    static constexpr Field<uint16_t> kFirst{0};
    static constexpr Field<uint16_t> kSecond{2};
    static constexpr size_t kSize = 4;
};

// The masks' low 16 bits.
struct SetTagExRequest {
    static constexpr Field<uint32_t> kOutputMode{0};
    static constexpr Field<uint32_t> kSoundMode{4};
    static constexpr Field<uint16_t> kTagDisable{8};
    static constexpr Field<uint16_t> kTagEnable{10};
    static constexpr size_t kSize = 12;
};

// How the requests for parameter arrays start: the count n of the u32
// parameter ids that end the request, the modes and the sub-type mask.
struct ParamsArrayHead {
    static constexpr Field<uint32_t> kCount{0};
    static constexpr Field<uint16_t> kOutputMode{4};
    static constexpr Field<uint16_t> kSoundMode{6};
    static constexpr Field<uint32_t> kSubTypes{8};
};

// The reply is n f64 values in the order of the ids.
struct ParamsArrayRequest : ParamsArrayHead {
    static constexpr Field<uint32_t> kSubTypesCombined{12};  // 0/1
    static constexpr Field<uint32_t> kMustFindAll{16};       // 0/1
    static constexpr size_t kIds = 20;
};

struct ClearParamsArrayRequest : ParamsArrayHead {
    static constexpr Field<uint8_t> kAlsoClearBase{12};  // 0/1, then 3 zero bytes
    static constexpr size_t kIds = 16;
};

// The algorithm name fills a zero-padded field, so at most 127 characters.
struct ForceBypassRequest {
    static constexpr Field<uint32_t> kIO{0};
    static constexpr Field<uint32_t> kSession{4};
    static constexpr size_t kAlgorithm = 8;
    static constexpr size_t kAlgorithmSize = 128;
    static constexpr Field<uint32_t> kUseCase{136};
    static constexpr Field<uint32_t> kForceBypass{140};  // 0/1
    static constexpr size_t kSize = 144;
};

// LoadPresetsFromChunk; then the chunk's bytes.
struct ChunkRequest {
    static constexpr Field<uint32_t> kChunkType{0};
    static constexpr Field<uint32_t> kChecksum{4};
    static constexpr Field<uint32_t> kChunkSize{8};
    static constexpr Field<uint32_t> kIsBasePreset{12};  // 0/1
    static constexpr size_t kChunk = 16;
};

// SaveUserPresetToChunk: the capacity for the chunk, the current in/out
// value and the value passed in.
struct SaveChunkRequest {
    static constexpr Field<uint32_t> kCapacity{0};
    static constexpr Field<uint32_t> kInOutValue{4};
    static constexpr Field<uint32_t> kValue{8};
    static constexpr size_t kSize = 12;
};

// --- Replies of fixed layout ----------------------------------------------------------

using U8Reply = Value<uint8_t>;
using U32Reply = Value<uint32_t>;

// Bytes 10 and 11 are not read.
struct GetActiveReply {
    static constexpr Field<uint32_t> kTag{0};
    static constexpr Field<uint16_t> kOutputMode{4};
    static constexpr Field<uint16_t> kSoundMode{6};
    static constexpr Field<uint16_t> kMT{8};
    static constexpr size_t kSize = 12;
};

// Capacity: the request's capacity plus the fixed part; then the chunk.
struct SaveChunkReply {
    static constexpr Field<uint32_t> kOutValue{0};
    static constexpr Field<uint32_t> kInOutValue{4};
    static constexpr Field<uint32_t> kChunkSize{8};
    static constexpr size_t kChunk = 12;
};

// The capacity of the replies that are reserved and never read.
constexpr uint32_t kUnreadReplySize = 4;
// The capacity per output mode name asked for: 8 bytes of id and length and
// names of up to 64 characters.
constexpr uint32_t kOutputModeNameReplySize = 72;

// Whether a request or reply of nHeader + nPerItem * nCount bytes can be
// described by the command call's 32-bit byte counts.
inline bool FitsCommand(uint32_t nCount, uint32_t nHeader, uint32_t nPerItem) {
    return nCount <= (UINT32_MAX - nHeader) / nPerItem;
}

}  // namespace EffectCommand
}  // namespace TarvoFX
