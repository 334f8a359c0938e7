#include "VeltraEffectAPI/VeltraEffectAPIBase.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "NetworkManager/CCommandsParser.h"
#include "NetworkManager/CTCPServer.h"
#include "NetworkManager/CommandExecute/VTServerExecutors.h"
#include "NetworkManager/VTServer.h"
#include "Utils/LastingStatic.h"
#include "Utils/LittleEndian.h"
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
#include "VTCommands/EffectCommands.h"
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

using LittleEndian::Reader;
using LittleEndian::Writer;

constexpr int32_t kSessionEffectPriority = 10;
constexpr uint32_t kSessionEffectIO = 0;

// The text with its terminating zero byte.
bool SendText(VeltraEffectAPIBase& effect, int32_t nCmdID, const std::string& strText) {
    return effect.SendCommand(nCmdID, static_cast<uint32_t>(strText.size() + 1), strText.c_str());
}

// The request's bytes, with a reply buffer of nReplySize bytes at pReply;
// nReplySize becomes the size of the reply the effect wrote.
bool SendWithReply(VeltraEffectAPIBase& effect, int32_t nCmdID, const std::vector<char>& request,
                   uint32_t& nReplySize, void* pReply) {
    return effect.SendCommand(nCmdID, static_cast<uint32_t>(request.size()),
                              request.empty() ? nullptr : request.data(), &nReplySize, pReply);
}

bool SendU16(VeltraEffectAPIBase& effect, int32_t nCmdID, uint16_t nValue) {
    using Request = EffectCommand::U16Request;
    Writer request(Request::kSize);
    request.Put(Request::kValue, nValue);
    return effect.SendCommand(nCmdID, request.Buffer());
}

// A ModePairRequest answered by a u32 tag mask.
bool QueryTagMask(VeltraEffectAPIBase& effect, int32_t nCmdID, int32_t nOutputMode,
                  int32_t nSoundMode, uint32_t& nTag) {
    using Request = EffectCommand::ModePairRequest;
    using Reply = EffectCommand::U32Reply;
    Writer request(Request::kSize);
    request.Put(Request::kOutputMode, static_cast<uint16_t>(nOutputMode))
        .Put(Request::kSoundMode, static_cast<uint16_t>(nSoundMode));
    char aReply[Reply::kSize] = {};
    uint32_t nReplySize = sizeof(aReply);
    return SendWithReply(effect, nCmdID, request.Buffer(), nReplySize, aReply) &&
           Reader(aReply, sizeof(aReply)).Get(Reply::kValue, nTag);
}

// A ParamsArrayRequest whose modes, sub-types and flags the caller has put:
// adds the count and the ids and sends it. On success the reply's nCount
// doubles go to pValues; on failure pValues is untouched.
bool QueryParamsArray(VeltraEffectAPIBase& effect, int32_t nCmdID, Writer request, uint32_t nCount,
                      const unsigned int* pParams, double* pValues) {
    request.Put(EffectCommand::ParamsArrayRequest::kCount, nCount).Array(pParams, nCount);
    std::vector<char> reply(sizeof(double) * static_cast<size_t>(nCount));
    uint32_t nReplySize = static_cast<uint32_t>(reply.size());
    if (!SendWithReply(effect, nCmdID, request.Buffer(), nReplySize,
                       reply.empty() ? nullptr : reply.data())) {
        return false;
    }
    Reader(reply.data(), reply.size()).Array(nCount, pValues);
    return true;
}

// Sends the pairs twice for output and sound mode -3: with sub-type mask 0,
// then with every sub-type; both sends are made even when the first fails.
bool SendTuningParameters(VeltraEffectAPIBase& effect, uint32_t nCount, const unsigned int* pParams,
                          const double* pValues) {
    constexpr int32_t kAllModes = -3;
    bool bResult = true;
    for (uint32_t nSubTypes : {0u, 0xFFFFFFFFu}) {
        const bool bSent =
            effect.SendCommand(EffectCommand::kSetParamsArray,
                               CVTCommandPresetSetParametersArray(
                                   nCount, kAllModes, kAllModes, nSubTypes, pParams, pValues, false)
                                   .ToBuffer());
        bResult = bResult && bSent;
    }
    return bResult;
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
    const bool bCommandSent = SendText(
        *this, bEnabled ? EffectCommand::kEnableAlgorithm : EffectCommand::kDisableAlgorithm,
        strAlg);
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
    using Reply = EffectCommand::U8Reply;
    uint8_t aReply[Reply::kSize] = {};
    uint32_t nReplySize = sizeof(aReply);
    uint8_t nAnswer = 0;
    return SendCommand(EffectCommand::kShouldEnableAndroidEffect, 0, nullptr, &nReplySize,
                       aReply) &&
           Reader(aReply, sizeof(aReply)).Get(Reply::kValue, nAnswer) && nAnswer != 0;
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
    return SendCommand(bEnabled ? EffectCommand::kEnableOutputDeviceDetection
                                : EffectCommand::kDisableOutputDeviceDetection);
}

bool VeltraEffectAPIBase::SetVeltSenseEnabled(bool bEnabled) {
    TARVO_LOGD("VeltraEffectAPIBase::SetVeltSenseEnabled bEnabled %s", TARVO_BOOL_TEXT(bEnabled));
    return SendCommand(bEnabled ? EffectCommand::kEnableVeltSense
                                : EffectCommand::kDisableVeltSense);
}

bool VeltraEffectAPIBase::SetTagEx(int32_t nOutputMode, int32_t nSoundMode, uint32_t nTagDisable,
                                   uint32_t nTagEnable) {
    TARVO_LOGD("VeltraEffectAPIBase::SetTagEx tag disable 0x%08x tag enable 0x%08x om %d sm %d",
               nTagDisable, nTagEnable, nOutputMode, nSoundMode);
    using Request = EffectCommand::SetTagExRequest;
    Writer request(Request::kSize);
    request.Put(Request::kOutputMode, static_cast<uint32_t>(nOutputMode))
        .Put(Request::kSoundMode, static_cast<uint32_t>(nSoundMode))
        .Put(Request::kTagDisable, static_cast<uint16_t>(nTagDisable))
        .Put(Request::kTagEnable, static_cast<uint16_t>(nTagEnable));
    return SendCommand(EffectCommand::kSetTagEx, request.Buffer());
}

bool VeltraEffectAPIBase::GetTag(int32_t nOutputMode, int32_t nSoundMode, uint32_t& nTag) {
    TARVO_LOGD("VeltraEffectAPIBase::GetTag om %d sm %d", nOutputMode, nSoundMode);
    return QueryTagMask(*this, EffectCommand::kGetTag, nOutputMode, nSoundMode, nTag);
}

bool VeltraEffectAPIBase::GetSupportedTag(int32_t nOutputMode, int32_t nSoundMode, uint32_t& nTag) {
    TARVO_LOGD("VeltraEffectAPIBase::GetSupportedTag om %d sm %d", nOutputMode, nSoundMode);
    return QueryTagMask(*this, EffectCommand::kGetSupportedTag, nOutputMode, nSoundMode, nTag);
}

bool VeltraEffectAPIBase::SetOutputMode(int32_t nOM) {
    TARVO_LOGD("VeltraEffectAPIBase::SetOutputMode nOM) %d", nOM);
    return SendU16(*this, EffectCommand::kSetOutputMode, static_cast<uint16_t>(nOM));
}

bool VeltraEffectAPIBase::GetActive(uint16_t& nOM, uint16_t& nSM, uint16_t& nMT, uint32_t& nTag) {
    TARVO_LOG_ENTRY(
        "virtual bool TarvoFX::VeltraEffectAPIBase::GetActive(uint16_t &, uint16_t &, uint16_t "
        "&, uint32_t &)");
    using Reply = EffectCommand::GetActiveReply;
    char aReply[Reply::kSize] = {};
    uint32_t nReplySize = sizeof(aReply);
    if (!SendCommand(EffectCommand::kGetActive, 0, nullptr, &nReplySize, aReply)) {
        return false;
    }
    const Reader reply(aReply, sizeof(aReply));
    reply.Get(Reply::kTag, nTag);
    reply.Get(Reply::kOutputMode, nOM);
    reply.Get(Reply::kSoundMode, nSM);
    reply.Get(Reply::kMT, nMT);
    TARVO_LOGD("GetActive om %d sm %d mt %d tag 0x%08x", nOM, nSM, nMT, nTag);
    return true;
}

bool VeltraEffectAPIBase::OpenClientPipe(const std::string& strFilePath) {
    TARVO_LOGD("VeltraEffectAPIBase::OpenClientPipe strFilePath %s", strFilePath.c_str());
    return SendText(*this, EffectCommand::kOpenClientPipe, strFilePath);
}

bool VeltraEffectAPIBase::CloseClientPipe() {
    TARVO_LOG_ENTRY("virtual bool TarvoFX::VeltraEffectAPIBase::CloseClientPipe()");
    return SendCommand(EffectCommand::kCloseClientPipe);
}

bool VeltraEffectAPIBase::SetRecordingEnable(const std::string& strPrefixPath) {
    TARVO_LOGD("VeltraEffectAPIBase::SetRecordingEnable strPrefixPath %s", strPrefixPath.c_str());
    return SendText(*this, EffectCommand::kSetRecordingEnable, strPrefixPath);
}

bool VeltraEffectAPIBase::SetRecordingDisable() {
    TARVO_LOG_ENTRY("virtual bool TarvoFX::VeltraEffectAPIBase::SetRecordingDisable()");
    return SendCommand(EffectCommand::kSetRecordingDisable);
}

bool VeltraEffectAPIBase::SetSoundMode(int32_t nSoundMode) {
    TARVO_LOGD("VeltraEffectAPIBase::SetSoundMode nSoundMode %d", nSoundMode);
    return SendU16(*this, EffectCommand::kSetSoundMode, static_cast<uint16_t>(nSoundMode));
}

bool VeltraEffectAPIBase::SetSmoothingEnable(bool bEnabled) {
    TARVO_LOGD("VeltraEffectAPIBase::SetSmoothingEnable %s", TARVO_BOOL_TEXT(bEnabled));
    return SendU16(*this, EffectCommand::kSetSmoothingEnable, bEnabled ? 1 : 0);
}

bool VeltraEffectAPIBase::SetCustomOutputMode(int32_t nFirstOutputMode, int32_t nSecondOutputMode) {
    TARVO_LOGD("VeltraEffectAPIBase::SetCustomOutputMode %d->%d", nFirstOutputMode,
               nSecondOutputMode);
    using Request = EffectCommand::CustomOutputModeRequest;
    Writer request(Request::kSize);
    request.Put(Request::kFirst, static_cast<uint16_t>(nFirstOutputMode))
        .Put(Request::kSecond, static_cast<uint16_t>(nSecondOutputMode));
    return SendCommand(EffectCommand::kSetCustomOutputMode, request.Buffer());
}

bool VeltraEffectAPIBase::GetSupportedOutputModeCount(uint32_t& nCount) {
    TARVO_LOG_ENTRY(
        "virtual bool TarvoFX::VeltraEffectAPIBase::GetSupportedOutputModeCount(uint32_t &)");
    using Reply = EffectCommand::U32Reply;
    char aReply[Reply::kSize] = {};
    uint32_t nReplySize = sizeof(aReply);
    if (!SendCommand(EffectCommand::kGetSupportedOutputModeCount, 0, nullptr, &nReplySize,
                     aReply) ||
        !Reader(aReply, sizeof(aReply)).Get(Reply::kValue, nCount)) {
        return false;
    }
    TARVO_LOGD("VeltraEffectAPIBase::GetSupportedOutputModeCount is %d", nCount);
    return true;
}

bool VeltraEffectAPIBase::CalibrateKv() {
    TARVO_LOG_ENTRY("virtual bool TarvoFX::VeltraEffectAPIBase::CalibrateKv()");
    return SendCommand(EffectCommand::kCalibrateKv);
}

bool VeltraEffectAPIBase::SetSensorFusionEnabled(bool bEnabled) {
    TARVO_LOGD("VeltraEffectAPIBase::SetSensorFusionEnabled %s", TARVO_BOOL_TEXT(bEnabled));
    const uint8_t nValue = bEnabled ? 1 : 0;
    return SendCommand(EffectCommand::kSetSensorFusionEnabled, sizeof(nValue), &nValue);
}

bool VeltraEffectAPIBase::SetTrackingDataRate(uint16_t nRate) {
    TARVO_LOGD("VeltraEffectAPIBase::SetTrackingDataRate %d", nRate);
    return SendU16(*this, EffectCommand::kSetTrackingDataRate, nRate);
}

bool VeltraEffectAPIBase::SetForceBypass(int32_t nIO, int32_t nSessionId,
                                         const std::string& strAlgName, int32_t nUseCase,
                                         bool bForceBypass) {
    TARVO_LOGD(
        "VeltraEffectAPIBase::SetForceBypass nIO %d nSessionId %d strAlgName %s nUseCase %d "
        "bForceBypass %s",
        nIO, nSessionId, strAlgName.c_str(), nUseCase, TARVO_BOOL_TEXT(bForceBypass));
    using Request = EffectCommand::ForceBypassRequest;
    // The name and its terminator fill the field at the most.
    if (strAlgName.size() > Request::kAlgorithmSize - 1) {
        return false;
    }
    Writer request(Request::kSize);
    request.Put(Request::kIO, static_cast<uint32_t>(nIO))
        .Put(Request::kSession, static_cast<uint32_t>(nSessionId))
        .PutBytes(Request::kAlgorithm, strAlgName.data(), strAlgName.size())
        .Put(Request::kUseCase, static_cast<uint32_t>(nUseCase))
        .Put(Request::kForceBypass, bForceBypass ? 1 : 0);
    return SendCommand(EffectCommand::kSetForceBypass, request.Buffer());
}

bool VeltraEffectAPIBase::TransactBuffer(uint32_t nSize, void* pBuffer) {
    uint32_t nReplySize = nSize;
    return SendCommand(EffectCommand::kTransactBuffer, nSize, pBuffer, &nReplySize, pBuffer);
}

bool VeltraEffectAPIBase::GetSupportedSoundModeCount(uint32_t& nCount) {
    TARVO_LOG_ENTRY(
        "virtual bool TarvoFX::VeltraEffectAPIBase::GetSupportedSoundModeCount(uint32_t &)");
    uint32_t nReplySize = sizeof(nCount);
    return SendCommand(EffectCommand::kGetSupportedSoundModeCount, 0, nullptr, &nReplySize,
                       &nCount);
}

bool VeltraEffectAPIBase::GetSupportedSoundModeValues(uint32_t nSoundModeCount,
                                                      std::vector<unsigned int>& vecValues) {
    TARVO_LOGD("VeltraEffectAPIBase::GetSupportedSoundModeValues nSoundModeCount %d",
               nSoundModeCount);
    using Request = EffectCommand::U32Request;
    if (!EffectCommand::FitsCommand(nSoundModeCount, 4, 4)) {
        return false;
    }
    vecValues.resize(nSoundModeCount);
    Writer request(Request::kSize);
    request.Put(Request::kValue, nSoundModeCount);
    // The effect writes its u32 values straight into the vector.
    uint32_t nReplySize = static_cast<uint32_t>(sizeof(uint32_t) * nSoundModeCount);
    return SendWithReply(*this, EffectCommand::kGetSupportedSoundModeValues, request.Buffer(),
                         nReplySize, vecValues.data());
}

bool VeltraEffectAPIBase::GetSessionData() {
    TARVO_LOG_ENTRY("virtual bool TarvoFX::VeltraEffectAPIBase::GetSessionData()");
    return SendCommand(EffectCommand::kGetSessionData);
}

bool VeltraEffectAPIBase::Dump() {
    TARVO_LOG_ENTRY("virtual bool TarvoFX::VeltraEffectAPIBase::Dump()");
    return SendCommand(EffectCommand::kDump);
}

// --- Preset, parameter and configuration operations ----------------------------------

bool VeltraEffectAPIBase::ClearParams() {
    TARVO_LOG_ENTRY("virtual bool TarvoFX::VeltraEffectAPIBase::ClearParams()");
    return SendCommand(EffectCommand::kClearParams);
}

bool VeltraEffectAPIBase::ClearParamsArray(uint32_t nParametersCount, const unsigned int* pParams,
                                           int32_t nOutputMode, int32_t nSoundMode,
                                           uint32_t nSubTypes, bool bAlsoClearBasePreset) {
    TARVO_LOGD(
        "VeltraEffectAPIBase::ClearParamsArray nParametersCount %d nOutputMode %d nSoundMode %d "
        "nSubTypes 0x%08x bAlsoClearBasePreset %s",
        nParametersCount, nOutputMode, nSoundMode, nSubTypes,
        TARVO_BOOL_TEXT(bAlsoClearBasePreset));
    using Request = EffectCommand::ClearParamsArrayRequest;
    if (!EffectCommand::FitsCommand(nParametersCount, 16, 4) ||
        (nParametersCount > 0 && pParams == nullptr)) {
        return false;
    }
    Writer request(Request::kIds);
    request.Reserve(Request::kIds + sizeof(uint32_t) * uint64_t{nParametersCount});
    request.Put(Request::kCount, nParametersCount)
        .Put(Request::kOutputMode, static_cast<uint16_t>(nOutputMode))
        .Put(Request::kSoundMode, static_cast<uint16_t>(nSoundMode))
        .Put(Request::kSubTypes, nSubTypes)
        .Put(Request::kAlsoClearBase, bAlsoClearBasePreset ? 1 : 0)
        .Array(pParams, nParametersCount);
    return SendCommand(EffectCommand::kClearParamsArray, request.Buffer());
}

bool VeltraEffectAPIBase::LoadPresetsFromChunk(const char* pChunk, uint32_t nChunkSize,
                                               uint32_t nChecksum, uint32_t nChunkType,
                                               bool bIsBasePreset) {
    TARVO_LOGD(
        "VeltraEffectAPIBase::LoadPresetsFromChunk pChunk %p nChunkSize %d nChecksum %d "
        "nChunkType %d bIsBasePreset %s",
        static_cast<const void*>(pChunk), nChunkSize, nChecksum, nChunkType,
        TARVO_BOOL_TEXT(bIsBasePreset));
    using Request = EffectCommand::ChunkRequest;
    if (!EffectCommand::FitsCommand(nChunkSize, 16, 1) || (nChunkSize > 0 && pChunk == nullptr)) {
        return false;
    }
    Writer request(Request::kChunk);
    request.Reserve(Request::kChunk + uint64_t{nChunkSize});
    request.Put(Request::kChunkType, nChunkType)
        .Put(Request::kChecksum, nChecksum)
        .Put(Request::kChunkSize, nChunkSize)
        .Put(Request::kIsBasePreset, bIsBasePreset ? 1 : 0)
        .Bytes(pChunk, nChunkSize);
    char aReply[EffectCommand::kUnreadReplySize] = {};
    uint32_t nReplySize = sizeof(aReply);
    return SendWithReply(*this, EffectCommand::kLoadPresetsFromChunk, request.Buffer(), nReplySize,
                         aReply);
}

bool VeltraEffectAPIBase::SaveUserPresetToChunk(char* pChunk, uint32_t& nChunkSize, uint32_t nValue,
                                                uint32_t& nOutValue, uint32_t& nInOutValue) {
    TARVO_LOG_ENTRY(
        "virtual bool TarvoFX::VeltraEffectAPIBase::SaveUserPresetToChunk(char *, uint32_t &, "
        "uint32_t, uint32_t &, uint32_t &)");
    using Request = EffectCommand::SaveChunkRequest;
    using Reply = EffectCommand::SaveChunkReply;
    const uint32_t nCapacity = nChunkSize;
    if (!EffectCommand::FitsCommand(nCapacity, 12, 1) || (nCapacity > 0 && pChunk == nullptr)) {
        return false;
    }
    Writer request(Request::kSize);
    request.Put(Request::kCapacity, nCapacity)
        .Put(Request::kInOutValue, nInOutValue)
        .Put(Request::kValue, nValue);
    std::vector<char> reply(Reply::kChunk + static_cast<size_t>(nCapacity), 0);
    uint32_t nReplySize = static_cast<uint32_t>(reply.size());
    if (!SendWithReply(*this, EffectCommand::kSaveUserPresetToChunk, request.Buffer(), nReplySize,
                       reply.data())) {
        return false;
    }
    // The chunk must fit the caller's buffer and lie inside what the effect returned.
    const Reader fields(reply.data(), reply.size());
    uint32_t nReportedSize = 0;
    fields.Get(Reply::kChunkSize, nReportedSize);
    if (nReportedSize > nCapacity || nReplySize < Reply::kChunk ||
        nReportedSize > nReplySize - Reply::kChunk) {
        TARVO_LOGE(
            "VeltraEffectAPIBase::SaveUserPresetToChunk chunk size %u does not fit %u "
            "(reply %u bytes)",
            nReportedSize, nCapacity, nReplySize);
        return false;
    }
    fields.Get(Reply::kOutValue, nOutValue);
    fields.Get(Reply::kInOutValue, nInOutValue);
    nChunkSize = nReportedSize;
    if (nReportedSize > 0) {
        std::memcpy(pChunk, reply.data() + Reply::kChunk, nReportedSize);
    }
    return true;
}

bool VeltraEffectAPIBase::SavePresets(const std::string& strFilePath) {
    TARVO_LOGD("VeltraEffectAPIBase::SavePresets strFilePath %s", strFilePath.c_str());
    return SendText(*this, EffectCommand::kSavePresets, strFilePath);
}

bool VeltraEffectAPIBase::SaveUserPresets(const std::string& strFilePath) {
    TARVO_LOGD("VeltraEffectAPIBase::SaveUserPresets strFilePath %s", strFilePath.c_str());
    return SendText(*this, EffectCommand::kSaveUserPresets, strFilePath);
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
    using Request = EffectCommand::ParamsArrayRequest;
    if (!EffectCommand::FitsCommand(nParametersCount, 20, 8) ||
        (nParametersCount > 0 && (pParams == nullptr || pValues == nullptr))) {
        return false;
    }
    Writer request(Request::kIds);
    request.Put(Request::kOutputMode, static_cast<uint16_t>(nOutputMode))
        .Put(Request::kSoundMode, static_cast<uint16_t>(nSoundMode))
        .Put(Request::kSubTypes, nSubType)
        .Put(Request::kSubTypesCombined, bIsSubTypeCombined ? 1 : 0)
        .Put(Request::kMustFindAll, bMustFindAll ? 1 : 0);
    return QueryParamsArray(
        *this,
        includeUserPreset ? EffectCommand::kGetParamsArray : EffectCommand::kGetBaseParamsArray,
        std::move(request), nParametersCount, pParams, pValues);
}

bool VeltraEffectAPIBase::SetPresetSelectorIndex(int32_t nIndex) {
    TARVO_LOGD("VeltraEffectAPIBase::SetPresetSelectorIndex %d", nIndex);
    using Request = EffectCommand::U32Request;
    Writer request(Request::kSize);
    request.Put(Request::kValue, static_cast<uint32_t>(nIndex));
    return SendCommand(EffectCommand::kSetPresetSelectorIndex, request.Buffer());
}

bool VeltraEffectAPIBase::ClearConfig() {
    TARVO_LOGD("VeltraEffectAPIBase::ClearConfig");
    char aReply[EffectCommand::kUnreadReplySize] = {};
    uint32_t nReplySize = sizeof(aReply);
    return SendCommand(EffectCommand::kClearConfig, 0, nullptr, &nReplySize, aReply);
}

// --- Operations carried by message classes ---------------------------------------

bool VeltraEffectAPIBase::SetLogLevel(const std::string& strTagName, int32_t nLevel) {
    TARVO_LOGD("VeltraEffectAPIBase::SetLogLevel %s %d", strTagName.c_str(), nLevel);
    const bool bSent =
        SendCommand(EffectCommand::kSetLogLevel,
                    CVTCommandSetLogLevel(strTagName, static_cast<uint32_t>(nLevel)).ToBuffer());
    // This library's own log follows the same setting, whatever the effect answered.
    const bool bLocal = TarvoLog::Instance().SetLogLevel(strTagName.c_str(), nLevel);
    return bSent && bLocal;
}

bool VeltraEffectAPIBase::SetLogOutput(const std::string& strOutputName, bool bEnable) {
    TARVO_LOGD("VeltraEffectAPIBase::SetLogOutput %s %s", strOutputName.c_str(),
               TARVO_BOOL_TEXT_LOWER(bEnable));
    const bool bSent = SendCommand(EffectCommand::kSetLogOutput,
                                   CVTCommandSetLogOutput(strOutputName, bEnable).ToBuffer());
    const bool bLocal = TarvoLog::Instance().SetLogOutput(strOutputName.c_str(), bEnable);
    return bSent && bLocal;
}

bool VeltraEffectAPIBase::SetSystemVolume(double dVolume) {
    TARVO_LOGD("VeltraEffectAPIBase::SetSystemVolume %f", dVolume);
    return SendCommand(EffectCommand::kSetSystemVolume,
                       CVTCommandSetSystemVolume(dVolume).ToBuffer());
}

bool VeltraEffectAPIBase::GetSupportedOutputModeNames(uint32_t nCount,
                                                      std::vector<unsigned int>& vecIds,
                                                      std::vector<std::string>& vecNames) {
    TARVO_LOGD("VeltraEffectAPIBase::GetSupportedOutputModeNames %d", nCount);
    using Request = EffectCommand::U32Request;
    constexpr uint32_t kBytesPerName = EffectCommand::kOutputModeNameReplySize;
    if (!EffectCommand::FitsCommand(nCount, 0, kBytesPerName)) {
        return false;
    }
    Writer request(Request::kSize);
    request.Put(Request::kValue, nCount);
    std::vector<char> reply(static_cast<size_t>(kBytesPerName) * nCount);
    uint32_t nReplySize = static_cast<uint32_t>(reply.size());
    if (!SendWithReply(*this, EffectCommand::kGetSupportedOutputModeNames, request.Buffer(),
                       nReplySize, reply.empty() ? nullptr : reply.data())) {
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
    if (!EffectCommand::FitsCommand(nCount, 4, 9) || (nCount > 0 && pIsDefault == nullptr)) {
        return false;
    }
    const std::vector<char> request =
        CVTCommandIsDefaultSoundMode(nCount, pFirstValues, pSecondValues, pIsDefault).ToBuffer();
    std::vector<char> reply(request.size());
    uint32_t nReplySize = static_cast<uint32_t>(reply.size());
    if (!SendWithReply(*this, EffectCommand::kIsDefaultSoundMode, request, nReplySize,
                       reply.data())) {
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
    char aReply[EffectCommand::kUnreadReplySize] = {};
    uint32_t nReplySize = sizeof(aReply);
    return SendWithReply(*this, EffectCommand::kLoadPresets, request, nReplySize, aReply);
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
    if (!EffectCommand::FitsCommand(nParametersCount, 17, 12) ||
        (nParametersCount > 0 && (pParams == nullptr || pValues == nullptr))) {
        return false;
    }
    return SendCommand(EffectCommand::kSetParamsArray,
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
    if (!EffectCommand::FitsCommand(nChunkSize, 32, 1) || (nChunkSize > 0 && pChunk == nullptr)) {
        return false;
    }
    const std::vector<char> request =
        CVTCommandSetConfigByChunk(pChunk, nChunkSize, nChecksum, nChunkType).ToBuffer();
    char aReply[EffectCommand::kUnreadReplySize] = {};
    uint32_t nReplySize = sizeof(aReply);
    return SendWithReply(*this, EffectCommand::kSetConfigByChunk, request, nReplySize, aReply);
}

// --- Tuning-server hooks -----------------------------------------------------------

bool VeltraEffectAPIBase::SetMetersServerEnable(bool bEnable) {
    TARVO_LOGD("VeltraEffectAPIBase::SetMetersServerEnable %s", TARVO_BOOL_TEXT(bEnable));
    using Request = EffectCommand::U32Request;
    Writer request(Request::kSize);
    request.Put(Request::kValue, bEnable ? 1 : 0);
    return SendCommand(EffectCommand::kSetMetersServerEnable, Request::kSize,
                       request.Buffer().data());
}

bool VeltraEffectAPIBase::CreateAndListenUnixServerSocket(bool bIsAbstractSocket,
                                                          const std::string& strFilePath) {
    TARVO_LOGD(
        "VeltraEffectAPIBase::CreateAndListenUnixServerSocket bIsAbstractSocket %s strFilePath %s",
        TARVO_BOOL_TEXT(bIsAbstractSocket), strFilePath.c_str());
    return SendCommand(
        EffectCommand::kCreateListenUnixServerSocket,
        CVTCommandCreateListenUnixServerSocket(bIsAbstractSocket, strFilePath.c_str()).ToBuffer());
}

bool VeltraEffectAPIBase::CloseAndDestroyUnixServerSocket(const std::string& strFilePath) {
    TARVO_LOGD("VeltraEffectAPIBase::CloseAndDestroyUnixServerSocket strFilePath %s",
               strFilePath.c_str());
    return SendCommand(EffectCommand::kCloseDestroyUnixServerSocket,
                       CVTCommandCloseDestroyUnixServerSocket(strFilePath.c_str()).ToBuffer());
}

bool VeltraEffectAPIBase::OnVTServerParameterSet(uint32_t nParam, double dValue) {
    TARVO_LOG_ENTRY(
        "virtual bool TarvoFX::VeltraEffectAPIBase::OnVTServerParameterSet(uint32_t, double)");
    const unsigned int nId = nParam;
    return SendTuningParameters(*this, 1, &nId, &dValue);
}

bool VeltraEffectAPIBase::OnVTServerParameterArraySet(const std::vector<unsigned int>& vecParams,
                                                      const std::vector<double>& vecValues) {
    TARVO_LOG_ENTRY(
        "virtual bool TarvoFX::VeltraEffectAPIBase::OnVTServerParameterArraySet(const "
        "std::vector<unsigned int> &, const std::vector<double> &)");
    // Only complete pairs are sent.
    const size_t nCount = std::min(vecParams.size(), vecValues.size());
    return SendTuningParameters(*this, static_cast<uint32_t>(nCount), vecParams.data(),
                                vecValues.data());
}

bool VeltraEffectAPIBase::VTServerParameterArrayGet(std::vector<unsigned int>& vecParams,
                                                    std::vector<double>& vecValues,
                                                    std::vector<bool>& vecFound) {
    using Request = EffectCommand::ParamsArrayRequest;
    const uint32_t nCount = static_cast<uint32_t>(vecParams.size());
    if (!EffectCommand::FitsCommand(nCount, 20, 8)) {
        return false;
    }
    // Every output and sound mode (0xFFFF), every sub-type combined.
    Writer request(Request::kIds);
    request.Put(Request::kOutputMode, 0xFFFF)
        .Put(Request::kSoundMode, 0xFFFF)
        .Put(Request::kSubTypes, 0)
        .Put(Request::kSubTypesCombined, 1)
        .Put(Request::kMustFindAll, 0);
    std::vector<double> vecAnswer(nCount);
    if (!QueryParamsArray(*this, EffectCommand::kParameterArrayGet, std::move(request), nCount,
                          vecParams.data(), vecAnswer.data())) {
        return false;
    }
    vecValues = std::move(vecAnswer);
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
