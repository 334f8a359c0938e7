#include "VeltraEffectAPI/VeltraEffectAPIBase.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "NetworkManager/CCommandsParser.h"
#include "NetworkManager/CTCPServer.h"
#include "NetworkManager/CommandExecute/VTServerExecutors.h"
#include "NetworkManager/VTServer.h"
#include "Utils/LastingStatic.h"
#include "VTCommands/CVTCommandCloseDestroyUnixServerSocket.h"
#include "VTCommands/CVTCommandCreateListenUnixServerSocket.h"
#include "VTCommands/CVTCommandIsDefaultSoundMode.h"
#include "VTCommands/CVTCommandMultipleString.h"
#include "VTCommands/CVTCommandPresetSetParametersArray.h"
#include "VTCommands/CVTCommandSetConfigByChunk.h"
#include "VTCommands/CVTCommandSetLogLevel.h"
#include "VTCommands/CVTCommandSetLogOutput.h"
#include "VTCommands/CVTCommandSetSystemVolume.h"
#include "VTCommands/CVTReplyGetSupportedOutputModeName.h"
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

constexpr int32_t kCmdLoadPresets = 0x10000;
constexpr int32_t kCmdSetTagEx = 0x10001;
constexpr int32_t kCmdSetLogLevel = 0x10002;
constexpr int32_t kCmdSetSoundMode = 0x10003;
constexpr int32_t kCmdGetActive = 0x10004;
constexpr int32_t kCmdSavePresets = 0x10005;
constexpr int32_t kCmdSetRecordingEnable = 0x10007;
constexpr int32_t kCmdSetOutputMode = 0x10008;
constexpr int32_t kCmdClearParams = 0x10009;
constexpr int32_t kCmdSetParamsArray = 0x1000F;
constexpr int32_t kCmdGetParamsArray = 0x10010;
constexpr int32_t kCmdEnableAlgorithm = 0x10012;
constexpr int32_t kCmdDisableAlgorithm = 0x10013;
constexpr int32_t kCmdClearParamsArray = 0x10015;
constexpr int32_t kCmdSetSmoothing = 0x10016;
constexpr int32_t kCmdOpenClientPipe = 0x10017;
constexpr int32_t kCmdCloseClientPipe = 0x10018;
constexpr int32_t kCmdOutputDeviceDetectionOn = 0x10019;
constexpr int32_t kCmdOutputDeviceDetectionOff = 0x1001A;
constexpr int32_t kCmdSetRecordingDisable = 0x1001B;
constexpr int32_t kCmdSetCustomOutputMode = 0x1001C;
constexpr int32_t kCmdVeltSenseOn = 0x1001D;
constexpr int32_t kCmdVeltSenseOff = 0x1001E;
constexpr int32_t kCmdGetTag = 0x10021;
constexpr int32_t kCmdGetSupportedOutputModeCount = 0x10022;
constexpr int32_t kCmdGetSupportedOutputModeNames = 0x10023;
constexpr int32_t kCmdGetSupportedTag = 0x10024;
constexpr int32_t kCmdGetBaseParamsArray = 0x10025;
constexpr int32_t kCmdCreateUnixServerSocket = 0x10026;
constexpr int32_t kCmdCloseUnixServerSocket = 0x10027;
constexpr int32_t kCmdGetSessionData = 0x10028;
constexpr int32_t kCmdCalibrateKv = 0x10029;
constexpr int32_t kCmdSetTrackingDataRate = 0x1002A;
constexpr int32_t kCmdSetForceBypass = 0x1002B;
constexpr int32_t kCmdSaveUserPresets = 0x1002C;
constexpr int32_t kCmdSetSensorFusion = 0x1002D;
constexpr int32_t kCmdLoadPresetsFromChunk = 0x1002E;
constexpr int32_t kCmdSaveUserPresetToChunk = 0x1002F;
constexpr int32_t kCmdTransactBuffer = 0x10030;
constexpr int32_t kCmdShouldEnableAndroidEffect = 0x10031;
constexpr int32_t kCmdGetDefaultSoundMode = 0x10032;
constexpr int32_t kCmdGetSupportedSoundModeCount = 0x10033;
constexpr int32_t kCmdGetSupportedSoundModeValues = 0x10034;
constexpr int32_t kCmdSetMetersServer = 0x10035;
constexpr int32_t kCmdSetConfigByChunk = 0x10036;
constexpr int32_t kCmdClearConfig = 0x10037;
constexpr int32_t kCmdSetPresetSelectorIndex = 0x10038;
constexpr int32_t kCmdSetLogOutput = 0x10039;
constexpr int32_t kCmdSetSystemVolume = 0x1003A;
constexpr int32_t kCmdDump = 0x1003B;
constexpr int32_t kCmdGetParamsArrayAllModes = 0x1003C;

constexpr int32_t kSessionEffectPriority = 10;
constexpr uint32_t kSessionEffectIO = 0;

// A raw request: a zero-filled block with little-endian fields at fixed offsets.
class RawRequest {
public:
    explicit RawRequest(size_t nSize) : m_bytes(nSize, 0) {}
    void PutU8(size_t nOffset, uint8_t nValue) { m_bytes[nOffset] = static_cast<char>(nValue); }
    void PutU16(size_t nOffset, uint16_t nValue) {
        for (size_t i = 0; i < 2; ++i) {
            m_bytes[nOffset + i] = static_cast<char>((nValue >> (8 * i)) & 0xFF);
        }
    }
    void PutU32(size_t nOffset, uint32_t nValue) {
        for (size_t i = 0; i < 4; ++i) {
            m_bytes[nOffset + i] = static_cast<char>((nValue >> (8 * i)) & 0xFF);
        }
    }
    void PutBytes(size_t nOffset, const void* pData, size_t nSize) {
        if (nSize > 0) {
            std::memcpy(m_bytes.data() + nOffset, pData, nSize);
        }
    }
    const std::vector<char>& Bytes() const { return m_bytes; }
    const char* Data() const { return m_bytes.data(); }
    uint32_t Size() const { return static_cast<uint32_t>(m_bytes.size()); }

private:
    std::vector<char> m_bytes;
};

uint16_t ReadU16(const uint8_t* pBytes, size_t nOffset) {
    return static_cast<uint16_t>(pBytes[nOffset] | (pBytes[nOffset + 1] << 8));
}

uint32_t ReadU32(const uint8_t* pBytes, size_t nOffset) {
    return static_cast<uint32_t>(pBytes[nOffset]) |
           (static_cast<uint32_t>(pBytes[nOffset + 1]) << 8) |
           (static_cast<uint32_t>(pBytes[nOffset + 2]) << 16) |
           (static_cast<uint32_t>(pBytes[nOffset + 3]) << 24);
}

// Whether a request or reply of nHeader + nPerItem * nCount bytes can be
// described by the effect interface's 32-bit byte counts.
bool FitsCommand(uint32_t nCount, uint32_t nHeader, uint32_t nPerItem) {
    return nCount <= (UINT32_MAX - nHeader) / nPerItem;
}

}  // namespace

// --- Factory -----------------------------------------------------------------

// Closed, not destroyed, at exit: an effect object the application keeps in
// a global is destroyed later and still releases its effects through it.
FxShimWrapper* VeltraEffectFactory::GetFxShimWrapper() {
    return &LastingStatic<FxShimWrapper>::Instance();
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

// --- Effect control operations ----------------------------------------------------

bool VeltraEffectAPIBase::SetOutputDeviceDetectionEnabled(bool bEnabled) {
    TARVO_LOGD("VeltraEffectAPIBase::SetOutputDeviceDetectionEnabled bEnabled %s",
               TARVO_BOOL_TEXT(bEnabled));
    return SendCommand(bEnabled ? kCmdOutputDeviceDetectionOn : kCmdOutputDeviceDetectionOff);
}

bool VeltraEffectAPIBase::SetVeltSenseEnabled(bool bEnabled) {
    TARVO_LOGD("VeltraEffectAPIBase::SetVeltSenseEnabled bEnabled %s", TARVO_BOOL_TEXT(bEnabled));
    return SendCommand(bEnabled ? kCmdVeltSenseOn : kCmdVeltSenseOff);
}

bool VeltraEffectAPIBase::SetTagEx(int32_t nOutputMode, int32_t nSoundMode, uint32_t nTagDisable,
                                   uint32_t nTagEnable) {
    TARVO_LOGD("VeltraEffectAPIBase::SetTagEx tag disable 0x%08x tag enable 0x%08x om %d sm %d",
               nTagDisable, nTagEnable, nOutputMode, nSoundMode);
    RawRequest request(12);
    request.PutU32(0, static_cast<uint32_t>(nOutputMode));
    request.PutU32(4, static_cast<uint32_t>(nSoundMode));
    request.PutU16(8, static_cast<uint16_t>(nTagDisable));
    request.PutU16(10, static_cast<uint16_t>(nTagEnable));
    return SendCommand(kCmdSetTagEx, request.Bytes());
}

bool VeltraEffectAPIBase::GetTag(int32_t nOutputMode, int32_t nSoundMode, uint32_t& nTag) {
    TARVO_LOGD("VeltraEffectAPIBase::GetTag om %d sm %d", nOutputMode, nSoundMode);
    return QueryTagMask(kCmdGetTag, nOutputMode, nSoundMode, nTag);
}

bool VeltraEffectAPIBase::GetSupportedTag(int32_t nOutputMode, int32_t nSoundMode, uint32_t& nTag) {
    TARVO_LOGD("VeltraEffectAPIBase::GetSupportedTag om %d sm %d", nOutputMode, nSoundMode);
    return QueryTagMask(kCmdGetSupportedTag, nOutputMode, nSoundMode, nTag);
}

// A 4-byte (u16 om, u16 sm) request answered by a u32 tag mask.
bool VeltraEffectAPIBase::QueryTagMask(int32_t nCmdID, int32_t nOutputMode, int32_t nSoundMode,
                                       uint32_t& nTag) {
    RawRequest request(4);
    request.PutU16(0, static_cast<uint16_t>(nOutputMode));
    request.PutU16(2, static_cast<uint16_t>(nSoundMode));
    uint8_t aReply[4] = {};
    uint32_t nReplySize = sizeof(aReply);
    if (!SendCommand(nCmdID, request.Size(), request.Data(), &nReplySize, aReply)) {
        return false;
    }
    nTag = ReadU32(aReply, 0);
    return true;
}

bool VeltraEffectAPIBase::SetOutputMode(int32_t nOM) {
    TARVO_LOGD("VeltraEffectAPIBase::SetOutputMode nOM) %d", nOM);
    return SendU16(kCmdSetOutputMode, static_cast<uint16_t>(nOM));
}

bool VeltraEffectAPIBase::GetActive(uint16_t& nOM, uint16_t& nSM, uint16_t& nMT, uint32_t& nTag) {
    TARVO_LOG_ENTRY(
        "virtual bool TarvoFX::VeltraEffectAPIBase::GetActive(uint16_t &, uint16_t &, uint16_t "
        "&, uint32_t &)");
    uint8_t aReply[12] = {};
    uint32_t nReplySize = sizeof(aReply);
    if (!SendCommand(kCmdGetActive, 0, nullptr, &nReplySize, aReply)) {
        return false;
    }
    nTag = ReadU32(aReply, 0);
    nOM = ReadU16(aReply, 4);
    nSM = ReadU16(aReply, 6);
    nMT = ReadU16(aReply, 8);
    TARVO_LOGD("GetActive om %d sm %d mt %d tag 0x%08x", nOM, nSM, nMT, nTag);
    return true;
}

bool VeltraEffectAPIBase::OpenClientPipe(const std::string& strFilePath) {
    TARVO_LOGD("VeltraEffectAPIBase::OpenClientPipe strFilePath %s", strFilePath.c_str());
    return SendText(kCmdOpenClientPipe, strFilePath);
}

bool VeltraEffectAPIBase::CloseClientPipe() {
    TARVO_LOG_ENTRY("virtual bool TarvoFX::VeltraEffectAPIBase::CloseClientPipe()");
    return SendCommand(kCmdCloseClientPipe);
}

bool VeltraEffectAPIBase::SetRecordingEnable(const std::string& strPrefixPath) {
    TARVO_LOGD("VeltraEffectAPIBase::SetRecordingEnable strPrefixPath %s", strPrefixPath.c_str());
    return SendText(kCmdSetRecordingEnable, strPrefixPath);
}

bool VeltraEffectAPIBase::SetRecordingDisable() {
    TARVO_LOG_ENTRY("virtual bool TarvoFX::VeltraEffectAPIBase::SetRecordingDisable()");
    return SendCommand(kCmdSetRecordingDisable);
}

bool VeltraEffectAPIBase::SetSoundMode(int32_t nSoundMode) {
    TARVO_LOGD("VeltraEffectAPIBase::SetSoundMode nSoundMode %d", nSoundMode);
    return SendU16(kCmdSetSoundMode, static_cast<uint16_t>(nSoundMode));
}

bool VeltraEffectAPIBase::SetSmoothingEnable(bool bEnabled) {
    TARVO_LOGD("VeltraEffectAPIBase::SetSmoothingEnable %s", TARVO_BOOL_TEXT(bEnabled));
    return SendU16(kCmdSetSmoothing, bEnabled ? 1 : 0);
}

bool VeltraEffectAPIBase::SetCustomOutputMode(int32_t nFirstOutputMode, int32_t nSecondOutputMode) {
    TARVO_LOGD("VeltraEffectAPIBase::SetCustomOutputMode %d->%d", nFirstOutputMode,
               nSecondOutputMode);
    RawRequest request(4);
    request.PutU16(0, static_cast<uint16_t>(nFirstOutputMode));
    request.PutU16(2, static_cast<uint16_t>(nSecondOutputMode));
    return SendCommand(kCmdSetCustomOutputMode, request.Bytes());
}

bool VeltraEffectAPIBase::GetSupportedOutputModeCount(uint32_t& nCount) {
    TARVO_LOG_ENTRY(
        "virtual bool TarvoFX::VeltraEffectAPIBase::GetSupportedOutputModeCount(uint32_t &)");
    uint8_t aReply[4] = {};
    uint32_t nReplySize = sizeof(aReply);
    if (!SendCommand(kCmdGetSupportedOutputModeCount, 0, nullptr, &nReplySize, aReply)) {
        return false;
    }
    nCount = ReadU32(aReply, 0);
    TARVO_LOGD("VeltraEffectAPIBase::GetSupportedOutputModeCount is %d", nCount);
    return true;
}

bool VeltraEffectAPIBase::CalibrateKv() {
    TARVO_LOG_ENTRY("virtual bool TarvoFX::VeltraEffectAPIBase::CalibrateKv()");
    return SendCommand(kCmdCalibrateKv);
}

bool VeltraEffectAPIBase::SetSensorFusionEnabled(bool bEnabled) {
    TARVO_LOGD("VeltraEffectAPIBase::SetSensorFusionEnabled %s", TARVO_BOOL_TEXT(bEnabled));
    const uint8_t nValue = bEnabled ? 1 : 0;
    return SendCommand(kCmdSetSensorFusion, sizeof(nValue), &nValue);
}

bool VeltraEffectAPIBase::SetTrackingDataRate(uint16_t nRate) {
    TARVO_LOGD("VeltraEffectAPIBase::SetTrackingDataRate %d", nRate);
    return SendU16(kCmdSetTrackingDataRate, nRate);
}

bool VeltraEffectAPIBase::SetForceBypass(int32_t nIO, int32_t nSessionId,
                                         const std::string& strAlgName, int32_t nUseCase,
                                         bool bForceBypass) {
    TARVO_LOGD(
        "VeltraEffectAPIBase::SetForceBypass nIO %d nSessionId %d strAlgName %s nUseCase %d "
        "bForceBypass %s",
        nIO, nSessionId, strAlgName.c_str(), nUseCase, TARVO_BOOL_TEXT(bForceBypass));
    constexpr size_t kNameField = 128;
    if (strAlgName.size() > kNameField - 1) {
        return false;
    }
    RawRequest request(144);
    request.PutU32(0, static_cast<uint32_t>(nIO));
    request.PutU32(4, static_cast<uint32_t>(nSessionId));
    request.PutBytes(8, strAlgName.data(), strAlgName.size());
    request.PutU32(136, static_cast<uint32_t>(nUseCase));
    request.PutU32(140, bForceBypass ? 1 : 0);
    return SendCommand(kCmdSetForceBypass, request.Bytes());
}

bool VeltraEffectAPIBase::TransactBuffer(uint32_t nSize, void* pBuffer) {
    uint32_t nReplySize = nSize;
    return SendCommand(kCmdTransactBuffer, nSize, pBuffer, &nReplySize, pBuffer);
}

bool VeltraEffectAPIBase::GetSupportedSoundModeCount(uint32_t& nCount) {
    TARVO_LOG_ENTRY(
        "virtual bool TarvoFX::VeltraEffectAPIBase::GetSupportedSoundModeCount(uint32_t &)");
    uint32_t nReplySize = sizeof(nCount);
    return SendCommand(kCmdGetSupportedSoundModeCount, 0, nullptr, &nReplySize, &nCount);
}

bool VeltraEffectAPIBase::GetSupportedSoundModeValues(uint32_t nSoundModeCount,
                                                      std::vector<unsigned int>& vecValues) {
    TARVO_LOGD("VeltraEffectAPIBase::GetSupportedSoundModeValues nSoundModeCount %d",
               nSoundModeCount);
    if (!FitsCommand(nSoundModeCount, 4, 4)) {
        return false;
    }
    vecValues.resize(nSoundModeCount);
    RawRequest request(4);
    request.PutU32(0, nSoundModeCount);
    uint32_t nReplySize = 4 * nSoundModeCount;
    return SendCommand(kCmdGetSupportedSoundModeValues, request.Size(), request.Data(), &nReplySize,
                       vecValues.data());
}

bool VeltraEffectAPIBase::GetSessionData() {
    TARVO_LOG_ENTRY("virtual bool TarvoFX::VeltraEffectAPIBase::GetSessionData()");
    return SendCommand(kCmdGetSessionData);
}

bool VeltraEffectAPIBase::Dump() {
    TARVO_LOG_ENTRY("virtual bool TarvoFX::VeltraEffectAPIBase::Dump()");
    return SendCommand(kCmdDump);
}

// --- Preset, parameter and configuration operations ----------------------------------

bool VeltraEffectAPIBase::ClearParams() {
    TARVO_LOG_ENTRY("virtual bool TarvoFX::VeltraEffectAPIBase::ClearParams()");
    return SendCommand(kCmdClearParams);
}

bool VeltraEffectAPIBase::ClearParamsArray(uint32_t nParametersCount, const unsigned int* pParams,
                                           int32_t nOutputMode, int32_t nSoundMode,
                                           uint32_t nSubTypes, bool bAlsoClearBasePreset) {
    TARVO_LOGD(
        "VeltraEffectAPIBase::ClearParamsArray nParametersCount %d nOutputMode %d nSoundMode %d "
        "nSubTypes 0x%08x bAlsoClearBasePreset %s",
        nParametersCount, nOutputMode, nSoundMode, nSubTypes,
        TARVO_BOOL_TEXT(bAlsoClearBasePreset));
    if (!FitsCommand(nParametersCount, 16, 4) || (nParametersCount > 0 && pParams == nullptr)) {
        return false;
    }
    RawRequest request(16 + 4 * static_cast<size_t>(nParametersCount));
    request.PutU32(0, nParametersCount);
    request.PutU16(4, static_cast<uint16_t>(nOutputMode));
    request.PutU16(6, static_cast<uint16_t>(nSoundMode));
    request.PutU32(8, nSubTypes);
    request.PutU8(12, bAlsoClearBasePreset ? 1 : 0);
    request.PutBytes(16, pParams, 4 * static_cast<size_t>(nParametersCount));
    return SendCommand(kCmdClearParamsArray, request.Bytes());
}

bool VeltraEffectAPIBase::LoadPresetsFromChunk(const char* pChunk, uint32_t nChunkSize,
                                               uint32_t nChecksum, uint32_t nChunkType,
                                               bool bIsBasePreset) {
    TARVO_LOGD(
        "VeltraEffectAPIBase::LoadPresetsFromChunk pChunk %p nChunkSize %d nChecksum %d "
        "nChunkType %d bIsBasePreset %s",
        static_cast<const void*>(pChunk), nChunkSize, nChecksum, nChunkType,
        TARVO_BOOL_TEXT(bIsBasePreset));
    if (!FitsCommand(nChunkSize, 16, 1) || (nChunkSize > 0 && pChunk == nullptr)) {
        return false;
    }
    RawRequest request(16 + static_cast<size_t>(nChunkSize));
    request.PutU32(0, nChunkType);
    request.PutU32(4, nChecksum);
    request.PutU32(8, nChunkSize);
    request.PutU32(12, bIsBasePreset ? 1 : 0);
    request.PutBytes(16, pChunk, nChunkSize);
    uint8_t aReply[4] = {};
    uint32_t nReplySize = sizeof(aReply);
    return SendCommand(kCmdLoadPresetsFromChunk, request.Size(), request.Data(), &nReplySize,
                       aReply);
}

bool VeltraEffectAPIBase::SaveUserPresetToChunk(char* pChunk, uint32_t& nChunkSize, uint32_t nValue,
                                                uint32_t& nOutValue, uint32_t& nInOutValue) {
    TARVO_LOG_ENTRY(
        "virtual bool TarvoFX::VeltraEffectAPIBase::SaveUserPresetToChunk(char *, uint32_t &, "
        "uint32_t, uint32_t &, uint32_t &)");
    const uint32_t nCapacity = nChunkSize;
    if (!FitsCommand(nCapacity, 12, 1) || (nCapacity > 0 && pChunk == nullptr)) {
        return false;
    }
    RawRequest request(12);
    request.PutU32(0, nCapacity);
    request.PutU32(4, nInOutValue);
    request.PutU32(8, nValue);
    std::vector<uint8_t> reply(12 + static_cast<size_t>(nCapacity), 0);
    uint32_t nReplySize = static_cast<uint32_t>(reply.size());
    if (!SendCommand(kCmdSaveUserPresetToChunk, request.Size(), request.Data(), &nReplySize,
                     reply.data())) {
        return false;
    }
    // The chunk must fit the caller's buffer and lie inside what the effect returned.
    const uint32_t nReportedSize = ReadU32(reply.data(), 8);
    if (nReportedSize > nCapacity || nReplySize < 12 || nReportedSize > nReplySize - 12) {
        TARVO_LOGE(
            "VeltraEffectAPIBase::SaveUserPresetToChunk chunk size %u does not fit %u "
            "(reply %u bytes)",
            nReportedSize, nCapacity, nReplySize);
        return false;
    }
    nOutValue = ReadU32(reply.data(), 0);
    nInOutValue = ReadU32(reply.data(), 4);
    nChunkSize = nReportedSize;
    if (nReportedSize > 0) {
        std::memcpy(pChunk, reply.data() + 12, nReportedSize);
    }
    return true;
}

bool VeltraEffectAPIBase::SavePresets(const std::string& strFilePath) {
    TARVO_LOGD("VeltraEffectAPIBase::SavePresets strFilePath %s", strFilePath.c_str());
    return SendText(kCmdSavePresets, strFilePath);
}

bool VeltraEffectAPIBase::SaveUserPresets(const std::string& strFilePath) {
    TARVO_LOGD("VeltraEffectAPIBase::SaveUserPresets strFilePath %s", strFilePath.c_str());
    return SendText(kCmdSaveUserPresets, strFilePath);
}

bool VeltraEffectAPIBase::Preset_GetUserParamsArray(uint32_t nParametersCount,
                                                    const unsigned int* pParams, double* pValues,
                                                    int32_t nOutputMode, int32_t nSoundMode,
                                                    uint32_t nSubType, bool bIsSubTypeCombined,
                                                    bool bMustFindAll) {
    return Preset_GetParamsArray(nParametersCount, pParams, pValues, nOutputMode, nSoundMode,
                                 nSubType, bIsSubTypeCombined, bMustFindAll, true);
}

bool VeltraEffectAPIBase::Preset_GetBaseParamsArray(uint32_t nParametersCount,
                                                    const unsigned int* pParams, double* pValues,
                                                    int32_t nOutputMode, int32_t nSoundMode,
                                                    uint32_t nSubType, bool bIsSubTypeCombined,
                                                    bool bMustFindAll) {
    return Preset_GetParamsArray(nParametersCount, pParams, pValues, nOutputMode, nSoundMode,
                                 nSubType, bIsSubTypeCombined, bMustFindAll, false);
}

bool VeltraEffectAPIBase::Preset_GetParamsArray(uint32_t nParametersCount,
                                                const unsigned int* pParams, double* pValues,
                                                int32_t nOutputMode, int32_t nSoundMode,
                                                uint32_t nSubType, bool bIsSubTypeCombined,
                                                bool bMustFindAll, bool includeUserPreset) {
    TARVO_LOGD(
        "VeltraEffectAPIBase::Preset_GetParamsArray nParametersCount %d nOutputMode %d "
        "nSoundMode %d nSubType 0x%08x bIsSubTypeCombined %s bMustFindAll %s includeUserPreset %s",
        nParametersCount, nOutputMode, nSoundMode, nSubType, TARVO_BOOL_TEXT(bIsSubTypeCombined),
        TARVO_BOOL_TEXT(bMustFindAll), TARVO_BOOL_TEXT(includeUserPreset));
    if (!FitsCommand(nParametersCount, 20, 8) ||
        (nParametersCount > 0 && (pParams == nullptr || pValues == nullptr))) {
        return false;
    }
    RawRequest request(20 + 4 * static_cast<size_t>(nParametersCount));
    request.PutU32(0, nParametersCount);
    request.PutU16(4, static_cast<uint16_t>(nOutputMode));
    request.PutU16(6, static_cast<uint16_t>(nSoundMode));
    request.PutU32(8, nSubType);
    request.PutU32(12, bIsSubTypeCombined ? 1 : 0);
    request.PutU32(16, bMustFindAll ? 1 : 0);
    request.PutBytes(20, pParams, 4 * static_cast<size_t>(nParametersCount));
    std::vector<uint8_t> reply(8 * static_cast<size_t>(nParametersCount));
    uint32_t nReplySize = static_cast<uint32_t>(reply.size());
    if (!SendCommand(includeUserPreset ? kCmdGetParamsArray : kCmdGetBaseParamsArray,
                     request.Size(), request.Data(), &nReplySize,
                     reply.empty() ? nullptr : reply.data())) {
        return false;
    }
    if (!reply.empty()) {
        std::memcpy(pValues, reply.data(), reply.size());
    }
    return true;
}

bool VeltraEffectAPIBase::SetPresetSelectorIndex(int32_t nIndex) {
    TARVO_LOGD("VeltraEffectAPIBase::SetPresetSelectorIndex %d", nIndex);
    RawRequest request(4);
    request.PutU32(0, static_cast<uint32_t>(nIndex));
    return SendCommand(kCmdSetPresetSelectorIndex, request.Bytes());
}

bool VeltraEffectAPIBase::ClearConfig() {
    TARVO_LOGD("VeltraEffectAPIBase::ClearConfig");
    uint8_t aReply[4] = {};
    uint32_t nReplySize = sizeof(aReply);
    return SendCommand(kCmdClearConfig, 0, nullptr, &nReplySize, aReply);
}

// --- Operations carried by message classes ---------------------------------------

bool VeltraEffectAPIBase::SetLogLevel(const std::string& strTagName, int32_t nLevel) {
    TARVO_LOGD("VeltraEffectAPIBase::SetLogLevel %s %d", strTagName.c_str(), nLevel);
    const bool bSent =
        SendCommand(kCmdSetLogLevel,
                    CVTCommandSetLogLevel(strTagName, static_cast<uint32_t>(nLevel)).ToBuffer());
    // This library's own log follows the same setting, whatever the effect answered.
    const bool bLocal = TarvoLog::Instance().SetLogLevel(strTagName.c_str(), nLevel);
    return bSent && bLocal;
}

bool VeltraEffectAPIBase::SetLogOutput(const std::string& strOutputName, bool bEnable) {
    TARVO_LOGD("VeltraEffectAPIBase::SetLogOutput %s %s", strOutputName.c_str(),
               TARVO_BOOL_TEXT_LOWER(bEnable));
    const bool bSent =
        SendCommand(kCmdSetLogOutput, CVTCommandSetLogOutput(strOutputName, bEnable).ToBuffer());
    const bool bLocal = TarvoLog::Instance().SetLogOutput(strOutputName.c_str(), bEnable);
    return bSent && bLocal;
}

bool VeltraEffectAPIBase::SetSystemVolume(double dVolume) {
    TARVO_LOGD("VeltraEffectAPIBase::SetSystemVolume %f", dVolume);
    return SendCommand(kCmdSetSystemVolume, CVTCommandSetSystemVolume(dVolume).ToBuffer());
}

bool VeltraEffectAPIBase::GetSupportedOutputModeNames(uint32_t nCount,
                                                      std::vector<unsigned int>& vecIds,
                                                      std::vector<std::string>& vecNames) {
    TARVO_LOGD("VeltraEffectAPIBase::GetSupportedOutputModeNames %d", nCount);
    constexpr uint32_t kBytesPerName = 72;
    if (!FitsCommand(nCount, 0, kBytesPerName)) {
        return false;
    }
    RawRequest request(4);
    request.PutU32(0, nCount);
    std::vector<uint8_t> reply(static_cast<size_t>(kBytesPerName) * nCount);
    uint32_t nReplySize = static_cast<uint32_t>(reply.size());
    if (!SendCommand(kCmdGetSupportedOutputModeNames, request.Size(), request.Data(), &nReplySize,
                     reply.empty() ? nullptr : reply.data())) {
        return false;
    }
    CVTReplyGetSupportedOutputModeName names(static_cast<int32_t>(nCount));
    if (nReplySize > reply.size() ||
        !names.FromBufffer(reply.empty() ? nullptr : reply.data(), nReplySize)) {
        return false;
    }
    vecIds.resize(names.Names().size());
    vecNames.resize(names.Names().size());
    size_t nIndex = 0;
    for (const auto& entry : names.Names()) {
        vecIds[nIndex] = entry.first;
        vecNames[nIndex] = entry.second;
        ++nIndex;
    }
    return true;
}

bool VeltraEffectAPIBase::GetDefaultSoundMode(uint32_t nCount, const uint32_t* pFirstValues,
                                              const uint32_t* pSecondValues, bool* pIsDefault) {
    TARVO_LOG_ENTRY(
        "virtual bool TarvoFX::VeltraEffectAPIBase::GetDefaultSoundMode(uint32_t, const uint32_t "
        "*, const uint32_t *, bool *)");
    if (!FitsCommand(nCount, 4, 9) || (nCount > 0 && pIsDefault == nullptr)) {
        return false;
    }
    const std::vector<char> request =
        CVTCommandIsDefaultSoundMode(nCount, pFirstValues, pSecondValues, pIsDefault).ToBuffer();
    std::vector<char> reply(request.size());
    uint32_t nReplySize = static_cast<uint32_t>(reply.size());
    if (!SendCommand(kCmdGetDefaultSoundMode, static_cast<uint32_t>(request.size()), request.data(),
                     &nReplySize, reply.data())) {
        return false;
    }
    // A reply that does not parse, or answers for another count, leaves the
    // flags alone; the command itself went through.
    CVTCommandIsDefaultSoundMode answer;
    if (nReplySize <= reply.size() && answer.FromBufffer(reply.data(), nReplySize) &&
        answer.Count() == nCount) {
        for (uint32_t i = 0; i < nCount; ++i) {
            pIsDefault[i] = answer.Flags()[i];
        }
    }
    return true;
}

bool VeltraEffectAPIBase::LoadPresets(const std::string& strMpsFilePath,
                                      const std::string& strUserMpsFilePath) {
    TARVO_LOGD("VeltraEffectAPIBase::LoadPresets strMpsFilePath %s strUserMpsFilePath %s",
               strMpsFilePath.c_str(), strUserMpsFilePath.c_str());
    CVTCommandMultipleString paths;
    paths.AddString(strMpsFilePath);
    if (!strUserMpsFilePath.empty()) {
        paths.AddString(strUserMpsFilePath);
    }
    const std::vector<char> request = paths.ToBuffer();
    uint8_t aReply[4] = {};
    uint32_t nReplySize = sizeof(aReply);
    return SendCommand(kCmdLoadPresets, static_cast<uint32_t>(request.size()), request.data(),
                       &nReplySize, aReply);
}

bool VeltraEffectAPIBase::Preset_SetParamsArrayEx(
    uint32_t nParametersCount, const unsigned int* pParams, const double* pValues,
    int32_t nOutputMode, int32_t nSoundMode, uint32_t nSubType,
    bool bAddNonexistingParamsInSubpresetToBasePreset) {
    TARVO_LOGD(
        "VeltraEffectAPIBase::Preset_SetParamsArrayEx nParametersCount %d nOutputMode %d "
        "nSoundMode %d nSubType 0x%08x bAddNonexistingParamsInSubpresetToBasePreset %s",
        nParametersCount, nOutputMode, nSoundMode, nSubType,
        TARVO_BOOL_TEXT(bAddNonexistingParamsInSubpresetToBasePreset));
    if (!FitsCommand(nParametersCount, 17, 12) ||
        (nParametersCount > 0 && (pParams == nullptr || pValues == nullptr))) {
        return false;
    }
    return SendCommand(kCmdSetParamsArray,
                       CVTCommandPresetSetParametersArray(
                           nParametersCount, nOutputMode, nSoundMode, nSubType, pParams, pValues,
                           bAddNonexistingParamsInSubpresetToBasePreset)
                           .ToBuffer());
}

bool VeltraEffectAPIBase::SetConfigByChunk(const char* pChunk, uint32_t nChunkSize,
                                           uint32_t nChecksum, uint32_t nChunkType) {
    TARVO_LOGD(
        "VeltraEffectAPIBase::SetConfigByChunk pChunk %p nChunkSize %d nChecksum %d nChunkType "
        "%d",
        static_cast<const void*>(pChunk), nChunkSize, nChecksum, nChunkType);
    if (!FitsCommand(nChunkSize, 32, 1) || (nChunkSize > 0 && pChunk == nullptr)) {
        return false;
    }
    const std::vector<char> request =
        CVTCommandSetConfigByChunk(pChunk, nChunkSize, nChecksum, nChunkType).ToBuffer();
    uint8_t aReply[4] = {};
    uint32_t nReplySize = sizeof(aReply);
    return SendCommand(kCmdSetConfigByChunk, static_cast<uint32_t>(request.size()), request.data(),
                       &nReplySize, aReply);
}

// --- Tuning-server hooks -----------------------------------------------------------

bool VeltraEffectAPIBase::SetMetersServerEnable(bool bEnable) {
    TARVO_LOGD("VeltraEffectAPIBase::SetMetersServerEnable %s", TARVO_BOOL_TEXT(bEnable));
    RawRequest request(4);
    request.PutU32(0, bEnable ? 1 : 0);
    return SendCommand(kCmdSetMetersServer, request.Size(), request.Data());
}

bool VeltraEffectAPIBase::CreateAndListenUnixServerSocket(bool bIsAbstractSocket,
                                                          const std::string& strFilePath) {
    TARVO_LOGD(
        "VeltraEffectAPIBase::CreateAndListenUnixServerSocket bIsAbstractSocket %s strFilePath %s",
        TARVO_BOOL_TEXT(bIsAbstractSocket), strFilePath.c_str());
    return SendCommand(
        kCmdCreateUnixServerSocket,
        CVTCommandCreateListenUnixServerSocket(bIsAbstractSocket, strFilePath.c_str()).ToBuffer());
}

bool VeltraEffectAPIBase::CloseAndDestroyUnixServerSocket(const std::string& strFilePath) {
    TARVO_LOGD("VeltraEffectAPIBase::CloseAndDestroyUnixServerSocket strFilePath %s",
               strFilePath.c_str());
    return SendCommand(kCmdCloseUnixServerSocket,
                       CVTCommandCloseDestroyUnixServerSocket(strFilePath.c_str()).ToBuffer());
}

// Sends the pairs twice for output and sound mode -3: with sub-type mask 0,
// then with every sub-type; both sends are made even when the first fails.
bool VeltraEffectAPIBase::SendTuningParameters(uint32_t nCount, const unsigned int* pParams,
                                               const double* pValues) {
    constexpr int32_t kAllModes = -3;
    bool bResult = true;
    for (uint32_t nSubTypes : {0u, 0xFFFFFFFFu}) {
        const bool bSent = SendCommand(kCmdSetParamsArray, CVTCommandPresetSetParametersArray(
                                                               nCount, kAllModes, kAllModes,
                                                               nSubTypes, pParams, pValues, false)
                                                               .ToBuffer());
        bResult = bResult && bSent;
    }
    return bResult;
}

bool VeltraEffectAPIBase::OnVTServerParameterSet(uint32_t nParam, double dValue) {
    TARVO_LOG_ENTRY(
        "virtual bool TarvoFX::VeltraEffectAPIBase::OnVTServerParameterSet(uint32_t, double)");
    const unsigned int nId = nParam;
    return SendTuningParameters(1, &nId, &dValue);
}

bool VeltraEffectAPIBase::OnVTServerParameterArraySet(const std::vector<unsigned int>& vecParams,
                                                      const std::vector<double>& vecValues) {
    TARVO_LOG_ENTRY(
        "virtual bool TarvoFX::VeltraEffectAPIBase::OnVTServerParameterArraySet(const "
        "std::vector<unsigned int> &, const std::vector<double> &)");
    // Only complete pairs are sent.
    const size_t nCount = std::min(vecParams.size(), vecValues.size());
    return SendTuningParameters(static_cast<uint32_t>(nCount), vecParams.data(), vecValues.data());
}

bool VeltraEffectAPIBase::VTServerParameterArrayGet(std::vector<unsigned int>& vecParams,
                                                    std::vector<double>& vecValues,
                                                    std::vector<bool>& vecFound) {
    const uint32_t nCount = static_cast<uint32_t>(vecParams.size());
    if (!FitsCommand(nCount, 20, 8)) {
        return false;
    }
    RawRequest request(20 + 4 * static_cast<size_t>(nCount));
    request.PutU32(0, nCount);
    request.PutU32(4, 0xFFFFFFFF);  // output mode and sound mode 0xFFFF: every mode
    request.PutU32(8, 0);
    request.PutU32(12, 1);
    request.PutU32(16, 0);
    request.PutBytes(20, vecParams.data(), 4 * static_cast<size_t>(nCount));
    std::vector<uint8_t> reply(8 * static_cast<size_t>(nCount));
    uint32_t nReplySize = static_cast<uint32_t>(reply.size());
    if (!SendCommand(kCmdGetParamsArrayAllModes, request.Size(), request.Data(), &nReplySize,
                     reply.empty() ? nullptr : reply.data())) {
        return false;
    }
    vecValues.resize(nCount);
    if (nCount > 0) {
        std::memcpy(vecValues.data(), reply.data(), reply.size());
    }
    vecFound.assign(nCount, true);
    return true;
}

bool VeltraEffectAPIBase::OnVTServerParameterGet(uint32_t nParam, double& dValue) {
    std::vector<unsigned int> vecParams = {nParam};
    std::vector<double> vecValues = {0.0};
    std::vector<bool> vecFound = {false};
    if (!VTServerParameterArrayGet(vecParams, vecValues, vecFound)) {
        return false;
    }
    dValue = vecValues[0];
    return true;
}

bool VeltraEffectAPIBase::OnVTServerParameterArrayGet(std::vector<unsigned int>& vecParams,
                                                      std::vector<double>& vecValues,
                                                      std::vector<bool>& vecFound) {
    return VTServerParameterArrayGet(vecParams, vecValues, vecFound);
}

bool VeltraEffectAPIBase::OnVTServerCustomOutputModeSet(uint16_t nFirstOutputMode,
                                                        uint16_t nSecondOutputMode) {
    return SetCustomOutputMode(nFirstOutputMode, nSecondOutputMode);
}

bool VeltraEffectAPIBase::OnVTServerLogLevelSet(const char* szLogTagName, int32_t nLevel) {
    if (szLogTagName == nullptr) {
        TARVO_LOGE("VeltraEffectAPIBase::OnVTServerLogLevelSet szLogTagName is nullptr");
        return false;
    }
    return SetLogLevel(szLogTagName, nLevel);
}

bool VeltraEffectAPIBase::OnVTServerLogOutputSet(const char* szLogOutputName, bool bEnable) {
    if (szLogOutputName == nullptr) {
        TARVO_LOGE("VeltraEffectAPIBase::OnVTServerLogOutputSet szLogOutputName is nullptr");
        return false;
    }
    return SetLogOutput(szLogOutputName, bEnable);
}

bool VeltraEffectAPIBase::OnVTServerMetersEnabled(bool bEnabled) {
    return SetMetersServerEnable(bEnabled);
}

bool VeltraEffectAPIBase::OnVTServerCalibrateKv() {
    return CalibrateKv();
}

bool VeltraEffectAPIBase::OnVTServerOutputModeSet(uint16_t nOutputMode) {
    return SetOutputMode(nOutputMode);
}

bool VeltraEffectAPIBase::OnVTServerRecordingEnabled(const char* szRecordingPath) {
    if (szRecordingPath == nullptr) {
        TARVO_LOGE("VeltraEffectAPIBase::OnVTServerRecordingEnabled szRecordingPath is nullptr");
        return false;
    }
    return SetRecordingEnable(szRecordingPath);
}

bool VeltraEffectAPIBase::OnVTServerRecordingDisabled() {
    return SetRecordingDisable();
}

bool VeltraEffectAPIBase::OnVTServerSoundModeSet(int16_t nSoundMode) {
    return SetSoundMode(nSoundMode);
}

bool VeltraEffectAPIBase::OnVTServerSystemVolumeSet(double dVolume) {
    return SetSystemVolume(dVolume);
}

bool VeltraEffectAPIBase::OnVTServerTagExSet(uint32_t nOutputMode, uint32_t nSoundMode,
                                             int16_t nTagDisable, int16_t nTagEnable) {
    return SetTagEx(static_cast<int32_t>(nOutputMode), static_cast<int32_t>(nSoundMode),
                    static_cast<uint32_t>(nTagDisable), static_cast<uint32_t>(nTagEnable));
}

bool VeltraEffectAPIBase::OnVTServerMpsFileSet(const char* szPath) {
    if (szPath == nullptr) {
        TARVO_LOGE("VeltraEffectAPIBase::OnVTServerMpsFileSet szRecordingPath is nullptr");
        return false;
    }
    return LoadPresets(szPath, "");
}

bool VeltraEffectAPIBase::OnVTServerDump() {
    return Dump();
}

// --- Helpers -----------------------------------------------------------------------

bool VeltraEffectAPIBase::SendU16(int32_t nCmdID, uint16_t nValue) {
    RawRequest request(2);
    request.PutU16(0, nValue);
    return SendCommand(nCmdID, request.Bytes());
}

bool VeltraEffectAPIBase::SendText(int32_t nCmdID, const std::string& strText) {
    return SendCommand(nCmdID, static_cast<uint32_t>(strText.size() + 1), strText.c_str());
}

// --- Tuning server ------------------------------------------------------------------

bool VeltraEffectAPIBase::SetTcpIpEnable(bool bEnable, int32_t nTcpipPort) {
    TARVO_LOGD("VeltraEffectAPIBase::SetTcpIpEnable %s nTcpipPort %d", TARVO_BOOL_TEXT(bEnable),
               nTcpipPort);
    if (!bEnable) {
        return m_pVTServer ? m_pVTServer->Disable() : true;
    }
    if (!m_bServersCreated) {
        CreateTuningServers(nTcpipPort);
    }
    m_pTCPServer->SetListenPort(nTcpipPort & 0xFFFF);
    return m_pVTServer->Enable();
}

void VeltraEffectAPIBase::CreateTuningServers(int32_t nPort) {
    auto pParser = std::make_shared<CCommandsParser>();
    m_pTCPServer = std::make_shared<CTCPServer>(pParser, static_cast<unsigned int>(nPort & 0xFFFF));
    IVTServerMetersListener* pMeters = this;
    const std::shared_ptr<VTServerExecutor> executors[] = {
        std::make_shared<VTServerParameterSetter>(
            static_cast<IVTServerParameterSetListener*>(this)),
        std::make_shared<VTServerParameterArraySetter>(
            static_cast<IVTServerParameterArraySetListener*>(this)),
        std::make_shared<VTServerParameterGetter>(
            static_cast<IVTServerParameterGetListener*>(this)),
        std::make_shared<VTServerParameterArrayGetter>(
            static_cast<IVTServerParameterArrayGetListener*>(this)),
        std::make_shared<VTServerCustomOutputModeSetter>(
            static_cast<IVTServerCustomOutputModeSetListener*>(this)),
        std::make_shared<VTServerLogLevelSetter>(static_cast<IVTServerLogLevelSetListener*>(this)),
        std::make_shared<VTServerLogOutputSetter>(
            static_cast<IVTServerLogOutputSetListener*>(this)),
        std::make_shared<VTServerMetersDisabler>(pMeters),
        std::make_shared<VTServerMetersEnabler>(pMeters),
        std::make_shared<VTServerOutputModeSetter>(
            static_cast<IVTServerOutputModeSetListener*>(this)),
        std::make_shared<VTServerRecordingSetter>(static_cast<IVTServerRecordingListener*>(this)),
        std::make_shared<VTServerSoundModeSetter>(
            static_cast<IVTServerSoundModeSetListener*>(this)),
        std::make_shared<VTServerSystemVolumeSetter>(
            static_cast<IVTServerSystemVolumeSetListener*>(this)),
        std::make_shared<VTServerTagExSetter>(static_cast<IVTServerTagExSetListener*>(this)),
        std::make_shared<VTServerKvCalibrator>(static_cast<IVTServerCalibrateKvListener*>(this)),
        std::make_shared<VTServerMpsFileSetter>(static_cast<IVTServerMpsFileSetListener*>(this)),
        std::make_shared<VTServerDumper>(static_cast<IVTServerDumpListener*>(this)),
    };
    m_pVTServer = std::make_shared<VTServer>(m_pTCPServer);
    for (const auto& pExecutor : executors) {
        m_pVTServer->RegisterExecutor(pExecutor);
    }
    m_bServersCreated = true;
}

}  // namespace TarvoFX
