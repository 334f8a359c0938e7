// The small interfaces through which the tuning server's executors call the
// effect object: one callback each (two for recording).
#pragma once

#include <stdint.h>

#include <vector>

namespace TarvoFX {

class IVTServerParameterSetListener {
public:
    virtual ~IVTServerParameterSetListener() = default;
    virtual bool OnVTServerParameterSet(uint32_t nParam, double dValue) = 0;
};

class IVTServerParameterArraySetListener {
public:
    virtual ~IVTServerParameterArraySetListener() = default;
    virtual bool OnVTServerParameterArraySet(const std::vector<unsigned int>& vecParams,
                                             const std::vector<double>& vecValues) = 0;
};

class IVTServerParameterGetListener {
public:
    virtual ~IVTServerParameterGetListener() = default;
    virtual bool OnVTServerParameterGet(uint32_t nParam, double& dValue) = 0;
};

class IVTServerParameterArrayGetListener {
public:
    virtual ~IVTServerParameterArrayGetListener() = default;
    virtual bool OnVTServerParameterArrayGet(std::vector<unsigned int>& vecParams,
                                             std::vector<double>& vecValues,
                                             std::vector<bool>& vecFound) = 0;
};

class IVTServerCustomOutputModeSetListener {
public:
    virtual ~IVTServerCustomOutputModeSetListener() = default;
    virtual bool OnVTServerCustomOutputModeSet(uint16_t nFirstOutputMode,
                                               uint16_t nSecondOutputMode) = 0;
};

class IVTServerLogLevelSetListener {
public:
    virtual ~IVTServerLogLevelSetListener() = default;
    virtual bool OnVTServerLogLevelSet(const char* szLogTagName, int32_t nLevel) = 0;
};

class IVTServerLogOutputSetListener {
public:
    virtual ~IVTServerLogOutputSetListener() = default;
    virtual bool OnVTServerLogOutputSet(const char* szLogOutputName, bool bEnable) = 0;
};

class IVTServerMetersListener {
public:
    virtual ~IVTServerMetersListener() = default;
    virtual bool OnVTServerMetersEnabled(bool bEnabled) = 0;
};

class IVTServerCalibrateKvListener {
public:
    virtual ~IVTServerCalibrateKvListener() = default;
    virtual bool OnVTServerCalibrateKv() = 0;
};

class IVTServerOutputModeSetListener {
public:
    virtual ~IVTServerOutputModeSetListener() = default;
    virtual bool OnVTServerOutputModeSet(uint16_t nOutputMode) = 0;
};

class IVTServerRecordingListener {
public:
    virtual ~IVTServerRecordingListener() = default;
    virtual bool OnVTServerRecordingEnabled(const char* szRecordingPath) = 0;
    virtual bool OnVTServerRecordingDisabled() = 0;
};

class IVTServerSoundModeSetListener {
public:
    virtual ~IVTServerSoundModeSetListener() = default;
    virtual bool OnVTServerSoundModeSet(int16_t nSoundMode) = 0;
};

class IVTServerSystemVolumeSetListener {
public:
    virtual ~IVTServerSystemVolumeSetListener() = default;
    virtual bool OnVTServerSystemVolumeSet(double dVolume) = 0;
};

class IVTServerMpsFileSetListener {
public:
    virtual ~IVTServerMpsFileSetListener() = default;
    virtual bool OnVTServerMpsFileSet(const char* szPath) = 0;
};

class IVTServerTagExSetListener {
public:
    virtual ~IVTServerTagExSetListener() = default;
    virtual bool OnVTServerTagExSet(uint32_t nOutputMode, uint32_t nSoundMode, int16_t nTagDisable,
                                    int16_t nTagEnable) = 0;
};

class IVTServerDumpListener {
public:
    virtual ~IVTServerDumpListener() = default;
    virtual bool OnVTServerDump() = 0;
};

}  // namespace TarvoFX
