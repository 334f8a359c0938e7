// The application-facing interface of the effect object. The order of the
// virtual operations below is the library's binary interface: applications
// call them by slot, so new operations may only ever be appended.
#pragma once

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "VeltraEffectAPI/IAudioEffect.h"

namespace TarvoFX {

class IVeltraEffectAPI {
public:
    /* 0 */ virtual bool Init(int32_t nPriority, int32_t nSessionID) = 0;
    /* 1 */ virtual bool SetEnabled(const std::string& strAlg, bool bEnabled) = 0;
    /* 2 */ virtual bool SetOutputDeviceDetectionEnabled(bool bEnabled) = 0;
    /* 3 */ virtual bool SetVeltSenseEnabled(bool bEnabled) = 0;
    /* 4 */ virtual bool ClearParams() = 0;
    /* 5 */ virtual bool ClearParamsArray(uint32_t nParametersCount, const unsigned int* pParams,
                                          int32_t nOutputMode, int32_t nSoundMode,
                                          uint32_t nSubTypes, bool bAlsoClearBasePreset) = 0;
    /* 6 */ virtual bool SetTagEx(int32_t nOutputMode, int32_t nSoundMode, uint32_t nTagDisable,
                                  uint32_t nTagEnable) = 0;
    /* 7 */ virtual bool GetTag(int32_t nOutputMode, int32_t nSoundMode, uint32_t& nTag) = 0;
    /* 8 */ virtual bool SetOutputMode(int32_t nOM) = 0;
    /* 9 */ virtual bool GetActive(uint16_t& nOM, uint16_t& nSM, uint16_t& nMT, uint32_t& nTag) = 0;
    /* 10 */ virtual bool SetLogLevel(const std::string& strTagName, int32_t nLevel) = 0;
    /* 11 */ virtual bool LoadPresets(const std::string& strMpsFilePath,
                                      const std::string& strUserMpsFilePath) = 0;
    /* 12 */ virtual bool LoadPresetsFromChunk(const char* pChunk, uint32_t nChunkSize,
                                               uint32_t nChecksum, uint32_t nChunkType,
                                               bool bIsBasePreset) = 0;
    /* 13 */ virtual bool SaveUserPresetToChunk(char* pChunk, uint32_t& nChunkSize, uint32_t nValue,
                                                uint32_t& nOutValue, uint32_t& nInOutValue) = 0;
    /* 14 */ virtual bool OpenClientPipe(const std::string& strFilePath) = 0;
    /* 15 */ virtual bool CloseClientPipe() = 0;
    /* 16 */ virtual bool SavePresets(const std::string& strFilePath) = 0;
    /* 17 */ virtual bool SaveUserPresets(const std::string& strFilePath) = 0;
    /* 18 */ virtual bool SetRecordingEnable(const std::string& strPrefixPath) = 0;
    /* 19 */ virtual bool SetRecordingDisable() = 0;
    /* 20 */ virtual bool Preset_SetParamsArrayEx(
        uint32_t nParametersCount, const unsigned int* pParams, const double* pValues,
        int32_t nOutputMode, int32_t nSoundMode, uint32_t nSubType,
        bool bAddNonexistingParamsInSubpresetToBasePreset) = 0;
    /* 21 */ virtual bool Preset_GetUserParamsArray(uint32_t nParametersCount,
                                                    const unsigned int* pParams, double* pValues,
                                                    int32_t nOutputMode, int32_t nSoundMode,
                                                    uint32_t nSubType, bool bIsSubTypeCombined,
                                                    bool bMustFindAll) = 0;
    /* 22 */ virtual bool Preset_GetBaseParamsArray(uint32_t nParametersCount,
                                                    const unsigned int* pParams, double* pValues,
                                                    int32_t nOutputMode, int32_t nSoundMode,
                                                    uint32_t nSubType, bool bIsSubTypeCombined,
                                                    bool bMustFindAll) = 0;
    /* 23 */ virtual bool SetSoundMode(int32_t nSoundMode) = 0;
    /* 24 */ virtual bool SetSmoothingEnable(bool bEnabled) = 0;
    /* 25 */ virtual bool SetCustomOutputMode(int32_t nFirstOutputMode,
                                              int32_t nSecondOutputMode) = 0;
    /* 26 */ virtual bool SetTcpIpEnable(bool bEnable, int32_t nTcpipPort) = 0;
    /* 27 */ virtual bool SetMetersServerEnable(bool bEnable) = 0;
    /* 28 */ virtual bool GetSupportedOutputModeCount(uint32_t& nCount) = 0;
    /* 29 */ virtual bool GetSupportedOutputModeNames(uint32_t nCount,
                                                      std::vector<unsigned int>& vecIds,
                                                      std::vector<std::string>& vecNames) = 0;
    /* 30 */ virtual bool GetSupportedTag(int32_t nOutputMode, int32_t nSoundMode,
                                          uint32_t& nTag) = 0;
    /* 31 */ virtual bool CreateAndListenUnixServerSocket(bool bIsAbstractSocket,
                                                          const std::string& strFilePath) = 0;
    /* 32 */ virtual bool CloseAndDestroyUnixServerSocket(const std::string& strFilePath) = 0;
    /* 33 */ virtual bool CalibrateKv() = 0;
    /* 34 */ virtual bool SetSensorFusionEnabled(bool bEnabled) = 0;
    /* 35 */ virtual bool SetTrackingDataRate(uint16_t nRate) = 0;
    /* 36 */ virtual bool SetPresetSelectorIndex(int32_t nIndex) = 0;
    /* 37 */ virtual bool SetForceBypass(int32_t nIO, int32_t nSessionId,
                                         const std::string& strAlgName, int32_t nUseCase,
                                         bool bForceBypass) = 0;
    /* 38 */ virtual bool TransactBuffer(uint32_t nSize, void* pBuffer) = 0;
    /* 39 */ virtual bool GetDefaultSoundMode(uint32_t nCount, const uint32_t* pFirstValues,
                                              const uint32_t* pSecondValues, bool* pIsDefault) = 0;
    /* 40 */ virtual bool GetSupportedSoundModeCount(uint32_t& nCount) = 0;
    /* 41 */ virtual bool GetSupportedSoundModeValues(uint32_t nSoundModeCount,
                                                      std::vector<unsigned int>& vecValues) = 0;
    /* 42 */ virtual bool SetAudioSession(int32_t nSessionID, bool bAdd) = 0;
    /* 43 */ virtual bool GetSessionData() = 0;
    /* 44 */ virtual bool SetConfigByChunk(const char* pChunk, uint32_t nChunkSize,
                                           uint32_t nChecksum, uint32_t nChunkType) = 0;
    /* 45 */ virtual bool ClearConfig() = 0;
    /* 46, 47 */ virtual ~IVeltraEffectAPI() = default;
    /* 48 */ virtual bool SetLogOutput(const std::string& strOutputName, bool bEnable) = 0;
    /* 49 */ virtual bool SetSystemVolume(double dVolume) = 0;
    /* 50 */ virtual bool Dump() = 0;
    /* 51 */ virtual bool OnVTServerParameterSet(uint32_t nParam, double dValue) = 0;
    /* 52 */ virtual bool OnVTServerParameterArraySet(const std::vector<unsigned int>& vecParams,
                                                      const std::vector<double>& vecValues) = 0;
    /* 53 */ virtual bool OnVTServerParameterGet(uint32_t nParam, double& dValue) = 0;
    /* 54 */ virtual bool OnVTServerParameterArrayGet(std::vector<unsigned int>& vecParams,
                                                      std::vector<double>& vecValues,
                                                      std::vector<bool>& vecFound) = 0;
    /* 55 */ virtual bool VTServerParameterArrayGet(std::vector<unsigned int>& vecParams,
                                                    std::vector<double>& vecValues,
                                                    std::vector<bool>& vecFound) = 0;
    /* 56 */ virtual bool OnVTServerCustomOutputModeSet(uint16_t nFirstOutputMode,
                                                        uint16_t nSecondOutputMode) = 0;
    /* 57 */ virtual bool OnVTServerLogLevelSet(const char* szLogTagName, int32_t nLevel) = 0;
    /* 58 */ virtual bool OnVTServerLogOutputSet(const char* szLogOutputName, bool bEnable) = 0;
    /* 59 */ virtual bool OnVTServerMetersEnabled(bool bEnabled) = 0;
    /* 60 */ virtual bool OnVTServerCalibrateKv() = 0;
    /* 61 */ virtual bool OnVTServerOutputModeSet(uint16_t nOutputMode) = 0;
    /* 62 */ virtual bool OnVTServerRecordingEnabled(const char* szRecordingPath) = 0;
    /* 63 */ virtual bool OnVTServerRecordingDisabled() = 0;
    /* 64 */ virtual bool OnVTServerSoundModeSet(int16_t nSoundMode) = 0;
    /* 65 */ virtual bool OnVTServerSystemVolumeSet(double dVolume) = 0;
    /* 66 */ virtual bool OnVTServerTagExSet(uint32_t nOutputMode, uint32_t nSoundMode,
                                             int16_t nTagDisable, int16_t nTagEnable) = 0;
    /* 67 */ virtual bool OnVTServerMpsFileSet(const char* szPath) = 0;
    /* 68 */ virtual bool OnVTServerDump() = 0;
    /* 69 */ virtual std::shared_ptr<IAudioEffect> CreateAudioEffect(
        const IAudioEffect::EffectUUID* pUUID, int32_t nPriority, int32_t nSessionID, uint32_t nIO,
        PFN_AUDIOEFFECT_CALLBACK pfnCallback) = 0;
    /* 70 */ virtual bool ShouldEnableAndroidEffect(std::shared_ptr<IAudioEffect> pAudioEffect) = 0;
    /* 71 */ virtual bool SendCommand(int32_t nCmdID) = 0;
    /* 72 */ virtual bool SendCommand(int32_t nCmdID, uint32_t nSize, const void* pData) = 0;
    /* 73 */ virtual bool SendCommand(int32_t nCmdID, const std::vector<char>& buffer) = 0;
    /* 74 */ virtual bool SendCommand(int32_t nCmdID, uint32_t nSize, const void* pData,
                                      uint32_t* pReplySize, void* pReply) = 0;
    /* 75 */ virtual bool Preset_GetParamsArray(uint32_t nParametersCount,
                                                const unsigned int* pParams, double* pValues,
                                                int32_t nOutputMode, int32_t nSoundMode,
                                                uint32_t nSubType, bool bIsSubTypeCombined,
                                                bool bMustFindAll, bool includeUserPreset) = 0;
    /* 76 */ virtual void CreateTuningServers(int32_t nPort) = 0;
};

}  // namespace TarvoFX
