// The vendor effect as the simulated audio server runs it: it answers the
// effect's command protocol (codes 0x10000 to 0x1003C) and keeps the state
// that makes one command's answer reflect another's request, so that what
// one operation sets another reads back.
//
// Modes are 16-bit values (a 32-bit mode keeps its low 16 bits); in
// parameter lookups the mode 0xFFFF stands for every mode. Parameters live in
// two layers, base and user, keyed by output mode, sound mode and sub-type
// mask. Preset files and chunks use the effect's own text format, one
// parameter per line: "param <om> <sm> <subtypes> <id> <value>".
#pragma once

#include <stdint.h>

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "HostPlatform/Export.h"

namespace HostPlatform {

struct EffectRequest;

class HOST_PLATFORM_API SimulatedEffect {
public:
    static constexpr uint32_t kFirstCode = 0x10000;
    static constexpr uint32_t kLastCode = 0x1003C;

    // (output mode, sound mode, sub-type mask) -> parameter id -> value.
    using ParameterKey = std::tuple<uint16_t, uint16_t, uint32_t>;
    using ParameterLayer = std::map<ParameterKey, std::map<uint32_t, double>>;

    // Everything the effect holds, as tests and tools see it.
    struct State {
        uint16_t nOutputMode = 0;
        uint16_t nSoundMode = 0;
        std::pair<uint16_t, uint16_t> customOutputMode{0, 0};        // first -> second
        std::map<std::pair<uint16_t, uint16_t>, uint32_t> tagMasks;  // (om, sm) -> mask
        uint32_t nSupportedTagMask = 0xFFFF;
        std::map<uint32_t, std::string> supportedOutputModes;
        std::vector<uint32_t> supportedSoundModes;
        std::map<uint16_t, uint16_t> defaultSoundModes;  // output mode -> sound mode
        ParameterLayer baseParameters;
        ParameterLayer userParameters;
        std::map<uint32_t, std::vector<uint8_t>> configChunks;  // chunk type -> bytes
        std::map<std::string, uint32_t> logLevels;
        std::map<std::string, bool> logOutputs;
        double dVolume = 1.0;
        bool bRecording = false;
        std::string strRecordingPrefix;
        bool bPipeOpen = false;
        std::string strPipePath;
        uint16_t nTrackingRate = 0;
        bool bSensorFusion = false;
        bool bSmoothing = false;
        bool bOutputDeviceDetection = false;
        bool bVeltSense = false;
        bool bMeters = false;
        uint32_t nPresetSelectorIndex = 0;
        std::set<std::string> unixSockets;  // paths ("@path" in the abstract namespace)
        // algorithm -> (io, session, use case, bypass)
        std::map<std::string, std::tuple<int32_t, int32_t, int32_t, bool>> forceBypass;
        uint32_t nCalibrations = 0;
        uint32_t nSessionDataRequests = 0;
        uint32_t nDumps = 0;
    };

    SimulatedEffect();

    // Handles one command: returns a platform status and, on success, the
    // reply bytes. A code outside the effect's table, a request whose bytes
    // do not match its code's layout (HostPlatform/EffectRequests.h) and a
    // reply longer than nReplyCapacity are refused (-22).
    int32_t Handle(uint32_t nCode, const std::vector<uint8_t>& request, uint32_t nReplyCapacity,
                   std::vector<uint8_t>& reply);

    // Platform enable state of the effect (any client may switch it).
    void SetPlatformEnabled(bool bEnabled);
    bool PlatformEnabled() const;

    // Algorithms switched on by the enable and disable commands.
    std::set<std::string> EnabledAlgorithms() const;

    State Snapshot() const;
    // What the effect reports it supports (tests set their own).
    void SetSupportedOutputModes(const std::map<uint32_t, std::string>& modes);
    void SetSupportedSoundModes(const std::vector<uint32_t>& values,
                                const std::map<uint16_t, uint16_t>& defaults);
    void SetSupportedTagMask(uint32_t nMask);
    // Whether the preset file commands may read and write files (on unless
    // turned off); without it they are refused with -1.
    void SetFileAccess(bool bAllowed);

    // The effect's preset text for one layer, and its checksum (the byte sum).
    static std::string PresetText(const ParameterLayer& layer);
    static bool ParsePresetText(const std::string& strText, ParameterLayer& layer);
    static uint32_t Checksum(const std::vector<uint8_t>& bytes);

private:
    int32_t HandleLocked(const EffectRequest& request, uint32_t nReplyCapacity,
                         std::vector<uint8_t>& reply);
    int32_t GetParameters(const EffectRequest& request, bool bIncludeUser, uint32_t nReplyCapacity,
                          std::vector<uint8_t>& reply) const;

    mutable std::mutex m_mutex;
    bool m_bPlatformEnabled = false;
    std::set<std::string> m_enabledAlgorithms;
    State m_state;
    bool m_bFileAccess = true;
};

}  // namespace HostPlatform
