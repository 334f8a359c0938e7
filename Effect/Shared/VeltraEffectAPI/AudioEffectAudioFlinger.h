// An effect instance in the platform audio server, reached through the shim
// loader, and the builder that makes such instances.
#pragma once

#include <stdint.h>

#include <memory>

#include "VeltraEffectAPI/IAudioEffect.h"

namespace TarvoFX {

class FxShimWrapper;

class AudioEffectAudioFlinger : public IAudioEffect {
public:
    // Creates the platform instance; never fails (a refused instance shows
    // up through InitCheck, a missing shim as an instance without handle).
    AudioEffectAudioFlinger(FxShimWrapper* pWrapper, const IAudioEffect::EffectUUID* pUUID,
                            int32_t nPriority, int32_t nSessionID, uint32_t nIO,
                            PFN_AUDIOEFFECT_CALLBACK pfnCallback);
    ~AudioEffectAudioFlinger() override;

    AudioEffectAudioFlinger(const AudioEffectAudioFlinger&) = delete;
    AudioEffectAudioFlinger& operator=(const AudioEffectAudioFlinger&) = delete;

    bool InitCheck() override;
    bool IsValid() override;
    bool Command(int32_t nCmdID, uint32_t nSize, void* pData, uint32_t* pReplySize,
                 void* pReply) override;
    bool SetEnabled(bool bEnabled) override;

private:
    FxShimWrapper* m_pWrapper;
    void* m_hEffect;
};

class AudioEffectBuilderAudioFlinger : public IAudioEffectBuilder {
public:
    explicit AudioEffectBuilderAudioFlinger(FxShimWrapper* pWrapper);

    std::shared_ptr<IAudioEffect> Create(const IAudioEffect::EffectUUID* pUUID, int32_t nPriority,
                                         int32_t nSessionID, uint32_t nIO,
                                         PFN_AUDIOEFFECT_CALLBACK pfnCallback) override;

private:
    FxShimWrapper* m_pWrapper;
};

}  // namespace TarvoFX
