// The exported factory and the effect-control object it makes. An
// application creates the object here, Inits it on an audio session and then
// uses it through IVeltraEffectAPI (IVeltraEffectAPI.h documents every
// operation); it deletes it through the virtual destructor.
#pragma once

#include <stdint.h>

#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "VeltraEffectAPI/IAudioEffect.h"
#include "VeltraEffectAPI/IVeltraEffectAPI.h"
#include "VeltraEffectAPI/VTServerListeners.h"
#include "VeltraExport.h"

namespace TarvoFX {

class CTCPServer;
class VTServer;
class FxShimWrapper;
class VeltraEffectAPIBase;

class VeltraEffectFactory {
public:
    // The effect implementations: playback (ae12da60-99ac-11df-b456-0002a5d5c51b)
    // and capture (03edf45c-d935-4d4a-9ac6-c3fbe414ac41).
    VELTRA_EXPORT static const IAudioEffect::EffectUUID s_effectUUIDOutput;
    VELTRA_EXPORT static const IAudioEffect::EffectUUID s_effectUUIDInput;
    // -1: asks CreateVeltraEffect for the platform's default io handle.
    VELTRA_EXPORT static const int32_t s_nInvalidIO;
    // The effect type names: "Veltra3" and "Korimo2" (playback),
    // "Nimbra3Proxy" (capture).
    VELTRA_EXPORT static const char* const s_cszVeltra3;
    VELTRA_EXPORT static const char* const s_cszKorimo2;
    VELTRA_EXPORT static const char* const s_cszNimbra3Proxy;

    // A new effect object, owned by the caller; never null, and no effect
    // instance exists before its Init. "Nimbra3Proxy" selects the capture
    // effect, every other name (unknown and empty ones too) the playback
    // effect. A negative io handle is replaced by the platform's default: 2
    // below SDK level 24 or when the level cannot be read, else 13. The first
    // call loads the shim (GetFxShimWrapper); sends nothing.
    VELTRA_EXPORT static VeltraEffectAPIBase* CreateVeltraEffect(
        const std::string& effectName, int32_t nIO, PFN_AUDIOEFFECT_CALLBACK pfnCallback);
    // The process-wide shim loader, created (and the shim chosen by the SDK
    // level property loaded) on first use; never null, whether or not the
    // shim could be loaded. Its type is the library's own.
    VELTRA_EXPORT static FxShimWrapper* GetFxShimWrapper();
};

// The effect object: IVeltraEffectAPI, and the listener interfaces through
// which its tuning server reaches it (VTServerListeners.h). Its data and the
// order of its virtual operations are part of the binary interface.
class VeltraEffectAPIBase : public IVeltraEffectAPI,
                            public IVTServerParameterSetListener,
                            public IVTServerParameterArraySetListener,
                            public IVTServerParameterGetListener,
                            public IVTServerParameterArrayGetListener,
                            public IVTServerCustomOutputModeSetListener,
                            public IVTServerLogLevelSetListener,
                            public IVTServerLogOutputSetListener,
                            public IVTServerMetersListener,
                            public IVTServerCalibrateKvListener,
                            public IVTServerOutputModeSetListener,
                            public IVTServerRecordingListener,
                            public IVTServerSoundModeSetListener,
                            public IVTServerSystemVolumeSetListener,
                            public IVTServerMpsFileSetListener,
                            public IVTServerTagExSetListener,
                            public IVTServerDumpListener {
public:
    VeltraEffectAPIBase(int32_t nID, std::shared_ptr<IAudioEffectBuilder> pBuilder,
                        const IAudioEffect::EffectUUID* pUUID,
                        PFN_AUDIOEFFECT_CALLBACK pfnCallback);

    bool Init(int32_t nPriority, int32_t nSessionID) override;
    bool SetEnabled(const std::string& strAlg, bool bEnabled) override;
    bool SetOutputDeviceDetectionEnabled(bool bEnabled) override;
    bool SetVeltSenseEnabled(bool bEnabled) override;
    bool ClearParams() override;
    bool ClearParamsArray(uint32_t nParametersCount, const unsigned int* pParams,
                          int32_t nOutputMode, int32_t nSoundMode, uint32_t nSubTypes,
                          bool bAlsoClearBasePreset) override;
    bool SetTagEx(int32_t nOutputMode, int32_t nSoundMode, uint32_t nTagDisable,
                  uint32_t nTagEnable) override;
    bool GetTag(int32_t nOutputMode, int32_t nSoundMode, uint32_t& nTag) override;
    bool SetOutputMode(int32_t nOM) override;
    bool GetActive(uint16_t& nOM, uint16_t& nSM, uint16_t& nMT, uint32_t& nTag) override;
    bool SetLogLevel(const std::string& strTagName, int32_t nLevel) override;
    bool LoadPresets(const std::string& strMpsFilePath,
                     const std::string& strUserMpsFilePath) override;
    bool LoadPresetsFromChunk(const char* pChunk, uint32_t nChunkSize, uint32_t nChecksum,
                              uint32_t nChunkType, bool bIsBasePreset) override;
    bool SaveUserPresetToChunk(char* pChunk, uint32_t& nChunkSize, uint32_t nValue,
                               uint32_t& nOutValue, uint32_t& nInOutValue) override;
    bool OpenClientPipe(const std::string& strFilePath) override;
    bool CloseClientPipe() override;
    bool SavePresets(const std::string& strFilePath) override;
    bool SaveUserPresets(const std::string& strFilePath) override;
    bool SetRecordingEnable(const std::string& strPrefixPath) override;
    bool SetRecordingDisable() override;
    bool Preset_SetParamsArrayEx(uint32_t nParametersCount, const unsigned int* pParams,
                                 const double* pValues, int32_t nOutputMode, int32_t nSoundMode,
                                 uint32_t nSubType,
                                 bool bAddNonexistingParamsInSubpresetToBasePreset) override;
    bool Preset_GetUserParamsArray(uint32_t nParametersCount, const unsigned int* pParams,
                                   double* pValues, int32_t nOutputMode, int32_t nSoundMode,
                                   uint32_t nSubType, bool bIsSubTypeCombined,
                                   bool bMustFindAll) override;
    bool Preset_GetBaseParamsArray(uint32_t nParametersCount, const unsigned int* pParams,
                                   double* pValues, int32_t nOutputMode, int32_t nSoundMode,
                                   uint32_t nSubType, bool bIsSubTypeCombined,
                                   bool bMustFindAll) override;
    bool SetSoundMode(int32_t nSoundMode) override;
    bool SetSmoothingEnable(bool bEnabled) override;
    bool SetCustomOutputMode(int32_t nFirstOutputMode, int32_t nSecondOutputMode) override;
    bool SetTcpIpEnable(bool bEnable, int32_t nTcpipPort) override;
    bool SetMetersServerEnable(bool bEnable) override;
    bool GetSupportedOutputModeCount(uint32_t& nCount) override;
    bool GetSupportedOutputModeNames(uint32_t nCount, std::vector<unsigned int>& vecIds,
                                     std::vector<std::string>& vecNames) override;
    bool GetSupportedTag(int32_t nOutputMode, int32_t nSoundMode, uint32_t& nTag) override;
    bool CreateAndListenUnixServerSocket(bool bIsAbstractSocket,
                                         const std::string& strFilePath) override;
    bool CloseAndDestroyUnixServerSocket(const std::string& strFilePath) override;
    bool CalibrateKv() override;
    bool SetSensorFusionEnabled(bool bEnabled) override;
    bool SetTrackingDataRate(uint16_t nRate) override;
    bool SetPresetSelectorIndex(int32_t nIndex) override;
    bool SetForceBypass(int32_t nIO, int32_t nSessionId, const std::string& strAlgName,
                        int32_t nUseCase, bool bForceBypass) override;
    bool TransactBuffer(uint32_t nSize, void* pBuffer) override;
    bool GetDefaultSoundMode(uint32_t nCount, const uint32_t* pFirstValues,
                             const uint32_t* pSecondValues, bool* pIsDefault) override;
    bool GetSupportedSoundModeCount(uint32_t& nCount) override;
    bool GetSupportedSoundModeValues(uint32_t nSoundModeCount,
                                     std::vector<unsigned int>& vecValues) override;
    bool SetAudioSession(int32_t nSessionID, bool bAdd) override;
    bool GetSessionData() override;
    bool SetConfigByChunk(const char* pChunk, uint32_t nChunkSize, uint32_t nChecksum,
                          uint32_t nChunkType) override;
    bool ClearConfig() override;
    ~VeltraEffectAPIBase() override;
    bool SetLogOutput(const std::string& strOutputName, bool bEnable) override;
    bool SetSystemVolume(double dVolume) override;
    bool Dump() override;
    bool OnVTServerParameterSet(uint32_t nParam, double dValue) override;
    bool OnVTServerParameterArraySet(const std::vector<unsigned int>& vecParams,
                                     const std::vector<double>& vecValues) override;
    bool OnVTServerParameterGet(uint32_t nParam, double& dValue) override;
    bool OnVTServerParameterArrayGet(std::vector<unsigned int>& vecParams,
                                     std::vector<double>& vecValues,
                                     std::vector<bool>& vecFound) override;
    bool VTServerParameterArrayGet(std::vector<unsigned int>& vecParams,
                                   std::vector<double>& vecValues,
                                   std::vector<bool>& vecFound) override;
    bool OnVTServerCustomOutputModeSet(uint16_t nFirstOutputMode,
                                       uint16_t nSecondOutputMode) override;
    bool OnVTServerLogLevelSet(const char* szLogTagName, int32_t nLevel) override;
    bool OnVTServerLogOutputSet(const char* szLogOutputName, bool bEnable) override;
    bool OnVTServerMetersEnabled(bool bEnabled) override;
    bool OnVTServerCalibrateKv() override;
    bool OnVTServerOutputModeSet(uint16_t nOutputMode) override;
    bool OnVTServerRecordingEnabled(const char* szRecordingPath) override;
    bool OnVTServerRecordingDisabled() override;
    bool OnVTServerSoundModeSet(int16_t nSoundMode) override;
    bool OnVTServerSystemVolumeSet(double dVolume) override;
    bool OnVTServerTagExSet(uint32_t nOutputMode, uint32_t nSoundMode, int16_t nTagDisable,
                            int16_t nTagEnable) override;
    bool OnVTServerMpsFileSet(const char* szPath) override;
    bool OnVTServerDump() override;
    std::shared_ptr<IAudioEffect> CreateAudioEffect(const IAudioEffect::EffectUUID* pUUID,
                                                    int32_t nPriority, int32_t nSessionID,
                                                    uint32_t nIO,
                                                    PFN_AUDIOEFFECT_CALLBACK pfnCallback) override;
    bool ShouldEnableAndroidEffect(std::shared_ptr<IAudioEffect> pAudioEffect) override;
    bool SendCommand(int32_t nCmdID) override;
    bool SendCommand(int32_t nCmdID, uint32_t nSize, const void* pData) override;
    bool SendCommand(int32_t nCmdID, const std::vector<char>& buffer) override;
    bool SendCommand(int32_t nCmdID, uint32_t nSize, const void* pData, uint32_t* pReplySize,
                     void* pReply) override;
    bool Preset_GetParamsArray(uint32_t nParametersCount, const unsigned int* pParams,
                               double* pValues, int32_t nOutputMode, int32_t nSoundMode,
                               uint32_t nSubType, bool bIsSubTypeCombined, bool bMustFindAll,
                               bool includeUserPreset) override;
    void CreateTuningServers(int32_t nPort) override;

private:
    VeltraEffectAPIBase(const VeltraEffectAPIBase&) = delete;
    VeltraEffectAPIBase& operator=(const VeltraEffectAPIBase&) = delete;

    // The main effect, read under m_stateMutex so that Init on one thread
    // may replace it while another thread sends a command.
    std::shared_ptr<IAudioEffect> MainEffect() const;
    std::set<int32_t> Sessions() const;

    IAudioEffect::EffectUUID m_effectUUID;
    std::shared_ptr<IAudioEffectBuilder> m_pAudioEffectBuilder;
    std::shared_ptr<IAudioEffect> m_pAudioEffect;
    std::set<int32_t> m_setAudioSession;
    int32_t m_nIO;
    PFN_AUDIOEFFECT_CALLBACK m_pfnCallback;
    std::shared_ptr<CTCPServer> m_pTCPServer;
    std::shared_ptr<VTServer> m_pVTServer;
    bool m_bServersCreated;
    // Guards m_pAudioEffect and m_setAudioSession; never held across a command.
    mutable std::mutex m_stateMutex;
};

}  // namespace TarvoFX
