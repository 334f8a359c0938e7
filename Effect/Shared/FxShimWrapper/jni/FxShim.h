// The platform effect shim: android::AudioEffect behind five plain functions,
// exported unmangled and resolved by name at run time.
#pragma once

#include <stdint.h>

#include "VeltraEffectAPI/IAudioEffect.h"
#include "VeltraExport.h"

extern "C" {

VELTRA_EXPORT void* Create(const TarvoFX::IAudioEffect::EffectUUID* pUUID, int32_t nPriority,
                           int32_t nSessionID, int32_t nIO,
                           TarvoFX::PFN_AUDIOEFFECT_CALLBACK pfnCallback);
VELTRA_EXPORT int32_t Command(void* hEffect, uint32_t nCmdCode, uint32_t nCmdSize, void* pCmdData,
                              uint32_t* pReplySize, void* pReplyData);
VELTRA_EXPORT int32_t InitCheck(void* hEffect);
VELTRA_EXPORT int32_t SetEnabled(void* hEffect, bool bEnabled);
VELTRA_EXPORT void ReleaseEffect(void** phEffect);

}  // extern "C"
