// The effect object's interface as a companion application declares it: its
// own header, sharing nothing with the library's sources. Applications call
// the object only through these virtual slots, in this order.
#pragma once

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

namespace companion {

struct EffectUuid {
    uint32_t timeLow;
    uint16_t timeMid;
    uint16_t timeHiAndVersion;
    uint16_t clockSeq;
    uint8_t node[6];
};

typedef void (*EffectCallback)(int32_t event, void* user, int32_t size, void* data);

// Opaque to the application: only passed back and forth by shared pointer.
class PlatformEffect;

class VeltraEffect {
public:
    virtual bool Init(int32_t priority, int32_t session) = 0;           // 0
    virtual bool SetEnabled(const std::string& alg, bool enabled) = 0;  // 1
    virtual bool SetOutputDeviceDetectionEnabled(bool enabled) = 0;     // 2
    virtual bool SetVeltSenseEnabled(bool enabled) = 0;                 // 3
    virtual bool ClearParams() = 0;                                     // 4
    virtual bool ClearParamsArray(uint32_t count, const unsigned* ids, int32_t om, int32_t sm,
                                  uint32_t subTypes, bool alsoBase) = 0;                   // 5
    virtual bool SetTagEx(int32_t om, int32_t sm, uint32_t disable, uint32_t enable) = 0;  // 6
    virtual bool GetTag(int32_t om, int32_t sm, uint32_t& tag) = 0;                        // 7
    virtual bool SetOutputMode(int32_t om) = 0;                                            // 8
    virtual bool GetActive(uint16_t& om, uint16_t& sm, uint16_t& mt, uint32_t& tag) = 0;   // 9
    virtual bool SetLogLevel(const std::string& tag, int32_t level) = 0;                   // 10
    virtual bool LoadPresets(const std::string& file, const std::string& userFile) = 0;    // 11
    virtual bool LoadPresetsFromChunk(const char* chunk, uint32_t size, uint32_t checksum,
                                      uint32_t type, bool isBase) = 0;  // 12
    virtual bool SaveUserPresetToChunk(char* chunk, uint32_t& size, uint32_t value,
                                       uint32_t& outValue, uint32_t& inOutValue) = 0;  // 13
    virtual bool OpenClientPipe(const std::string& path) = 0;                          // 14
    virtual bool CloseClientPipe() = 0;                                                // 15
    virtual bool SavePresets(const std::string& path) = 0;                             // 16
    virtual bool SaveUserPresets(const std::string& path) = 0;                         // 17
    virtual bool SetRecordingEnable(const std::string& prefix) = 0;                    // 18
    virtual bool SetRecordingDisable() = 0;                                            // 19
    virtual bool Preset_SetParamsArrayEx(uint32_t count, const unsigned* ids, const double* values,
                                         int32_t om, int32_t sm, uint32_t subType,
                                         bool addMissing) = 0;  // 20
    virtual bool Preset_GetUserParamsArray(uint32_t count, const unsigned* ids, double* values,
                                           int32_t om, int32_t sm, uint32_t subType, bool combined,
                                           bool mustFindAll) = 0;  // 21
    virtual bool Preset_GetBaseParamsArray(uint32_t count, const unsigned* ids, double* values,
                                           int32_t om, int32_t sm, uint32_t subType, bool combined,
                                           bool mustFindAll) = 0;         // 22
    virtual bool SetSoundMode(int32_t sm) = 0;                            // 23
    virtual bool SetSmoothingEnable(bool enabled) = 0;                    // 24
    virtual bool SetCustomOutputMode(int32_t first, int32_t second) = 0;  // 25
    virtual bool SetTcpIpEnable(bool enable, int32_t port) = 0;           // 26
    virtual bool SetMetersServerEnable(bool enable) = 0;                  // 27
    virtual bool GetSupportedOutputModeCount(uint32_t& count) = 0;        // 28
    virtual bool GetSupportedOutputModeNames(uint32_t count, std::vector<unsigned>& ids,
                                             std::vector<std::string>& names) = 0;             // 29
    virtual bool GetSupportedTag(int32_t om, int32_t sm, uint32_t& tag) = 0;                   // 30
    virtual bool CreateAndListenUnixServerSocket(bool abstract, const std::string& path) = 0;  // 31
    virtual bool CloseAndDestroyUnixServerSocket(const std::string& path) = 0;                 // 32
    virtual bool CalibrateKv() = 0;                                                            // 33
    virtual bool SetSensorFusionEnabled(bool enabled) = 0;                                     // 34
    virtual bool SetTrackingDataRate(uint16_t rate) = 0;                                       // 35
    virtual bool SetPresetSelectorIndex(int32_t index) = 0;                                    // 36
    virtual bool SetForceBypass(int32_t io, int32_t session, const std::string& alg,
                                int32_t useCase, bool bypass) = 0;  // 37
    virtual bool TransactBuffer(uint32_t size, void* buffer) = 0;   // 38
    virtual bool GetDefaultSoundMode(uint32_t count, const uint32_t* first, const uint32_t* second,
                                     bool* isDefault) = 0;                                   // 39
    virtual bool GetSupportedSoundModeCount(uint32_t& count) = 0;                            // 40
    virtual bool GetSupportedSoundModeValues(uint32_t count, std::vector<unsigned>& v) = 0;  // 41
    virtual bool SetAudioSession(int32_t session, bool add) = 0;                             // 42
    virtual bool GetSessionData() = 0;                                                       // 43
    virtual bool SetConfigByChunk(const char* chunk, uint32_t size, uint32_t checksum,
                                  uint32_t type) = 0;                       // 44
    virtual bool ClearConfig() = 0;                                         // 45
    virtual ~VeltraEffect() {}                                              // 46, 47
    virtual bool SetLogOutput(const std::string& output, bool enable) = 0;  // 48
    virtual bool SetSystemVolume(double volume) = 0;                        // 49
    virtual bool Dump() = 0;                                                // 50
    virtual bool OnVTServerParameterSet(uint32_t id, double value) = 0;     // 51
    virtual bool OnVTServerParameterArraySet(const std::vector<unsigned>& ids,
                                             const std::vector<double>& values) = 0;  // 52
    virtual bool OnVTServerParameterGet(uint32_t id, double& value) = 0;              // 53
    virtual bool OnVTServerParameterArrayGet(std::vector<unsigned>& ids,
                                             std::vector<double>& values,
                                             std::vector<bool>& found) = 0;  // 54
    virtual bool VTServerParameterArrayGet(std::vector<unsigned>& ids, std::vector<double>& values,
                                           std::vector<bool>& found) = 0;             // 55
    virtual bool OnVTServerCustomOutputModeSet(uint16_t first, uint16_t second) = 0;  // 56
    virtual bool OnVTServerLogLevelSet(const char* tag, int32_t level) = 0;           // 57
    virtual bool OnVTServerLogOutputSet(const char* output, bool enable) = 0;         // 58
    virtual bool OnVTServerMetersEnabled(bool enabled) = 0;                           // 59
    virtual bool OnVTServerCalibrateKv() = 0;                                         // 60
    virtual bool OnVTServerOutputModeSet(uint16_t om) = 0;                            // 61
    virtual bool OnVTServerRecordingEnabled(const char* path) = 0;                    // 62
    virtual bool OnVTServerRecordingDisabled() = 0;                                   // 63
    virtual bool OnVTServerSoundModeSet(int16_t sm) = 0;                              // 64
    virtual bool OnVTServerSystemVolumeSet(double volume) = 0;                        // 65
    virtual bool OnVTServerTagExSet(uint32_t om, uint32_t sm, int16_t disable,
                                    int16_t enable) = 0;      // 66
    virtual bool OnVTServerMpsFileSet(const char* path) = 0;  // 67
    virtual bool OnVTServerDump() = 0;                        // 68
    virtual std::shared_ptr<PlatformEffect> CreateAudioEffect(const EffectUuid* uuid,
                                                              int32_t priority, int32_t session,
                                                              uint32_t io,
                                                              EffectCallback callback) = 0;  // 69
    virtual bool ShouldEnableAndroidEffect(std::shared_ptr<PlatformEffect> effect) = 0;      // 70
    virtual bool SendCommand(int32_t code) = 0;                                              // 71
    virtual bool SendCommand(int32_t code, uint32_t size, const void* data) = 0;             // 72
    virtual bool SendCommand(int32_t code, const std::vector<char>& data) = 0;               // 73
    virtual bool SendCommand(int32_t code, uint32_t size, const void* data, uint32_t* replySize,
                             void* reply) = 0;  // 74
    virtual bool Preset_GetParamsArray(uint32_t count, const unsigned* ids, double* values,
                                       int32_t om, int32_t sm, uint32_t subType, bool combined,
                                       bool mustFindAll, bool includeUser) = 0;  // 75
    virtual void CreateTuningServers(int32_t port) = 0;                          // 76
};

}  // namespace companion

// The library's exported factory, as the application declares it.
namespace TarvoFX {
class FxShimWrapper;
class VeltraEffectFactory {
public:
    static companion::VeltraEffect* CreateVeltraEffect(const std::string& name, int32_t io,
                                                       companion::EffectCallback callback);
    static FxShimWrapper* GetFxShimWrapper();
    static const companion::EffectUuid s_effectUUIDOutput;
    static const companion::EffectUuid s_effectUUIDInput;
    static const int32_t s_nInvalidIO;
};
}  // namespace TarvoFX
