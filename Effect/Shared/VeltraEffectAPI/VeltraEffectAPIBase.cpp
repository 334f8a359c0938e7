// The effect object's lifecycle: construction and destruction, Init and the
// main effect, the registered sessions, SetEnabled with its propagation to
// them, and the four SendCommand forms through which every operation reaches
// the effect.
#include "VeltraEffectAPI/VeltraEffectAPIBase.h"

#include <utility>

#include "Utils/LittleEndian.h"
#include "VTCommands/EffectCommands.h"
#include "VeltraEffectAPI/VeltraEffectAPIBaseRequests.h"
#include "logging/TarvoLog.h"

namespace TarvoFX {

namespace {

using LittleEndian::Reader;

constexpr int32_t kSessionEffectPriority = 10;
constexpr uint32_t kSessionEffectIO = 0;

}  // namespace

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

}  // namespace TarvoFX
