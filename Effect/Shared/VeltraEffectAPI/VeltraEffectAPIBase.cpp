#include "VeltraEffectAPI/VeltraEffectAPIBase.h"

#include <utility>

#include "VeltraEffectAPI/AudioEffectAudioFlinger.h"
#include "VeltraEffectAPI/FxShimWrapper.h"
#include "logging/TarvoLog.h"

namespace TarvoFX {

// ae12da60-99ac-11df-b456-0002a5d5c51b
const IAudioEffect::EffectUUID VeltraEffectFactory::s_effectUUIDOutput = {
    0xae12da60, 0x99ac, 0x11df, 0xb456, {0x00, 0x02, 0xa5, 0xd5, 0xc5, 0x1b}};
// 03edf45c-d935-4d4a-9ac6-c3fbe414ac41
const IAudioEffect::EffectUUID VeltraEffectFactory::s_effectUUIDInput = {
    0x03edf45c, 0xd935, 0x4d4a, 0x9ac6, {0xc3, 0xfb, 0xe4, 0x14, 0xac, 0x41}};
const int32_t VeltraEffectFactory::s_nInvalidIO = -1;
const char* const VeltraEffectFactory::s_cszVeltra3 = "Veltra3";
const char* const VeltraEffectFactory::s_cszKorimo2 = "Korimo2";
const char* const VeltraEffectFactory::s_cszNimbra3Proxy = "Nimbra3Proxy";

namespace {

constexpr int32_t kCmdEnableAlgorithm = 0x10012;
constexpr int32_t kCmdDisableAlgorithm = 0x10013;
constexpr int32_t kCmdShouldEnableAndroidEffect = 0x10031;

constexpr int32_t kSessionEffectPriority = 10;
constexpr uint32_t kSessionEffectIO = 0;

}  // namespace

// --- Factory -----------------------------------------------------------------

FxShimWrapper* VeltraEffectFactory::GetFxShimWrapper() {
    static FxShimWrapper s_wrapper;
    return &s_wrapper;
}

VeltraEffectAPIBase* VeltraEffectFactory::CreateVeltraEffect(const std::string& effectName,
                                                             int32_t nIO,
                                                             PFN_AUDIOEFFECT_CALLBACK pfnCallback) {
    TARVO_LOGD("CreateVeltraEffect %s %d", effectName.c_str(), nIO);
    FxShimWrapper* pWrapper = GetFxShimWrapper();
    if (nIO < 0) {
        nIO = GetDefaultIO();
    }
    const IAudioEffect::EffectUUID* pUUID = &s_effectUUIDOutput;
    if (effectName == s_cszVeltra3) {
        pUUID = &s_effectUUIDOutput;
    } else if (effectName == s_cszNimbra3Proxy) {
        pUUID = &s_effectUUIDInput;
    } else if (effectName == s_cszKorimo2) {
        pUUID = &s_effectUUIDOutput;
    }
    auto pBuilder = std::make_shared<AudioEffectBuilderAudioFlinger>(pWrapper);
    return new VeltraEffectAPIBase(nIO, std::move(pBuilder), pUUID, pfnCallback);
}

// --- Lifecycle ---------------------------------------------------------------

VeltraEffectAPIBase::VeltraEffectAPIBase(int32_t nID, std::shared_ptr<IAudioEffectBuilder> pBuilder,
                                         const IAudioEffect::EffectUUID* pUUID,
                                         PFN_AUDIOEFFECT_CALLBACK pfnCallback)
    : m_effectUUID(*pUUID),
      m_pAudioEffectBuilder(std::move(pBuilder)),
      m_nIO(nID),
      m_pfnCallback(pfnCallback),
      m_bServersCreated(false) {
    TARVO_LOGD("VeltraEffectAPIBase::VeltraEffectAPIBase nID %d", m_nIO);
}

VeltraEffectAPIBase::~VeltraEffectAPIBase() {
    TARVO_LOG_ENTRY("virtual TarvoFX::VeltraEffectAPIBase::~VeltraEffectAPIBase()");
    m_pVTServer.reset();
    m_pTCPServer.reset();
    m_setAudioSession.clear();
    m_pAudioEffect.reset();
    m_pAudioEffectBuilder.reset();
}

std::shared_ptr<IAudioEffect> VeltraEffectAPIBase::MainEffect() const {
    std::lock_guard<std::mutex> lock(m_stateMutex);
    return m_pAudioEffect;
}

std::set<int32_t> VeltraEffectAPIBase::Sessions() const {
    std::lock_guard<std::mutex> lock(m_stateMutex);
    return m_setAudioSession;
}

bool VeltraEffectAPIBase::Init(int32_t nPriority, int32_t nSessionID) {
    TARVO_LOGD("VeltraEffectAPIBase::Init nPriority %d nSessionID %d", nPriority, nSessionID);
    std::shared_ptr<IAudioEffect> pEffect = CreateAudioEffect(
        &m_effectUUID, nPriority, nSessionID, static_cast<uint32_t>(m_nIO), m_pfnCallback);
    std::shared_ptr<IAudioEffect> pPrevious;
    {
        std::lock_guard<std::mutex> lock(m_stateMutex);
        pPrevious = std::move(m_pAudioEffect);
        m_pAudioEffect = pEffect;
    }
    // The previous main effect (if this was its last holder) goes here,
    // outside the lock.
    pPrevious.reset();
    if (pEffect) {
        return true;
    }
    TARVO_LOGE("Failed create effect nPriority %d nSessionID %d", nPriority, nSessionID);
    return false;
}

std::shared_ptr<IAudioEffect> VeltraEffectAPIBase::CreateAudioEffect(
    const IAudioEffect::EffectUUID* pUUID, int32_t nPriority, int32_t nSessionID, uint32_t nIO,
    PFN_AUDIOEFFECT_CALLBACK pfnCallback) {
    std::shared_ptr<IAudioEffect> pEffect =
        m_pAudioEffectBuilder->Create(pUUID, nPriority, nSessionID, nIO, pfnCallback);
    if (!pEffect) {
        return pEffect;
    }
    if (pEffect->InitCheck()) {
        return pEffect;
    }
    TARVO_LOGE("Deleting effect created on io:%d session:%d", nIO, nSessionID);
    return nullptr;
}

bool VeltraEffectAPIBase::SetAudioSession(int32_t nSessionID, bool bAdd) {
    std::lock_guard<std::mutex> lock(m_stateMutex);
    if (bAdd) {
        TARVO_LOGD("Adding session: %d to m_setAudioSession", nSessionID);
        m_setAudioSession.insert(nSessionID);
    } else {
        TARVO_LOGD("Removing session: %d from m_setAudioSession", nSessionID);
        m_setAudioSession.erase(nSessionID);
    }
    return true;
}

bool VeltraEffectAPIBase::SetEnabled(const std::string& strAlg, bool bEnabled) {
    TARVO_LOGD("VeltraEffectAPIBase::SetEnabled strAlg %s %s", strAlg.c_str(),
               TARVO_BOOL_TEXT(bEnabled));
    const bool bCommandSent = SendCommand(bEnabled ? kCmdEnableAlgorithm : kCmdDisableAlgorithm,
                                          static_cast<uint32_t>(strAlg.size() + 1), strAlg.c_str());
    const bool bShouldEnable = ShouldEnableAndroidEffect(MainEffect());
    TARVO_LOGD("bShouldEnableAndroidEffect %s", TARVO_BOOL_TEXT_LOWER(bShouldEnable));

    bool bResult = false;
    if (bCommandSent) {
        std::shared_ptr<IAudioEffect> pMain = MainEffect();
        bResult = pMain && pMain->SetEnabled(bShouldEnable);
    }

    const std::set<int32_t> sessions = Sessions();
    if (sessions.empty()) {
        TARVO_LOGD(
            "VeltraEffectAPIBase::SetEnabled no session effects registered. No need to "
            "propergate to session effects.");
        return bResult;
    }
    for (auto it = sessions.begin(); bResult && it != sessions.end(); ++it) {
        std::shared_ptr<IAudioEffect> pSessionEffect = CreateAudioEffect(
            &m_effectUUID, kSessionEffectPriority, *it, kSessionEffectIO, m_pfnCallback);
        TARVO_LOGD("VeltraEffectAPIBase::SetEnabled pAudioEffect %p session %d",
                   static_cast<void*>(pSessionEffect.get()), *it);
        bResult =
            pSessionEffect && pSessionEffect->SetEnabled(ShouldEnableAndroidEffect(MainEffect()));
        // The session effect lives only for this step.
    }
    return bResult;
}

bool VeltraEffectAPIBase::ShouldEnableAndroidEffect(
    std::shared_ptr<IAudioEffect> /*pAudioEffect*/) {
    TARVO_LOGD("VeltraEffectAPIBase::ShouldEnableAndroidEffect");
    uint8_t nReply = 0;
    uint32_t nReplySize = sizeof(nReply);
    return SendCommand(kCmdShouldEnableAndroidEffect, 0, nullptr, &nReplySize, &nReply) &&
           nReply != 0;
}

// --- Command forwarding --------------------------------------------------------

bool VeltraEffectAPIBase::SendCommand(int32_t nCmdID) {
    return SendCommand(nCmdID, 0, nullptr, nullptr, nullptr);
}

bool VeltraEffectAPIBase::SendCommand(int32_t nCmdID, uint32_t nSize, const void* pData) {
    return SendCommand(nCmdID, nSize, pData, nullptr, nullptr);
}

bool VeltraEffectAPIBase::SendCommand(int32_t nCmdID, const std::vector<char>& buffer) {
    return SendCommand(nCmdID, static_cast<uint32_t>(buffer.size()),
                       buffer.empty() ? nullptr : buffer.data(), nullptr, nullptr);
}

// Without a main effect (before a successful Init) nothing reaches the platform.
bool VeltraEffectAPIBase::SendCommand(int32_t nCmdID, uint32_t nSize, const void* pData,
                                      uint32_t* pReplySize, void* pReply) {
    std::shared_ptr<IAudioEffect> pEffect = MainEffect();
    if (!pEffect) {
        TARVO_LOGE("VeltraEffectAPIBase::SendCommand nCmdID %d without an effect, call Init first",
                   nCmdID);
        return false;
    }
    return pEffect->Command(nCmdID, nSize, const_cast<void*>(pData), pReplySize, pReply);
}

// --- Operations not available in this build ------------------------------------
// They report failure and never reach the effect.

bool VeltraEffectAPIBase::SetOutputDeviceDetectionEnabled(bool /*bEnabled*/) {
    return false;
}

bool VeltraEffectAPIBase::SetVeltSenseEnabled(bool /*bEnabled*/) {
    return false;
}

bool VeltraEffectAPIBase::ClearParams() {
    return false;
}

bool VeltraEffectAPIBase::ClearParamsArray(uint32_t /*nParametersCount*/,
                                           const unsigned int* /*pParams*/, int32_t /*nOutputMode*/,
                                           int32_t /*nSoundMode*/, uint32_t /*nSubTypes*/,
                                           bool /*bAlsoClearBasePreset*/) {
    return false;
}

bool VeltraEffectAPIBase::SetTagEx(int32_t /*nOutputMode*/, int32_t /*nSoundMode*/,
                                   uint32_t /*nTagDisable*/, uint32_t /*nTagEnable*/) {
    return false;
}

bool VeltraEffectAPIBase::GetTag(int32_t /*nOutputMode*/, int32_t /*nSoundMode*/,
                                 uint32_t& /*nTag*/) {
    return false;
}

bool VeltraEffectAPIBase::SetOutputMode(int32_t /*nOM*/) {
    return false;
}

bool VeltraEffectAPIBase::GetActive(uint16_t& /*nOM*/, uint16_t& /*nSM*/, uint16_t& /*nMT*/,
                                    uint32_t& /*nTag*/) {
    return false;
}

bool VeltraEffectAPIBase::SetLogLevel(const std::string& /*strTagName*/, int32_t /*nLevel*/) {
    return false;
}

bool VeltraEffectAPIBase::LoadPresets(const std::string& /*strMpsFilePath*/,
                                      const std::string& /*strUserMpsFilePath*/) {
    return false;
}

bool VeltraEffectAPIBase::LoadPresetsFromChunk(const char* /*pChunk*/, uint32_t /*nChunkSize*/,
                                               uint32_t /*nChecksum*/, uint32_t /*nChunkType*/,
                                               bool /*bIsBasePreset*/) {
    return false;
}

bool VeltraEffectAPIBase::SaveUserPresetToChunk(char* /*pChunk*/, uint32_t& /*nChunkSize*/,
                                                uint32_t /*nValue*/, uint32_t& /*nOutValue*/,
                                                uint32_t& /*nInOutValue*/) {
    return false;
}

bool VeltraEffectAPIBase::OpenClientPipe(const std::string& /*strFilePath*/) {
    return false;
}

bool VeltraEffectAPIBase::CloseClientPipe() {
    return false;
}

bool VeltraEffectAPIBase::SavePresets(const std::string& /*strFilePath*/) {
    return false;
}

bool VeltraEffectAPIBase::SaveUserPresets(const std::string& /*strFilePath*/) {
    return false;
}

bool VeltraEffectAPIBase::SetRecordingEnable(const std::string& /*strPrefixPath*/) {
    return false;
}

bool VeltraEffectAPIBase::SetRecordingDisable() {
    return false;
}

bool VeltraEffectAPIBase::Preset_SetParamsArrayEx(
    uint32_t /*nParametersCount*/, const unsigned int* /*pParams*/, const double* /*pValues*/,
    int32_t /*nOutputMode*/, int32_t /*nSoundMode*/, uint32_t /*nSubType*/,
    bool /*bAddNonexistingParamsInSubpresetToBasePreset*/) {
    return false;
}

bool VeltraEffectAPIBase::Preset_GetUserParamsArray(uint32_t /*nParametersCount*/,
                                                    const unsigned int* /*pParams*/,
                                                    double* /*pValues*/, int32_t /*nOutputMode*/,
                                                    int32_t /*nSoundMode*/, uint32_t /*nSubType*/,
                                                    bool /*bIsSubTypeCombined*/,
                                                    bool /*bMustFindAll*/) {
    return false;
}

bool VeltraEffectAPIBase::Preset_GetBaseParamsArray(uint32_t /*nParametersCount*/,
                                                    const unsigned int* /*pParams*/,
                                                    double* /*pValues*/, int32_t /*nOutputMode*/,
                                                    int32_t /*nSoundMode*/, uint32_t /*nSubType*/,
                                                    bool /*bIsSubTypeCombined*/,
                                                    bool /*bMustFindAll*/) {
    return false;
}

bool VeltraEffectAPIBase::SetSoundMode(int32_t /*nSoundMode*/) {
    return false;
}

bool VeltraEffectAPIBase::SetSmoothingEnable(bool /*bEnabled*/) {
    return false;
}

bool VeltraEffectAPIBase::SetCustomOutputMode(int32_t /*nFirstOutputMode*/,
                                              int32_t /*nSecondOutputMode*/) {
    return false;
}

bool VeltraEffectAPIBase::SetTcpIpEnable(bool /*bEnable*/, int32_t /*nTcpipPort*/) {
    return false;
}

bool VeltraEffectAPIBase::SetMetersServerEnable(bool /*bEnable*/) {
    return false;
}

bool VeltraEffectAPIBase::GetSupportedOutputModeCount(uint32_t& /*nCount*/) {
    return false;
}

bool VeltraEffectAPIBase::GetSupportedOutputModeNames(uint32_t /*nCount*/,
                                                      std::vector<unsigned int>& /*vecIds*/,
                                                      std::vector<std::string>& /*vecNames*/) {
    return false;
}

bool VeltraEffectAPIBase::GetSupportedTag(int32_t /*nOutputMode*/, int32_t /*nSoundMode*/,
                                          uint32_t& /*nTag*/) {
    return false;
}

bool VeltraEffectAPIBase::CreateAndListenUnixServerSocket(bool /*bIsAbstractSocket*/,
                                                          const std::string& /*strFilePath*/) {
    return false;
}

bool VeltraEffectAPIBase::CloseAndDestroyUnixServerSocket(const std::string& /*strFilePath*/) {
    return false;
}

bool VeltraEffectAPIBase::CalibrateKv() {
    return false;
}

bool VeltraEffectAPIBase::SetSensorFusionEnabled(bool /*bEnabled*/) {
    return false;
}

bool VeltraEffectAPIBase::SetTrackingDataRate(uint16_t /*nRate*/) {
    return false;
}

bool VeltraEffectAPIBase::SetPresetSelectorIndex(int32_t /*nIndex*/) {
    return false;
}

bool VeltraEffectAPIBase::SetForceBypass(int32_t /*nIO*/, int32_t /*nSessionId*/,
                                         const std::string& /*strAlgName*/, int32_t /*nUseCase*/,
                                         bool /*bForceBypass*/) {
    return false;
}

bool VeltraEffectAPIBase::TransactBuffer(uint32_t /*nSize*/, void* /*pBuffer*/) {
    return false;
}

bool VeltraEffectAPIBase::GetDefaultSoundMode(uint32_t /*nCount*/, const uint32_t* /*pFirstValues*/,
                                              const uint32_t* /*pSecondValues*/,
                                              bool* /*pIsDefault*/) {
    return false;
}

bool VeltraEffectAPIBase::GetSupportedSoundModeCount(uint32_t& /*nCount*/) {
    return false;
}

bool VeltraEffectAPIBase::GetSupportedSoundModeValues(uint32_t /*nSoundModeCount*/,
                                                      std::vector<unsigned int>& /*vecValues*/) {
    return false;
}

bool VeltraEffectAPIBase::GetSessionData() {
    return false;
}

bool VeltraEffectAPIBase::SetConfigByChunk(const char* /*pChunk*/, uint32_t /*nChunkSize*/,
                                           uint32_t /*nChecksum*/, uint32_t /*nChunkType*/) {
    return false;
}

bool VeltraEffectAPIBase::ClearConfig() {
    return false;
}

bool VeltraEffectAPIBase::SetLogOutput(const std::string& /*strOutputName*/, bool /*bEnable*/) {
    return false;
}

bool VeltraEffectAPIBase::SetSystemVolume(double /*dVolume*/) {
    return false;
}

bool VeltraEffectAPIBase::Dump() {
    return false;
}

bool VeltraEffectAPIBase::OnVTServerParameterSet(uint32_t /*nParam*/, double /*dValue*/) {
    return false;
}

bool VeltraEffectAPIBase::OnVTServerParameterArraySet(
    const std::vector<unsigned int>& /*vecParams*/, const std::vector<double>& /*vecValues*/) {
    return false;
}

bool VeltraEffectAPIBase::OnVTServerParameterGet(uint32_t /*nParam*/, double& /*dValue*/) {
    return false;
}

bool VeltraEffectAPIBase::OnVTServerParameterArrayGet(std::vector<unsigned int>& /*vecParams*/,
                                                      std::vector<double>& /*vecValues*/,
                                                      std::vector<bool>& /*vecFound*/) {
    return false;
}

bool VeltraEffectAPIBase::VTServerParameterArrayGet(std::vector<unsigned int>& /*vecParams*/,
                                                    std::vector<double>& /*vecValues*/,
                                                    std::vector<bool>& /*vecFound*/) {
    return false;
}

bool VeltraEffectAPIBase::OnVTServerCustomOutputModeSet(uint16_t /*nFirstOutputMode*/,
                                                        uint16_t /*nSecondOutputMode*/) {
    return false;
}

bool VeltraEffectAPIBase::OnVTServerLogLevelSet(const char* /*szLogTagName*/, int32_t /*nLevel*/) {
    return false;
}

bool VeltraEffectAPIBase::OnVTServerLogOutputSet(const char* /*szLogOutputName*/,
                                                 bool /*bEnable*/) {
    return false;
}

bool VeltraEffectAPIBase::OnVTServerMetersEnabled(bool /*bEnabled*/) {
    return false;
}

bool VeltraEffectAPIBase::OnVTServerCalibrateKv() {
    return false;
}

bool VeltraEffectAPIBase::OnVTServerOutputModeSet(uint16_t /*nOutputMode*/) {
    return false;
}

bool VeltraEffectAPIBase::OnVTServerRecordingEnabled(const char* /*szRecordingPath*/) {
    return false;
}

bool VeltraEffectAPIBase::OnVTServerRecordingDisabled() {
    return false;
}

bool VeltraEffectAPIBase::OnVTServerSoundModeSet(int16_t /*nSoundMode*/) {
    return false;
}

bool VeltraEffectAPIBase::OnVTServerSystemVolumeSet(double /*dVolume*/) {
    return false;
}

bool VeltraEffectAPIBase::OnVTServerTagExSet(uint32_t /*nOutputMode*/, uint32_t /*nSoundMode*/,
                                             int16_t /*nTagDisable*/, int16_t /*nTagEnable*/) {
    return false;
}

bool VeltraEffectAPIBase::OnVTServerMpsFileSet(const char* /*szPath*/) {
    return false;
}

bool VeltraEffectAPIBase::OnVTServerDump() {
    return false;
}

bool VeltraEffectAPIBase::Preset_GetParamsArray(uint32_t /*nParametersCount*/,
                                                const unsigned int* /*pParams*/,
                                                double* /*pValues*/, int32_t /*nOutputMode*/,
                                                int32_t /*nSoundMode*/, uint32_t /*nSubType*/,
                                                bool /*bIsSubTypeCombined*/, bool /*bMustFindAll*/,
                                                bool /*includeUserPreset*/) {
    return false;
}

void VeltraEffectAPIBase::CreateTuningServers(int32_t /*nPort*/) {}

}  // namespace TarvoFX
