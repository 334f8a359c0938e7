// The small interfaces through which the tuning server's executors call the
// effect object: one callback each (two for recording). VeltraEffectAPIBase
// implements them all (IVeltraEffectAPI slots 51 to 68) and SetTcpIpEnable
// hands them to the executors. They run on the tuning server's thread, one
// request at a time, while the application may call the same object.
//
// Each answers true for success and false for failure, like every operation
// of IVeltraEffectAPI; only the two queries' answers reach the tuning client:
// false sends it no reply. A null text argument is answered false.
#pragma once

#include <stdint.h>

#include <vector>

namespace TarvoFX {

// "param" and binary command 1: sets one parameter in every output and sound mode.
class IVTServerParameterSetListener {
public:
    virtual ~IVTServerParameterSetListener() = default;
    virtual bool OnVTServerParameterSet(uint32_t nParam, double dValue) = 0;
};

// Binary command 3: sets the (id, value) pairs as OnVTServerParameterSet does.
class IVTServerParameterArraySetListener {
public:
    virtual ~IVTServerParameterArraySetListener() = default;
    virtual bool OnVTServerParameterArraySet(const std::vector<unsigned int>& vecParams,
                                             const std::vector<double>& vecValues) = 0;
};

// Binary command 10: reads one parameter; dValue is written only on true.
class IVTServerParameterGetListener {
public:
    virtual ~IVTServerParameterGetListener() = default;
    virtual bool OnVTServerParameterGet(uint32_t nParam, double& dValue) = 0;
};

// "get_param_array" and binary command 11: reads the ids' values into
// vecValues (sized like vecParams) and marks in vecFound those it found.
class IVTServerParameterArrayGetListener {
public:
    virtual ~IVTServerParameterArrayGetListener() = default;
    virtual bool OnVTServerParameterArrayGet(std::vector<unsigned int>& vecParams,
                                             std::vector<double>& vecValues,
                                             std::vector<bool>& vecFound) = 0;
};

// "customoutputmode" and binary command 18.
class IVTServerCustomOutputModeSetListener {
public:
    virtual ~IVTServerCustomOutputModeSetListener() = default;
    virtual bool OnVTServerCustomOutputModeSet(uint16_t nFirstOutputMode,
                                               uint16_t nSecondOutputMode) = 0;
};

// "loglevel": a tag name and a level (LogLevels.h).
class IVTServerLogLevelSetListener {
public:
    virtual ~IVTServerLogLevelSetListener() = default;
    virtual bool OnVTServerLogLevelSet(const char* szLogTagName, int32_t nLevel) = 0;
};

// "logoutput": an output name, switched on or off.
class IVTServerLogOutputSetListener {
public:
    virtual ~IVTServerLogOutputSetListener() = default;
    virtual bool OnVTServerLogOutputSet(const char* szLogOutputName, bool bEnable) = 0;
};

// "meters_enable" and "meters_disable".
class IVTServerMetersListener {
public:
    virtual ~IVTServerMetersListener() = default;
    virtual bool OnVTServerMetersEnabled(bool bEnabled) = 0;
};

// "calibrate_kv" and binary command 24.
class IVTServerCalibrateKvListener {
public:
    virtual ~IVTServerCalibrateKvListener() = default;
    virtual bool OnVTServerCalibrateKv() = 0;
};

// "outputmode" and binary command 14: the mode's low 16 bits.
class IVTServerOutputModeSetListener {
public:
    virtual ~IVTServerOutputModeSetListener() = default;
    virtual bool OnVTServerOutputModeSet(uint16_t nOutputMode) = 0;
};

// "set_recording" and binary command 13: status 1 with a path prefix, or off.
class IVTServerRecordingListener {
public:
    virtual ~IVTServerRecordingListener() = default;
    virtual bool OnVTServerRecordingEnabled(const char* szRecordingPath) = 0;
    virtual bool OnVTServerRecordingDisabled() = 0;
};

// "soundmode" and binary command 12: the mode's low 16 bits.
class IVTServerSoundModeSetListener {
public:
    virtual ~IVTServerSoundModeSetListener() = default;
    virtual bool OnVTServerSoundModeSet(int16_t nSoundMode) = 0;
};

// "volume".
class IVTServerSystemVolumeSetListener {
public:
    virtual ~IVTServerSystemVolumeSetListener() = default;
    virtual bool OnVTServerSystemVolumeSet(double dVolume) = 0;
};

// "loadpreset" and binary command 15: a preset file for the effect to load.
class IVTServerMpsFileSetListener {
public:
    virtual ~IVTServerMpsFileSetListener() = default;
    virtual bool OnVTServerMpsFileSet(const char* szPath) = 0;
};

// "set_tag_ex": output mode, sound mode and the masks' low 16 bits.
class IVTServerTagExSetListener {
public:
    virtual ~IVTServerTagExSetListener() = default;
    virtual bool OnVTServerTagExSet(uint32_t nOutputMode, uint32_t nSoundMode, int16_t nTagDisable,
                                    int16_t nTagEnable) = 0;
};

// "apodump".
class IVTServerDumpListener {
public:
    virtual ~IVTServerDumpListener() = default;
    virtual bool OnVTServerDump() = 0;
};

}  // namespace TarvoFX
