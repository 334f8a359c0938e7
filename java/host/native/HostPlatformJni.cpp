// The native side of veltraeffectapi.host.HostPlatform: this machine's
// platform stand-ins (the system property store, the simulated audio server's
// journal, replies and events) for Java programs and tests on a host. Never
// part of what a device ships.
#include <jni.h>
#include <stdint.h>

#include <vector>

#include "HostPlatform/AudioServer.h"
#include "HostPlatform/Properties.h"
#include "veltraeffectapi_host_HostPlatform.h"

using HostPlatform::AudioServer;
using HostPlatform::Bytes;
using HostPlatform::JournalEntry;

namespace {

Bytes ToBytes(JNIEnv* pEnv, jbyteArray array) {
    Bytes bytes(static_cast<size_t>(pEnv->GetArrayLength(array)));
    pEnv->GetByteArrayRegion(array, 0, static_cast<jsize>(bytes.size()),
                             reinterpret_cast<jbyte*>(bytes.data()));
    return bytes;
}

JournalEntry Command(jint nIndex) {
    std::vector<JournalEntry> commands = AudioServer::Instance().Commands();
    return nIndex >= 0 && static_cast<size_t>(nIndex) < commands.size()
               ? commands[static_cast<size_t>(nIndex)]
               : JournalEntry();
}

}  // namespace

extern "C" {

JNIEXPORT jboolean JNICALL Java_veltraeffectapi_host_HostPlatform_nativeSetSystemProperty(
    JNIEnv* pEnv, jclass, jstring name, jstring value) {
    const char* szName = pEnv->GetStringUTFChars(name, nullptr);
    if (szName == nullptr) {
        return JNI_FALSE;
    }
    const char* szValue = pEnv->GetStringUTFChars(value, nullptr);
    bool bOk = false;
    if (szValue != nullptr) {
        bOk = HostPlatform::SetSystemProperty(szName, szValue);
        pEnv->ReleaseStringUTFChars(value, szValue);
    }
    pEnv->ReleaseStringUTFChars(name, szName);
    return bOk ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT void JNICALL Java_veltraeffectapi_host_HostPlatform_reset(JNIEnv*, jclass) {
    HostPlatform::SetSystemProperty("ro.build.version.sdk", "28");
    AudioServer::Instance().Reset();
}

JNIEXPORT void JNICALL Java_veltraeffectapi_host_HostPlatform_clearJournal(JNIEnv*, jclass) {
    AudioServer::Instance().ClearJournal();
}

JNIEXPORT jintArray JNICALL Java_veltraeffectapi_host_HostPlatform_commandCodes(JNIEnv* pEnv,
                                                                                jclass) {
    std::vector<jint> codes;
    for (const JournalEntry& entry : AudioServer::Instance().Commands()) {
        codes.push_back(static_cast<jint>(entry.nCode));
    }
    jintArray result = pEnv->NewIntArray(static_cast<jsize>(codes.size()));
    if (result != nullptr) {
        pEnv->SetIntArrayRegion(result, 0, static_cast<jsize>(codes.size()), codes.data());
    }
    return result;
}

JNIEXPORT jbyteArray JNICALL Java_veltraeffectapi_host_HostPlatform_commandRequest(JNIEnv* pEnv,
                                                                                   jclass,
                                                                                   jint nIndex) {
    const Bytes request = Command(nIndex).request;
    jbyteArray result = pEnv->NewByteArray(static_cast<jsize>(request.size()));
    if (result != nullptr) {
        pEnv->SetByteArrayRegion(result, 0, static_cast<jsize>(request.size()),
                                 reinterpret_cast<const jbyte*>(request.data()));
    }
    return result;
}

JNIEXPORT jint JNICALL Java_veltraeffectapi_host_HostPlatform_commandReplyCapacity(JNIEnv*, jclass,
                                                                                   jint nIndex) {
    const JournalEntry entry = Command(nIndex);
    return entry.bReplyRequested ? static_cast<jint>(entry.nReplyCapacity) : -1;
}

JNIEXPORT void JNICALL Java_veltraeffectapi_host_HostPlatform_refuseCommand(JNIEnv*, jclass,
                                                                            jint nCode) {
    AudioServer::Instance().RefuseCommand(static_cast<uint32_t>(nCode));
}

JNIEXPORT void JNICALL Java_veltraeffectapi_host_HostPlatform_answer(JNIEnv* pEnv, jclass,
                                                                     jint nCode, jbyteArray reply) {
    const Bytes bytes = ToBytes(pEnv, reply);
    AudioServer::Instance().SetResponder(static_cast<uint32_t>(nCode),
                                         [bytes](const Bytes&, uint32_t, Bytes& out) {
                                             out = bytes;
                                             return 0;
                                         });
}

JNIEXPORT jintArray JNICALL Java_veltraeffectapi_host_HostPlatform_liveInstances(JNIEnv* pEnv,
                                                                                 jclass) {
    const std::vector<int32_t> instances = AudioServer::Instance().LiveInstances();
    jintArray result = pEnv->NewIntArray(static_cast<jsize>(instances.size()));
    if (result != nullptr) {
        pEnv->SetIntArrayRegion(result, 0, static_cast<jsize>(instances.size()), instances.data());
    }
    return result;
}

JNIEXPORT void JNICALL Java_veltraeffectapi_host_HostPlatform_postParameterChanged(
    JNIEnv* pEnv, jclass, jint nInstance, jbyteArray param, jbyteArray value) {
    AudioServer::Instance().PostParameterChanged(nInstance, ToBytes(pEnv, param),
                                                 ToBytes(pEnv, value));
}

JNIEXPORT void JNICALL Java_veltraeffectapi_host_HostPlatform_waitForEvents(JNIEnv*, jclass) {
    AudioServer::Instance().WaitForEvents();
}

JNIEXPORT void JNICALL Java_veltraeffectapi_host_HostPlatform_endEventThread(JNIEnv*, jclass) {
    AudioServer::Instance().EndEventThread();
}

}  // extern "C"
