#include "VeltraEffectAPI/AudioEffectAudioFlinger.h"

#include "VeltraEffectAPI/FxShimWrapper.h"
#include "logging/TarvoLog.h"

namespace TarvoFX {

AudioEffectAudioFlinger::AudioEffectAudioFlinger(FxShimWrapper* pWrapper,
                                                 const IAudioEffect::EffectUUID* pUUID,
                                                 int32_t nPriority, int32_t nSessionID,
                                                 uint32_t nIO, PFN_AUDIOEFFECT_CALLBACK pfnCallback)
    : m_pWrapper(pWrapper), m_hEffect(nullptr) {
    TARVO_LOG_ENTRY(
        "TarvoFX::AudioEffectAudioFlinger::AudioEffectAudioFlinger(TarvoFX::FxShimWrapper *, "
        "const IAudioEffect::EffectUUID *, int32_t, int32_t, uint32_t, "
        "TarvoFX::PFN_AUDIOEFFECT_CALLBACK)");
    m_hEffect =
        m_pWrapper->Create(pUUID, nPriority, nSessionID, static_cast<int32_t>(nIO), pfnCallback);
}

// The handle's address always goes to the shim, also when it is null.
AudioEffectAudioFlinger::~AudioEffectAudioFlinger() {
    m_pWrapper->ReleaseEffect(&m_hEffect);
}

bool AudioEffectAudioFlinger::IsValid() {
    return m_hEffect != nullptr;
}

bool AudioEffectAudioFlinger::InitCheck() {
    if (!IsValid()) {
        return false;
    }
    return m_pWrapper->InitCheck(m_hEffect) != 0;
}

bool AudioEffectAudioFlinger::Command(int32_t nCmdID, uint32_t nSize, void* pData,
                                      uint32_t* pReplySize, void* pReply) {
    if (!IsValid()) {
        return false;
    }
    if (m_pWrapper->Command(m_hEffect, static_cast<uint32_t>(nCmdID), nSize, pData, pReplySize,
                            pReply) != 0) {
        return true;
    }
    TARVO_LOGE("AudioEffectAudioFlinger::Command nCmdID %d Failed!", nCmdID);
    return false;
}

bool AudioEffectAudioFlinger::SetEnabled(bool bEnabled) {
    TARVO_LOGD("AudioEffectAudioFlinger::SetEnabled bEnabled %s", TARVO_BOOL_TEXT(bEnabled));
    if (!IsValid()) {
        return false;
    }
    if (m_pWrapper->SetEnabled(m_hEffect, bEnabled) != 0) {
        return true;
    }
    TARVO_LOGE("AudioEffectAudioFlinger::SetEnabled Failed!");
    return false;
}

AudioEffectBuilderAudioFlinger::AudioEffectBuilderAudioFlinger(FxShimWrapper* pWrapper)
    : m_pWrapper(pWrapper) {
    TARVO_LOG_ENTRY(
        "TarvoFX::AudioEffectBuilderAudioFlinger::AudioEffectBuilderAudioFlinger(TarvoFX::"
        "FxShimWrapper *)");
}

std::shared_ptr<IAudioEffect> AudioEffectBuilderAudioFlinger::Create(
    const IAudioEffect::EffectUUID* pUUID, int32_t nPriority, int32_t nSessionID, uint32_t nIO,
    PFN_AUDIOEFFECT_CALLBACK pfnCallback) {
    TARVO_LOGD("AudioEffectBuilderAudioFlinger::Create nPriority %d nSessionID %d nIO %d",
               nPriority, nSessionID, nIO);
    return std::make_shared<AudioEffectAudioFlinger>(m_pWrapper, pUUID, nPriority, nSessionID, nIO,
                                                     pfnCallback);
}

}  // namespace TarvoFX
