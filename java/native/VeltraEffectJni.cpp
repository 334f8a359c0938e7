// The native side of veltraeffectapi.VeltraEffect: each method calls one
// operation of the library's effect object, converting Java arrays, texts and
// results; and the platform's events, which reach a plain callback on the
// platform's own thread with no user pointer, are delivered to the Java
// listeners.
//
// Events: the shim calls every callback registered with any live effect
// instance, once per instance. Each object with a listener gets a callback
// of its own (one of a fixed set of functions, one per slot), so a call tells
// which object it is for, and every platform event reaches each such object
// once per effect instance it holds (normally its one main instance). A slot
// leaves the Open state under the lock before its object is deleted; a call
// that finds it not Open returns without calling Java, and close waits for a
// call already past that check, so a closed object's listener is never called
// again.
#include <jni.h>
#include <pthread.h>
#include <stdint.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "VeltraEffectAPI/VeltraEffectAPIBase.h"
// The prototypes javac generates from the jar, which the CMake build makes
// and hands over so that the compiler checks every native method against its
// Java declaration. A device-tree build has no such step; there the
// definitions below stand alone.
#if __has_include("veltraeffectapi_VeltraEffect.h")
#include "veltraeffectapi_VeltraEffect.h"
#endif

using TarvoFX::PFN_AUDIOEFFECT_CALLBACK;
using TarvoFX::VeltraEffectAPIBase;
using TarvoFX::VeltraEffectFactory;

namespace {

constexpr size_t kSlots = veltraeffectapi_VeltraEffect_MAX_OBJECTS_WITH_LISTENER;

JavaVM* g_pVM = nullptr;
// Set when the VM begins to exit; threads ending after that are not detached
// (the VM no longer lets a thread in to detach, and the process is ending).
std::atomic<bool> g_bVMExiting{false};
// Set on a platform thread that this library attached; its destructor
// detaches the thread when it ends.
pthread_key_t g_attachedKey;
jmethodID g_onEvent = nullptr;
jclass g_integerClass = nullptr;
jmethodID g_integerValueOf = nullptr;
jclass g_activeModesClass = nullptr;
jmethodID g_activeModesInit = nullptr;
jclass g_outputModeClass = nullptr;
jmethodID g_outputModeInit = nullptr;
jclass g_userPresetChunkClass = nullptr;
jmethodID g_userPresetChunkInit = nullptr;

enum class SlotState { Free, Open, Closing };

struct Slot {
    SlotState eState = SlotState::Free;
    jobject listener = nullptr;  // global reference while Open or Closing
    int nInFlight = 0;           // listener calls past the Open check
};

std::mutex g_slotMutex;
std::condition_variable g_slotCv;
std::array<Slot, kSlots> g_slots;
// The slot whose listener this thread is calling, if any: a listener that
// closes its own object must not wait for itself.
thread_local size_t tl_nCallingSlot = kSlots;

// What the Java object holds in its long.
struct NativeEffect {
    std::unique_ptr<VeltraEffectAPIBase> pEffect;
    size_t nSlot = kSlots;  // kSlots: no listener
};

NativeEffect* FromHandle(jlong nHandle) {
    return reinterpret_cast<NativeEffect*>(static_cast<intptr_t>(nHandle));
}
VeltraEffectAPIBase& Effect(jlong nHandle) {
    return *FromHandle(nHandle)->pEffect;
}

void DetachOnThreadEnd(void* /*pValue*/) {
    JavaVM* pVM = g_pVM;
    JNIEnv* pEnv = nullptr;
    if (pVM != nullptr && !g_bVMExiting.load() &&
        pVM->GetEnv(reinterpret_cast<void**>(&pEnv), JNI_VERSION_1_6) == JNI_OK) {
        pVM->DetachCurrentThread();
    }
}

// The calling thread's JNIEnv, attaching a platform thread (as a daemon, so
// that it never holds the VM up at exit) the first time it calls.
JNIEnv* CurrentEnv() {
    JNIEnv* pEnv = nullptr;
    jint nStatus = g_pVM->GetEnv(reinterpret_cast<void**>(&pEnv), JNI_VERSION_1_6);
    if (nStatus == JNI_OK) {
        return pEnv;
    }
    if (nStatus != JNI_EDETACHED) {
        return nullptr;
    }
    JavaVMAttachArgs args{JNI_VERSION_1_6, const_cast<char*>("veltra-effect-events"), nullptr};
    if (g_pVM->AttachCurrentThreadAsDaemon(reinterpret_cast<void**>(&pEnv), &args) != JNI_OK) {
        return nullptr;
    }
    pthread_setspecific(g_attachedKey, g_pVM);
    return pEnv;
}

void DeliverEvent(size_t nSlot, int32_t nEvent, int32_t nSize, void* pData) {
    JNIEnv* pEnv = CurrentEnv();
    if (pEnv == nullptr) {
        return;
    }
    jobject listener = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_slotMutex);
        Slot& slot = g_slots[nSlot];
        if (slot.eState != SlotState::Open) {
            return;
        }
        ++slot.nInFlight;
        listener = slot.listener;
    }
    // Every local reference of this call goes with its frame: the platform's
    // thread never returns to Java, so nothing else would free them.
    if (pEnv->PushLocalFrame(1) == JNI_OK) {
        const jsize nLength = (nSize > 0 && pData != nullptr) ? nSize : 0;
        jbyteArray data = pEnv->NewByteArray(nLength);
        if (data != nullptr) {
            pEnv->SetByteArrayRegion(data, 0, nLength, static_cast<const jbyte*>(pData));
            const size_t nOuterSlot = tl_nCallingSlot;
            tl_nCallingSlot = nSlot;
            pEnv->CallVoidMethod(listener, g_onEvent, static_cast<jint>(nEvent), data);
            tl_nCallingSlot = nOuterSlot;
        }
        // A listener's exception (or a failed allocation) ends here: the
        // platform's thread has no Java caller to pass it to.
        if (pEnv->ExceptionCheck()) {
            pEnv->ExceptionDescribe();
        }
        pEnv->PopLocalFrame(nullptr);
    } else {
        pEnv->ExceptionClear();
    }
    {
        std::lock_guard<std::mutex> lock(g_slotMutex);
        Slot& slot = g_slots[nSlot];
        if (--slot.nInFlight == 0 && slot.eState == SlotState::Closing &&
            slot.listener == nullptr) {
            slot.eState = SlotState::Free;
        }
    }
    g_slotCv.notify_all();
}

template <size_t N>
void SlotCallback(int32_t nEvent, void* /*pUser*/, int32_t nSize, void* pData) {
    DeliverEvent(N, nEvent, nSize, pData);
}

template <size_t... N>
constexpr std::array<PFN_AUDIOEFFECT_CALLBACK, sizeof...(N)> MakeCallbacks(
    std::index_sequence<N...>) {
    return {&SlotCallback<N>...};
}
constexpr std::array<PFN_AUDIOEFFECT_CALLBACK, kSlots> kCallbacks =
    MakeCallbacks(std::make_index_sequence<kSlots>());

void Throw(JNIEnv* pEnv, const char* szClass, const char* szMessage) {
    jclass cls = pEnv->FindClass(szClass);
    if (cls != nullptr) {
        pEnv->ThrowNew(cls, szMessage);
        pEnv->DeleteLocalRef(cls);
    }
}

// --- Conversions of arguments and results ------------------------------------

std::string Text(JNIEnv* pEnv, jbyteArray bytes) {
    const jsize nLength = pEnv->GetArrayLength(bytes);
    std::string strText(static_cast<size_t>(nLength), '\0');
    pEnv->GetByteArrayRegion(bytes, 0, nLength, reinterpret_cast<jbyte*>(&strText[0]));
    return strText;
}

std::vector<char> Bytes(JNIEnv* pEnv, jbyteArray bytes) {
    const jsize nLength = pEnv->GetArrayLength(bytes);
    std::vector<char> data(static_cast<size_t>(nLength));
    pEnv->GetByteArrayRegion(bytes, 0, nLength, reinterpret_cast<jbyte*>(data.data()));
    return data;
}

std::vector<unsigned int> Ids(JNIEnv* pEnv, jintArray ids) {
    const jsize nLength = pEnv->GetArrayLength(ids);
    std::vector<jint> values(static_cast<size_t>(nLength));
    pEnv->GetIntArrayRegion(ids, 0, nLength, values.data());
    return std::vector<unsigned int>(values.begin(), values.end());
}

std::vector<double> Doubles(JNIEnv* pEnv, jdoubleArray values) {
    const jsize nLength = pEnv->GetArrayLength(values);
    std::vector<double> result(static_cast<size_t>(nLength));
    pEnv->GetDoubleArrayRegion(values, 0, nLength, result.data());
    return result;
}

jbyteArray NewBytes(JNIEnv* pEnv, const void* pData, size_t nSize) {
    const jsize nLength = static_cast<jsize>(nSize);
    jbyteArray result = pEnv->NewByteArray(nLength);
    if (result != nullptr) {
        pEnv->SetByteArrayRegion(result, 0, nLength, static_cast<const jbyte*>(pData));
    }
    return result;
}

jdoubleArray NewDoubles(JNIEnv* pEnv, const std::vector<double>& values) {
    const jsize nLength = static_cast<jsize>(values.size());
    jdoubleArray result = pEnv->NewDoubleArray(nLength);
    if (result != nullptr) {
        pEnv->SetDoubleArrayRegion(result, 0, nLength, values.data());
    }
    return result;
}

jintArray NewInts(JNIEnv* pEnv, const std::vector<unsigned int>& values) {
    const std::vector<jint> ints(values.begin(), values.end());
    const jsize nLength = static_cast<jsize>(ints.size());
    jintArray result = pEnv->NewIntArray(nLength);
    if (result != nullptr) {
        pEnv->SetIntArrayRegion(result, 0, nLength, ints.data());
    }
    return result;
}

jobject NewInteger(JNIEnv* pEnv, uint32_t nValue) {
    return pEnv->CallStaticObjectMethod(g_integerClass, g_integerValueOf,
                                        static_cast<jint>(nValue));
}

jboolean Result(bool bOk) {
    return bOk ? JNI_TRUE : JNI_FALSE;
}

bool CacheClass(JNIEnv* pEnv, const char* szName, jclass& cls) {
    jclass local = pEnv->FindClass(szName);
    if (local == nullptr) {
        return false;
    }
    cls = static_cast<jclass>(pEnv->NewGlobalRef(local));
    pEnv->DeleteLocalRef(local);
    return cls != nullptr;
}

}  // namespace

extern "C" {

JNIEXPORT jint JNI_OnLoad(JavaVM* pVM, void* /*pReserved*/) {
    JNIEnv* pEnv = nullptr;
    if (pVM->GetEnv(reinterpret_cast<void**>(&pEnv), JNI_VERSION_1_6) != JNI_OK) {
        return JNI_ERR;
    }
    jclass listenerClass = pEnv->FindClass("veltraeffectapi/EffectListener");
    if (listenerClass == nullptr) {
        return JNI_ERR;
    }
    g_onEvent = pEnv->GetMethodID(listenerClass, "onEvent", "(I[B)V");
    pEnv->DeleteLocalRef(listenerClass);
    if (g_onEvent == nullptr || !CacheClass(pEnv, "java/lang/Integer", g_integerClass) ||
        !CacheClass(pEnv, "veltraeffectapi/ActiveModes", g_activeModesClass) ||
        !CacheClass(pEnv, "veltraeffectapi/OutputMode", g_outputModeClass) ||
        !CacheClass(pEnv, "veltraeffectapi/UserPresetChunk", g_userPresetChunkClass)) {
        return JNI_ERR;
    }
    g_integerValueOf = pEnv->GetStaticMethodID(g_integerClass, "valueOf", "(I)Ljava/lang/Integer;");
    g_activeModesInit = pEnv->GetMethodID(g_activeModesClass, "<init>", "(IIII)V");
    g_outputModeInit = pEnv->GetMethodID(g_outputModeClass, "<init>", "(ILjava/lang/String;)V");
    g_userPresetChunkInit = pEnv->GetMethodID(g_userPresetChunkClass, "<init>", "([BII)V");
    if (g_integerValueOf == nullptr || g_activeModesInit == nullptr ||
        g_outputModeInit == nullptr || g_userPresetChunkInit == nullptr) {
        return JNI_ERR;
    }
    if (pthread_key_create(&g_attachedKey, DetachOnThreadEnd) != 0) {
        return JNI_ERR;
    }
    g_pVM = pVM;
    return JNI_VERSION_1_6;
}

// --- Lifecycle ---------------------------------------------------------------

JNIEXPORT void JNICALL Java_veltraeffectapi_VeltraEffect_nativeVmExiting(JNIEnv*, jclass) {
    g_bVMExiting.store(true);
}

JNIEXPORT jlong JNICALL Java_veltraeffectapi_VeltraEffect_nativeCreate(JNIEnv* pEnv, jclass,
                                                                       jbyteArray name, jint nIO,
                                                                       jobject listener) {
    auto pNative = std::make_unique<NativeEffect>();
    PFN_AUDIOEFFECT_CALLBACK pfnCallback = nullptr;
    if (listener != nullptr) {
        jobject global = pEnv->NewGlobalRef(listener);
        if (global == nullptr) {
            return 0;  // OutOfMemoryError pending
        }
        std::lock_guard<std::mutex> lock(g_slotMutex);
        for (size_t n = 0; n < kSlots; ++n) {
            if (g_slots[n].eState == SlotState::Free) {
                g_slots[n].eState = SlotState::Open;
                g_slots[n].listener = global;
                pNative->nSlot = n;
                break;
            }
        }
        if (pNative->nSlot == kSlots) {
            pEnv->DeleteGlobalRef(global);
            Throw(pEnv, "java/lang/IllegalStateException",
                  "too many effect objects with a listener are open");
            return 0;
        }
        pfnCallback = kCallbacks[pNative->nSlot];
    }
    pNative->pEffect.reset(
        VeltraEffectFactory::CreateVeltraEffect(Text(pEnv, name), nIO, pfnCallback));
    return static_cast<jlong>(reinterpret_cast<intptr_t>(pNative.release()));
}

JNIEXPORT void JNICALL Java_veltraeffectapi_VeltraEffect_nativeDetachListener(JNIEnv* pEnv, jclass,
                                                                              jlong nHandle) {
    const size_t nSlot = FromHandle(nHandle)->nSlot;
    if (nSlot == kSlots) {
        return;
    }
    std::unique_lock<std::mutex> lock(g_slotMutex);
    Slot& slot = g_slots[nSlot];
    slot.eState = SlotState::Closing;
    // A listener closing its own object is the one call left in flight.
    const int nOwnCall = (tl_nCallingSlot == nSlot) ? 1 : 0;
    g_slotCv.wait(lock, [&slot, nOwnCall] { return slot.nInFlight == nOwnCall; });
    pEnv->DeleteGlobalRef(slot.listener);
    slot.listener = nullptr;
    if (slot.nInFlight == 0) {
        slot.eState = SlotState::Free;
    }
}

JNIEXPORT void JNICALL Java_veltraeffectapi_VeltraEffect_nativeDelete(JNIEnv*, jclass,
                                                                      jlong nHandle) {
    delete FromHandle(nHandle);
}

// --- Operations --------------------------------------------------------------

JNIEXPORT jboolean JNICALL Java_veltraeffectapi_VeltraEffect_nativeInit(JNIEnv*, jclass,
                                                                        jlong nHandle,
                                                                        jint nPriority,
                                                                        jint nSession) {
    return Result(Effect(nHandle).Init(nPriority, nSession));
}

JNIEXPORT jboolean JNICALL Java_veltraeffectapi_VeltraEffect_nativeSetEnabled(JNIEnv* pEnv, jclass,
                                                                              jlong nHandle,
                                                                              jbyteArray alg,
                                                                              jboolean bEnabled) {
    return Result(Effect(nHandle).SetEnabled(Text(pEnv, alg), bEnabled == JNI_TRUE));
}

JNIEXPORT jboolean JNICALL Java_veltraeffectapi_VeltraEffect_nativeSetFlag(JNIEnv*, jclass,
                                                                           jlong nHandle,
                                                                           jint nFlag,
                                                                           jboolean bValue) {
    VeltraEffectAPIBase& effect = Effect(nHandle);
    const bool bOn = bValue == JNI_TRUE;
    switch (nFlag) {
        case veltraeffectapi_VeltraEffect_FLAG_OUTPUT_DEVICE_DETECTION:
            return Result(effect.SetOutputDeviceDetectionEnabled(bOn));
        case veltraeffectapi_VeltraEffect_FLAG_VELT_SENSE:
            return Result(effect.SetVeltSenseEnabled(bOn));
        case veltraeffectapi_VeltraEffect_FLAG_SMOOTHING:
            return Result(effect.SetSmoothingEnable(bOn));
        case veltraeffectapi_VeltraEffect_FLAG_METERS_SERVER:
            return Result(effect.SetMetersServerEnable(bOn));
        case veltraeffectapi_VeltraEffect_FLAG_SENSOR_FUSION:
            return Result(effect.SetSensorFusionEnabled(bOn));
        default:
            return JNI_FALSE;
    }
}

JNIEXPORT jboolean JNICALL Java_veltraeffectapi_VeltraEffect_nativeNoData(JNIEnv*, jclass,
                                                                          jlong nHandle, jint nOp) {
    VeltraEffectAPIBase& effect = Effect(nHandle);
    switch (nOp) {
        case veltraeffectapi_VeltraEffect_OP_CLEAR_PARAMS:
            return Result(effect.ClearParams());
        case veltraeffectapi_VeltraEffect_OP_CLOSE_CLIENT_PIPE:
            return Result(effect.CloseClientPipe());
        case veltraeffectapi_VeltraEffect_OP_RECORDING_DISABLE:
            return Result(effect.SetRecordingDisable());
        case veltraeffectapi_VeltraEffect_OP_CALIBRATE_KV:
            return Result(effect.CalibrateKv());
        case veltraeffectapi_VeltraEffect_OP_GET_SESSION_DATA:
            return Result(effect.GetSessionData());
        case veltraeffectapi_VeltraEffect_OP_CLEAR_CONFIG:
            return Result(effect.ClearConfig());
        case veltraeffectapi_VeltraEffect_OP_DUMP:
            return Result(effect.Dump());
        default:
            return JNI_FALSE;
    }
}

JNIEXPORT jboolean JNICALL Java_veltraeffectapi_VeltraEffect_nativeText(JNIEnv* pEnv, jclass,
                                                                        jlong nHandle, jint nOp,
                                                                        jbyteArray text) {
    VeltraEffectAPIBase& effect = Effect(nHandle);
    const std::string strText = Text(pEnv, text);
    switch (nOp) {
        case veltraeffectapi_VeltraEffect_OP_OPEN_CLIENT_PIPE:
            return Result(effect.OpenClientPipe(strText));
        case veltraeffectapi_VeltraEffect_OP_SAVE_PRESETS:
            return Result(effect.SavePresets(strText));
        case veltraeffectapi_VeltraEffect_OP_SAVE_USER_PRESETS:
            return Result(effect.SaveUserPresets(strText));
        case veltraeffectapi_VeltraEffect_OP_RECORDING_ENABLE:
            return Result(effect.SetRecordingEnable(strText));
        case veltraeffectapi_VeltraEffect_OP_CLOSE_UNIX_SOCKET:
            return Result(effect.CloseAndDestroyUnixServerSocket(strText));
        default:
            return JNI_FALSE;
    }
}

JNIEXPORT jboolean JNICALL Java_veltraeffectapi_VeltraEffect_nativeSetInt(JNIEnv*, jclass,
                                                                          jlong nHandle,
                                                                          jint nWhich,
                                                                          jint nValue) {
    VeltraEffectAPIBase& effect = Effect(nHandle);
    switch (nWhich) {
        case veltraeffectapi_VeltraEffect_INT_OUTPUT_MODE:
            return Result(effect.SetOutputMode(nValue));
        case veltraeffectapi_VeltraEffect_INT_SOUND_MODE:
            return Result(effect.SetSoundMode(nValue));
        case veltraeffectapi_VeltraEffect_INT_TRACKING_DATA_RATE:
            // The Java side checked the range.
            return Result(effect.SetTrackingDataRate(static_cast<uint16_t>(nValue)));
        case veltraeffectapi_VeltraEffect_INT_PRESET_SELECTOR_INDEX:
            return Result(effect.SetPresetSelectorIndex(nValue));
        default:
            return JNI_FALSE;
    }
}

JNIEXPORT jboolean JNICALL Java_veltraeffectapi_VeltraEffect_nativeClearParamsArray(
    JNIEnv* pEnv, jclass, jlong nHandle, jintArray params, jint nOM, jint nSM, jint nSubTypes,
    jboolean bAlsoClearBase) {
    const std::vector<unsigned int> ids = Ids(pEnv, params);
    return Result(Effect(nHandle).ClearParamsArray(static_cast<uint32_t>(ids.size()), ids.data(),
                                                   nOM, nSM, static_cast<uint32_t>(nSubTypes),
                                                   bAlsoClearBase == JNI_TRUE));
}

JNIEXPORT jboolean JNICALL Java_veltraeffectapi_VeltraEffect_nativeSetTagEx(JNIEnv*, jclass,
                                                                            jlong nHandle, jint nOM,
                                                                            jint nSM, jint nDisable,
                                                                            jint nEnable) {
    return Result(Effect(nHandle).SetTagEx(nOM, nSM, static_cast<uint32_t>(nDisable),
                                           static_cast<uint32_t>(nEnable)));
}

JNIEXPORT jobject JNICALL Java_veltraeffectapi_VeltraEffect_nativeGetTag(JNIEnv* pEnv, jclass,
                                                                         jlong nHandle, jint nOM,
                                                                         jint nSM,
                                                                         jboolean bSupported) {
    uint32_t nTag = 0;
    const bool bOk = bSupported == JNI_TRUE ? Effect(nHandle).GetSupportedTag(nOM, nSM, nTag)
                                            : Effect(nHandle).GetTag(nOM, nSM, nTag);
    return bOk ? NewInteger(pEnv, nTag) : nullptr;
}

JNIEXPORT jobject JNICALL Java_veltraeffectapi_VeltraEffect_nativeGetActive(JNIEnv* pEnv, jclass,
                                                                            jlong nHandle) {
    uint16_t nOM = 0, nSM = 0, nMT = 0;
    uint32_t nTag = 0;
    if (!Effect(nHandle).GetActive(nOM, nSM, nMT, nTag)) {
        return nullptr;
    }
    return pEnv->NewObject(g_activeModesClass, g_activeModesInit, static_cast<jint>(nOM),
                           static_cast<jint>(nSM), static_cast<jint>(nMT), static_cast<jint>(nTag));
}

JNIEXPORT jboolean JNICALL Java_veltraeffectapi_VeltraEffect_nativeSetLogLevel(JNIEnv* pEnv, jclass,
                                                                               jlong nHandle,
                                                                               jbyteArray tag,
                                                                               jint nLevel) {
    return Result(Effect(nHandle).SetLogLevel(Text(pEnv, tag), nLevel));
}

JNIEXPORT jboolean JNICALL Java_veltraeffectapi_VeltraEffect_nativeLoadPresets(JNIEnv* pEnv, jclass,
                                                                               jlong nHandle,
                                                                               jbyteArray mps,
                                                                               jbyteArray user) {
    return Result(Effect(nHandle).LoadPresets(Text(pEnv, mps), Text(pEnv, user)));
}

JNIEXPORT jboolean JNICALL Java_veltraeffectapi_VeltraEffect_nativeLoadPresetsFromChunk(
    JNIEnv* pEnv, jclass, jlong nHandle, jbyteArray chunk, jint nChecksum, jint nChunkType,
    jboolean bIsBase) {
    const std::vector<char> data = Bytes(pEnv, chunk);
    return Result(Effect(nHandle).LoadPresetsFromChunk(
        data.data(), static_cast<uint32_t>(data.size()), static_cast<uint32_t>(nChecksum),
        static_cast<uint32_t>(nChunkType), bIsBase == JNI_TRUE));
}

JNIEXPORT jobject JNICALL Java_veltraeffectapi_VeltraEffect_nativeSaveUserPresetToChunk(
    JNIEnv* pEnv, jclass, jlong nHandle, jint nCapacity, jint nValue, jint nInOutValue) {
    std::vector<char> chunk(static_cast<size_t>(nCapacity));
    uint32_t nChunkSize = static_cast<uint32_t>(nCapacity);
    uint32_t nOutValue = 0;
    uint32_t nInOut = static_cast<uint32_t>(nInOutValue);
    if (!Effect(nHandle).SaveUserPresetToChunk(chunk.data(), nChunkSize,
                                               static_cast<uint32_t>(nValue), nOutValue, nInOut)) {
        return nullptr;
    }
    jbyteArray bytes = NewBytes(pEnv, chunk.data(), nChunkSize);
    if (bytes == nullptr) {
        return nullptr;
    }
    jobject result = pEnv->NewObject(g_userPresetChunkClass, g_userPresetChunkInit, bytes,
                                     static_cast<jint>(nOutValue), static_cast<jint>(nInOut));
    pEnv->DeleteLocalRef(bytes);
    return result;
}

JNIEXPORT jboolean JNICALL Java_veltraeffectapi_VeltraEffect_nativePresetSetParamsArrayEx(
    JNIEnv* pEnv, jclass, jlong nHandle, jintArray params, jdoubleArray values, jint nOM, jint nSM,
    jint nSubType, jboolean bAddNonexisting) {
    const std::vector<unsigned int> ids = Ids(pEnv, params);
    const std::vector<double> doubles = Doubles(pEnv, values);
    return Result(Effect(nHandle).Preset_SetParamsArrayEx(
        static_cast<uint32_t>(ids.size()), ids.data(), doubles.data(), nOM, nSM,
        static_cast<uint32_t>(nSubType), bAddNonexisting == JNI_TRUE));
}

JNIEXPORT jdoubleArray JNICALL Java_veltraeffectapi_VeltraEffect_nativeGetParams(
    JNIEnv* pEnv, jclass, jlong nHandle, jint nWhich, jintArray params, jint nOM, jint nSM,
    jint nSubType, jboolean bCombined, jboolean bMustFindAll) {
    const std::vector<unsigned int> ids = Ids(pEnv, params);
    std::vector<double> values(ids.size());
    const uint32_t nCount = static_cast<uint32_t>(ids.size());
    const uint32_t nSub = static_cast<uint32_t>(nSubType);
    const bool bComb = bCombined == JNI_TRUE;
    const bool bAll = bMustFindAll == JNI_TRUE;
    VeltraEffectAPIBase& effect = Effect(nHandle);
    bool bOk = false;
    switch (nWhich) {
        case veltraeffectapi_VeltraEffect_GET_USER:
            bOk = effect.Preset_GetUserParamsArray(nCount, ids.data(), values.data(), nOM, nSM,
                                                   nSub, bComb, bAll);
            break;
        case veltraeffectapi_VeltraEffect_GET_BASE:
            bOk = effect.Preset_GetBaseParamsArray(nCount, ids.data(), values.data(), nOM, nSM,
                                                   nSub, bComb, bAll);
            break;
        case veltraeffectapi_VeltraEffect_GET_EITHER_USER:
        case veltraeffectapi_VeltraEffect_GET_EITHER_BASE:
            bOk = effect.Preset_GetParamsArray(
                nCount, ids.data(), values.data(), nOM, nSM, nSub, bComb, bAll,
                nWhich == veltraeffectapi_VeltraEffect_GET_EITHER_USER);
            break;
        default:
            break;
    }
    return bOk ? NewDoubles(pEnv, values) : nullptr;
}

JNIEXPORT jdoubleArray JNICALL Java_veltraeffectapi_VeltraEffect_nativeVtServerParameterArrayGet(
    JNIEnv* pEnv, jclass, jlong nHandle, jintArray params) {
    std::vector<unsigned int> ids = Ids(pEnv, params);
    std::vector<double> values;
    std::vector<bool> found;
    if (!Effect(nHandle).VTServerParameterArrayGet(ids, values, found)) {
        return nullptr;
    }
    return NewDoubles(pEnv, values);
}

JNIEXPORT jboolean JNICALL Java_veltraeffectapi_VeltraEffect_nativeSetCustomOutputMode(
    JNIEnv*, jclass, jlong nHandle, jint nFirst, jint nSecond) {
    return Result(Effect(nHandle).SetCustomOutputMode(nFirst, nSecond));
}

JNIEXPORT jboolean JNICALL Java_veltraeffectapi_VeltraEffect_nativeSetTcpIpEnable(JNIEnv*, jclass,
                                                                                  jlong nHandle,
                                                                                  jboolean bEnable,
                                                                                  jint nPort) {
    return Result(Effect(nHandle).SetTcpIpEnable(bEnable == JNI_TRUE, nPort));
}

JNIEXPORT jobject JNICALL Java_veltraeffectapi_VeltraEffect_nativeGetCount(JNIEnv* pEnv, jclass,
                                                                           jlong nHandle,
                                                                           jint nWhich) {
    uint32_t nCount = 0;
    const bool bOk = nWhich == veltraeffectapi_VeltraEffect_COUNT_OUTPUT_MODES
                         ? Effect(nHandle).GetSupportedOutputModeCount(nCount)
                         : Effect(nHandle).GetSupportedSoundModeCount(nCount);
    return bOk ? NewInteger(pEnv, nCount) : nullptr;
}

JNIEXPORT jobjectArray JNICALL Java_veltraeffectapi_VeltraEffect_nativeGetSupportedOutputModeNames(
    JNIEnv* pEnv, jclass, jlong nHandle, jint nCount) {
    std::vector<unsigned int> ids;
    std::vector<std::string> names;
    if (!Effect(nHandle).GetSupportedOutputModeNames(static_cast<uint32_t>(nCount), ids, names)) {
        return nullptr;
    }
    jobjectArray result =
        pEnv->NewObjectArray(static_cast<jsize>(ids.size()), g_outputModeClass, nullptr);
    for (size_t n = 0; result != nullptr && n < ids.size(); ++n) {
        // The names are the effect's bytes; NewStringUTF would need modified
        // UTF-8, so they become a Java string through a byte array.
        jbyteArray bytes = NewBytes(pEnv, names[n].data(), names[n].size());
        jstring name = nullptr;
        if (bytes != nullptr) {
            jclass stringClass = pEnv->FindClass("java/lang/String");
            jmethodID init = stringClass == nullptr ? nullptr
                                                    : pEnv->GetMethodID(stringClass, "<init>",
                                                                        "([BLjava/lang/String;)V");
            jstring charset = pEnv->NewStringUTF("UTF-8");
            if (init != nullptr && charset != nullptr) {
                name = static_cast<jstring>(pEnv->NewObject(stringClass, init, bytes, charset));
            }
            pEnv->DeleteLocalRef(charset);
            pEnv->DeleteLocalRef(stringClass);
            pEnv->DeleteLocalRef(bytes);
        }
        if (name == nullptr) {
            return nullptr;
        }
        jobject mode =
            pEnv->NewObject(g_outputModeClass, g_outputModeInit, static_cast<jint>(ids[n]), name);
        pEnv->DeleteLocalRef(name);
        if (mode == nullptr) {
            return nullptr;
        }
        pEnv->SetObjectArrayElement(result, static_cast<jsize>(n), mode);
        pEnv->DeleteLocalRef(mode);
    }
    return result;
}

JNIEXPORT jboolean JNICALL Java_veltraeffectapi_VeltraEffect_nativeCreateAndListenUnixServerSocket(
    JNIEnv* pEnv, jclass, jlong nHandle, jboolean bAbstract, jbyteArray path) {
    return Result(
        Effect(nHandle).CreateAndListenUnixServerSocket(bAbstract == JNI_TRUE, Text(pEnv, path)));
}

JNIEXPORT jboolean JNICALL Java_veltraeffectapi_VeltraEffect_nativeSetForceBypass(
    JNIEnv* pEnv, jclass, jlong nHandle, jint nIO, jint nSession, jbyteArray alg, jint nUseCase,
    jboolean bForceBypass) {
    return Result(Effect(nHandle).SetForceBypass(nIO, nSession, Text(pEnv, alg), nUseCase,
                                                 bForceBypass == JNI_TRUE));
}

JNIEXPORT jbyteArray JNICALL Java_veltraeffectapi_VeltraEffect_nativeTransactBuffer(
    JNIEnv* pEnv, jclass, jlong nHandle, jbyteArray buffer) {
    std::vector<char> data = Bytes(pEnv, buffer);
    if (!Effect(nHandle).TransactBuffer(static_cast<uint32_t>(data.size()), data.data())) {
        return nullptr;
    }
    return NewBytes(pEnv, data.data(), data.size());
}

JNIEXPORT jbooleanArray JNICALL Java_veltraeffectapi_VeltraEffect_nativeGetDefaultSoundMode(
    JNIEnv* pEnv, jclass, jlong nHandle, jintArray first, jintArray second) {
    const std::vector<unsigned int> firstValues = Ids(pEnv, first);
    const std::vector<unsigned int> secondValues = Ids(pEnv, second);
    const size_t nCount = firstValues.size();
    std::unique_ptr<bool[]> flags(new bool[nCount == 0 ? 1 : nCount]());
    if (!Effect(nHandle).GetDefaultSoundMode(static_cast<uint32_t>(nCount), firstValues.data(),
                                             secondValues.data(), flags.get())) {
        return nullptr;
    }
    std::vector<jboolean> result(nCount);
    for (size_t n = 0; n < nCount; ++n) {
        result[n] = Result(flags[n]);
    }
    jbooleanArray array = pEnv->NewBooleanArray(static_cast<jsize>(nCount));
    if (array != nullptr) {
        pEnv->SetBooleanArrayRegion(array, 0, static_cast<jsize>(nCount), result.data());
    }
    return array;
}

JNIEXPORT jintArray JNICALL Java_veltraeffectapi_VeltraEffect_nativeGetSupportedSoundModeValues(
    JNIEnv* pEnv, jclass, jlong nHandle, jint nCount) {
    std::vector<unsigned int> values;
    if (!Effect(nHandle).GetSupportedSoundModeValues(static_cast<uint32_t>(nCount), values)) {
        return nullptr;
    }
    return NewInts(pEnv, values);
}

JNIEXPORT jboolean JNICALL Java_veltraeffectapi_VeltraEffect_nativeSetAudioSession(JNIEnv*, jclass,
                                                                                   jlong nHandle,
                                                                                   jint nSession,
                                                                                   jboolean bAdd) {
    return Result(Effect(nHandle).SetAudioSession(nSession, bAdd == JNI_TRUE));
}

JNIEXPORT jboolean JNICALL Java_veltraeffectapi_VeltraEffect_nativeSetConfigByChunk(
    JNIEnv* pEnv, jclass, jlong nHandle, jbyteArray chunk, jint nChecksum, jint nChunkType) {
    const std::vector<char> data = Bytes(pEnv, chunk);
    return Result(Effect(nHandle).SetConfigByChunk(data.data(), static_cast<uint32_t>(data.size()),
                                                   static_cast<uint32_t>(nChecksum),
                                                   static_cast<uint32_t>(nChunkType)));
}

JNIEXPORT jboolean JNICALL Java_veltraeffectapi_VeltraEffect_nativeSetLogOutput(
    JNIEnv* pEnv, jclass, jlong nHandle, jbyteArray name, jboolean bEnable) {
    return Result(Effect(nHandle).SetLogOutput(Text(pEnv, name), bEnable == JNI_TRUE));
}

JNIEXPORT jboolean JNICALL Java_veltraeffectapi_VeltraEffect_nativeSetSystemVolume(
    JNIEnv*, jclass, jlong nHandle, jdouble dVolume) {
    return Result(Effect(nHandle).SetSystemVolume(dVolume));
}

JNIEXPORT jboolean JNICALL
Java_veltraeffectapi_VeltraEffect_nativeShouldEnableAndroidEffect(JNIEnv*, jclass, jlong nHandle) {
    // The library asks its main effect whatever instance is passed.
    return Result(Effect(nHandle).ShouldEnableAndroidEffect(nullptr));
}

JNIEXPORT jboolean JNICALL Java_veltraeffectapi_VeltraEffect_nativeSendCommand(JNIEnv*, jclass,
                                                                               jlong nHandle,
                                                                               jint nCode) {
    return Result(Effect(nHandle).SendCommand(nCode));
}

JNIEXPORT jboolean JNICALL Java_veltraeffectapi_VeltraEffect_nativeSendCommandData(
    JNIEnv* pEnv, jclass, jlong nHandle, jint nCode, jbyteArray request) {
    const std::vector<char> data = Bytes(pEnv, request);
    return Result(
        Effect(nHandle).SendCommand(nCode, static_cast<uint32_t>(data.size()), data.data()));
}

JNIEXPORT jbyteArray JNICALL Java_veltraeffectapi_VeltraEffect_nativeSendCommandReply(
    JNIEnv* pEnv, jclass, jlong nHandle, jint nCode, jbyteArray request, jint nReplyCapacity) {
    const std::vector<char> data = Bytes(pEnv, request);
    std::vector<char> reply(static_cast<size_t>(nReplyCapacity));
    uint32_t nReplySize = static_cast<uint32_t>(nReplyCapacity);
    if (!Effect(nHandle).SendCommand(nCode, static_cast<uint32_t>(data.size()), data.data(),
                                     &nReplySize, reply.data())) {
        return nullptr;
    }
    const size_t nSize = nReplySize < reply.size() ? nReplySize : reply.size();
    return NewBytes(pEnv, reply.data(), nSize);
}

}  // extern "C"
