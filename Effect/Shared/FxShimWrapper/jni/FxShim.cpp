#include "FxShimWrapper/jni/FxShim.h"

#include <media/AudioEffect.h>
#include <utils/KeyedVector.h>
#include <utils/String16.h>

#include <mutex>

#include "logging/TarvoLog.h"

using android::AudioEffect;
using android::sp;
using TarvoFX::PFN_AUDIOEFFECT_CALLBACK;

// Handle -> platform object; the map's strong reference keeps the object alive.
VELTRA_EXPORT android::KeyedVector<uintptr_t, sp<AudioEffect>> g_mapHandleToAudioEffect;
// Handle -> application callback.
VELTRA_EXPORT android::KeyedVector<uintptr_t, PFN_AUDIOEFFECT_CALLBACK>
    g_mapHandleToAudioEffectCallback;

static_assert(sizeof(TarvoFX::IAudioEffect::EffectUUID) == sizeof(effect_uuid_t),
              "the library's UUID record is the platform's");

namespace {

// Guards both maps: callers create and release on their threads while the
// platform's callback thread walks the callback map.
std::mutex& MapMutex() {
    static std::mutex s_mutex;
    return s_mutex;
}

uintptr_t ToKey(void* hEffect) {
    return reinterpret_cast<uintptr_t>(hEffect);
}

// A strong reference to the object behind a handle, held for one call; null
// when the handle is unknown.
sp<AudioEffect> Lookup(void* hEffect) {
    std::lock_guard<std::mutex> lock(MapMutex());
    ssize_t nIndex = g_mapHandleToAudioEffect.indexOfKey(ToKey(hEffect));
    return nIndex >= 0 ? g_mapHandleToAudioEffect.valueAt(static_cast<size_t>(nIndex))
                       : sp<AudioEffect>();
}

// What an application callback receives for an event: the parameter-changed
// event carries the parameter record's size and data; the status events carry
// their one boolean, the error event its status.
void EventPayload(int32_t nEvent, void* pInfo, int32_t* pnSize, void** ppData) {
    *pnSize = 0;
    *ppData = nullptr;
    if (pInfo == nullptr) {
        return;
    }
    switch (nEvent) {
        case AudioEffect::EVENT_PARAMETER_CHANGED: {
            effect_param_t* pParam = static_cast<effect_param_t*>(pInfo);
            *pnSize = static_cast<int32_t>(pParam->psize);
            *ppData = pParam->data;
            break;
        }
        case AudioEffect::EVENT_CONTROL_STATUS_CHANGED:
        case AudioEffect::EVENT_ENABLE_STATUS_CHANGED:
            *pnSize = static_cast<int32_t>(sizeof(bool));
            *ppData = pInfo;
            break;
        case AudioEffect::EVENT_ERROR:
            *pnSize = static_cast<int32_t>(sizeof(android::status_t));
            *ppData = pInfo;
            break;
        default:
            break;
    }
}

// Registered with every platform object: fans each event out to every
// registered application callback, in handle order. The lock is not held
// while a callback runs, so callbacks may create or release effects.
void AudioEffectCallback(int32_t nEvent, void* pUser, void* pInfo) {
    int32_t nSize = 0;
    void* pData = nullptr;
    EventPayload(nEvent, pInfo, &nSize, &pData);
    for (size_t nPosition = 0;; ++nPosition) {
        PFN_AUDIOEFFECT_CALLBACK pfnCallback = nullptr;
        {
            std::lock_guard<std::mutex> lock(MapMutex());
            if (nPosition >= g_mapHandleToAudioEffectCallback.size()) {
                break;
            }
            pfnCallback = g_mapHandleToAudioEffectCallback.valueAt(nPosition);
        }
        if (pfnCallback != nullptr) {
            pfnCallback(nEvent, pUser, nSize, pData);
        }
    }
}

}  // namespace

extern "C" {

void* Create(const TarvoFX::IAudioEffect::EffectUUID* pUUID, int32_t nPriority, int32_t nSessionID,
             int32_t nIO, PFN_AUDIOEFFECT_CALLBACK pfnCallback) {
    sp<AudioEffect> pAudioEffect;
    {
        android::String16 strPackageName("");
        pAudioEffect = new AudioEffect(
            nullptr, strPackageName, reinterpret_cast<const effect_uuid_t*>(pUUID), nPriority,
            AudioEffectCallback, nullptr, static_cast<audio_session_t>(nSessionID), nIO);
    }
    void* hEffect = pAudioEffect.get();
    std::lock_guard<std::mutex> lock(MapMutex());
    g_mapHandleToAudioEffect.add(ToKey(hEffect), pAudioEffect);
    g_mapHandleToAudioEffectCallback.add(ToKey(hEffect), pfnCallback);
    return hEffect;
}

int32_t Command(void* hEffect, uint32_t nCmdCode, uint32_t nCmdSize, void* pCmdData,
                uint32_t* pReplySize, void* pReplyData) {
    sp<AudioEffect> pAudioEffect = Lookup(hEffect);
    if (pAudioEffect == nullptr) {
        TARVO_LOGE("pAudioEffect is NULL");
        return 0;
    }
    android::status_t nResult =
        pAudioEffect->command(nCmdCode, nCmdSize, pCmdData, pReplySize, pReplyData);
    if (nResult != android::NO_ERROR) {
        TARVO_LOGE("nCmdID = %u result = %d", nCmdCode, nResult);
        return 0;
    }
    return 1;
}

int32_t InitCheck(void* hEffect) {
    sp<AudioEffect> pAudioEffect = Lookup(hEffect);
    if (pAudioEffect == nullptr) {
        TARVO_LOGE("pAudioEffect is NULL");
        return 0;
    }
    android::status_t nResult = pAudioEffect->initCheck();
    if (nResult != android::NO_ERROR && nResult != android::ALREADY_EXISTS) {
        TARVO_LOGE("result = %d", nResult);
    }
    return nResult == android::NO_ERROR ? 1 : 0;
}

int32_t SetEnabled(void* hEffect, bool bEnabled) {
    sp<AudioEffect> pAudioEffect = Lookup(hEffect);
    if (pAudioEffect == nullptr) {
        TARVO_LOGE("pAudioEffect is NULL");
        return 0;
    }
    android::status_t nResult = pAudioEffect->setEnabled(bEnabled);
    if (nResult != android::NO_ERROR) {
        TARVO_LOGE("enabled = %s, result = %d", TARVO_BOOL_TEXT_LOWER(bEnabled), nResult);
        return 0;
    }
    return 1;
}

void ReleaseEffect(void** phEffect) {
    void* hEffect = phEffect != nullptr ? *phEffect : nullptr;
    sp<AudioEffect> pReleased;  // dropped after the lock, outside the map
    bool bFound = false;
    {
        std::lock_guard<std::mutex> lock(MapMutex());
        ssize_t nIndex = g_mapHandleToAudioEffect.indexOfKey(ToKey(hEffect));
        if (nIndex >= 0) {
            pReleased = g_mapHandleToAudioEffect.valueAt(static_cast<size_t>(nIndex));
            g_mapHandleToAudioEffect.removeItemsAt(static_cast<size_t>(nIndex));
            bFound = true;
        }
        g_mapHandleToAudioEffectCallback.removeItem(ToKey(hEffect));
    }
    if (!bFound) {
        TARVO_LOGE("try to delete a NULL AudioEffect object");
    }
}

}  // extern "C"
