// The platform effect shim: android::AudioEffect behind five plain functions,
// exported unmangled and resolved by name at run time by libveltraeffectapi.
//
// The int32 results are 1 for success and 0 for failure: the opposite of the
// platform's status codes, where 0 is success.
#pragma once

#include <stdint.h>

#include "VeltraEffectAPI/IAudioEffect.h"
#include "VeltraExport.h"

extern "C" {

// A new android::AudioEffect (no type UUID, implementation pUUID) on the
// session and io handle with the priority; its events go to every registered
// callback. Its handle, for the other functions.
VELTRA_EXPORT void* Create(const TarvoFX::IAudioEffect::EffectUUID* pUUID, int32_t nPriority,
                           int32_t nSessionID, int32_t nIO,
                           TarvoFX::PFN_AUDIOEFFECT_CALLBACK pfnCallback);
// The platform's command call; 1 when its status was 0, 0 for an unknown
// handle or another status.
VELTRA_EXPORT int32_t Command(void* hEffect, uint32_t nCmdCode, uint32_t nCmdSize, void* pCmdData,
                              uint32_t* pReplySize, void* pReplyData);
// 1 when the platform effect initialised, 0 for an unknown handle or an
// effect that did not.
VELTRA_EXPORT int32_t InitCheck(void* hEffect);
// 1 when the platform accepted the enable state, else 0.
VELTRA_EXPORT int32_t SetEnabled(void* hEffect, bool bEnabled);
// Drops the handle's effect and callback (an error record for an unknown one).
VELTRA_EXPORT void ReleaseEffect(void** phEffect);

}  // extern "C"
