// The exported factory of effect objects and its statics: the effect UUIDs,
// the effect type names and the process-wide shim loader.
#include "VeltraEffectAPI/VeltraEffectAPIBase.h"

#include <memory>
#include <utility>

#include "Utils/LastingStatic.h"
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

}  // namespace TarvoFX
