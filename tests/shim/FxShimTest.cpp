// The shim library on its own: loaded with dlopen, its five functions called
// directly, the platform answering through the simulated audio server.
#include <android/log.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <media/AudioEffect.h>
#include <utils/KeyedVector.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "HostPlatform/AudioServer.h"
#include "support/LogCapture.h"

using HostPlatform::AudioServer;
using HostPlatform::Bytes;
using HostPlatform::CallKind;

namespace {

struct Uuid {
    uint32_t timeLow;
    uint16_t timeMid;
    uint16_t timeHiAndVersion;
    uint16_t clockSeq;
    uint8_t node[6];
};
const Uuid kUuid = {0xae12da60, 0x99ac, 0x11df, 0xb456, {0x00, 0x02, 0xa5, 0xd5, 0xc5, 0x1b}};

typedef void (*Callback)(int32_t, void*, int32_t, void*);
typedef void* (*CreateFn)(const Uuid*, int32_t, int32_t, int32_t, Callback);
typedef int32_t (*InitCheckFn)(void*);
typedef int32_t (*CommandFn)(void*, uint32_t, uint32_t, void*, uint32_t*, void*);
typedef int32_t (*SetEnabledFn)(void*, bool);
typedef void (*ReleaseFn)(void**);
typedef android::KeyedVector<uintptr_t, android::sp<android::AudioEffect>> EffectMap;
typedef android::KeyedVector<uintptr_t, Callback> CallbackMap;

struct Received {
    char cWho;
    int32_t nEvent;
    void* pUser;
    Bytes data;
};
std::mutex g_mutex;
std::vector<Received> g_received;

void Remember(char cWho, int32_t nEvent, void* pUser, int32_t nSize, void* pData) {
    std::lock_guard<std::mutex> lock(g_mutex);
    const uint8_t* pBytes = static_cast<const uint8_t*>(pData);
    g_received.push_back({cWho, nEvent, pUser, Bytes(pBytes, pBytes + nSize)});
}
void CallbackA(int32_t nEvent, void* pUser, int32_t nSize, void* pData) {
    Remember('A', nEvent, pUser, nSize, pData);
}
void CallbackB(int32_t nEvent, void* pUser, int32_t nSize, void* pData) {
    Remember('B', nEvent, pUser, nSize, pData);
}

class FxShimTest : public ::testing::Test {
protected:
    void SetUp() override {
        AudioServer::Instance().Reset();
        {
            std::lock_guard<std::mutex> lock(g_mutex);
            g_received.clear();
        }
        m_pLib = dlopen("libfxshim_Oreo.so", RTLD_NOW);
        ASSERT_NE(nullptr, m_pLib) << dlerror();
        create = reinterpret_cast<CreateFn>(dlsym(m_pLib, "Create"));
        initCheck = reinterpret_cast<InitCheckFn>(dlsym(m_pLib, "InitCheck"));
        command = reinterpret_cast<CommandFn>(dlsym(m_pLib, "Command"));
        setEnabled = reinterpret_cast<SetEnabledFn>(dlsym(m_pLib, "SetEnabled"));
        release = reinterpret_cast<ReleaseFn>(dlsym(m_pLib, "ReleaseEffect"));
        effects = static_cast<EffectMap*>(dlsym(m_pLib, "g_mapHandleToAudioEffect"));
        callbacks = static_cast<CallbackMap*>(dlsym(m_pLib, "g_mapHandleToAudioEffectCallback"));
        ASSERT_TRUE(create && initCheck && command && setEnabled && release && effects &&
                    callbacks);
        capture.Clear();
    }
    void TearDown() override {
        if (m_pLib != nullptr) {
            dlclose(m_pLib);
        }
        AudioServer::Instance().Reset();
    }

    std::vector<std::string> Errors() const {
        std::vector<std::string> messages;
        std::vector<std::string> errors = capture.Messages(ANDROID_LOG_ERROR);
        for (size_t i = 1; i < errors.size(); i += 2) {
            EXPECT_EQ(0u, errors[i - 1].find("Shared/FxShimWrapper/jni/FxShim.cpp:"));
            messages.push_back(errors[i]);
        }
        return messages;
    }

    void* m_pLib = nullptr;
    CreateFn create = nullptr;
    InitCheckFn initCheck = nullptr;
    CommandFn command = nullptr;
    SetEnabledFn setEnabled = nullptr;
    ReleaseFn release = nullptr;
    EffectMap* effects = nullptr;
    CallbackMap* callbacks = nullptr;
    TestSupport::LogCapture capture;
};

TEST_F(FxShimTest, CreateEntersBothMapsAndPassesItsArguments) {
    void* hEffect = create(&kUuid, 4, 11, 13, CallbackA);
    ASSERT_NE(nullptr, hEffect);
    EXPECT_EQ(1u, effects->size());
    EXPECT_EQ(1u, callbacks->size());
    EXPECT_EQ(reinterpret_cast<uintptr_t>(hEffect), effects->keyAt(0));
    EXPECT_EQ(hEffect, effects->valueAt(0).get());
    EXPECT_EQ(&CallbackA, callbacks->valueAt(0));

    auto creates = AudioServer::Instance().Entries(CallKind::Create);
    ASSERT_EQ(1u, creates.size());
    EXPECT_EQ(0, std::memcmp(&creates[0].uuid, &kUuid, sizeof(kUuid)));
    EXPECT_FALSE(creates[0].bTypeGiven);
    EXPECT_EQ(4, creates[0].nPriority);
    EXPECT_EQ(11, creates[0].nSession);
    EXPECT_EQ(13, creates[0].nIO);
    EXPECT_EQ(1, initCheck(hEffect));

    release(&hEffect);
    EXPECT_NE(nullptr, hEffect);  // the caller's variable is left alone
    EXPECT_EQ(0u, effects->size());
    EXPECT_EQ(0u, callbacks->size());
    EXPECT_EQ(0u, AudioServer::Instance().LiveInstanceCount());
    EXPECT_TRUE(Errors().empty());
}

TEST_F(FxShimTest, InitCheckStatusesAndTheirRecords) {
    AudioServer::Instance().InjectInitStatus(android::ALREADY_EXISTS, AudioServer::kAnySession, 1);
    AudioServer::Instance().InjectInitStatus(android::NO_INIT, AudioServer::kAnySession, 1);
    void* hExisting = create(&kUuid, 0, 1, 0, nullptr);
    void* hRefused = create(&kUuid, 0, 1, 0, nullptr);
    EXPECT_EQ(0, initCheck(hExisting));
    EXPECT_TRUE(Errors().empty());  // -17 is not logged
    EXPECT_EQ(0, initCheck(hRefused));
    EXPECT_EQ(std::vector<std::string>{"result = -19"}, Errors());
    // Refused objects stay in the maps until released.
    EXPECT_EQ(2u, effects->size());
    release(&hExisting);
    release(&hRefused);
}

TEST_F(FxShimTest, CommandAndEnablePassThroughAndReportRefusals) {
    void* hEffect = create(&kUuid, 0, 1, 0, nullptr);
    char aName[] = {'x', 0};
    EXPECT_EQ(1, command(hEffect, 0x10012, 2, aName, nullptr, nullptr));
    uint8_t nReply = 0;
    uint32_t nReplySize = 1;
    EXPECT_EQ(1, command(hEffect, 0x10031, 0, nullptr, &nReplySize, &nReply));
    EXPECT_EQ(1, nReply);
    EXPECT_EQ(1, setEnabled(hEffect, true));

    AudioServer::Instance().RefuseCommand(0x10031, android::INVALID_OPERATION);
    AudioServer::Instance().InjectEnableStatus(android::DEAD_OBJECT);
    nReply = 7;
    EXPECT_EQ(0, command(hEffect, 0x10031, 0, nullptr, &nReplySize, &nReply));
    EXPECT_EQ(7, nReply);
    EXPECT_EQ(0, setEnabled(hEffect, false));
    EXPECT_EQ(
        std::vector<std::string>({"nCmdID = 65585 result = -38", "enabled = false, result = -32"}),
        Errors());
    // The entries stay after a refusal.
    EXPECT_EQ(1u, effects->size());
    release(&hEffect);
}

TEST_F(FxShimTest, UnknownNullAndReleasedHandlesFailWithoutReachingThePlatform) {
    void* hEffect = create(&kUuid, 0, 1, 0, nullptr);
    void* hReleased = hEffect;
    release(&hEffect);
    AudioServer::Instance().ClearJournal();
    capture.Clear();

    void* hNull = nullptr;
    EXPECT_EQ(0, command(hReleased, 0x10009, 0, nullptr, nullptr, nullptr));
    EXPECT_EQ(0, initCheck(hReleased));
    EXPECT_EQ(0, setEnabled(hReleased, true));
    EXPECT_EQ(0, command(nullptr, 0x10009, 0, nullptr, nullptr, nullptr));
    release(&hReleased);  // second release of the same handle
    release(&hNull);
    EXPECT_EQ(std::vector<std::string>({"pAudioEffect is NULL", "pAudioEffect is NULL",
                                        "pAudioEffect is NULL", "pAudioEffect is NULL",
                                        "try to delete a NULL AudioEffect object",
                                        "try to delete a NULL AudioEffect object"}),
              Errors());
    EXPECT_TRUE(AudioServer::Instance().Journal().empty());
    EXPECT_EQ(0u, effects->size());
}

TEST_F(FxShimTest, EveryCallbackReceivesEveryEventInHandleOrder) {
    void* hFirst = create(&kUuid, 0, 1, 0, CallbackA);
    void* hSecond = create(&kUuid, 0, 2, 0, CallbackB);
    void* hSilent = create(&kUuid, 0, 3, 0, nullptr);  // skipped: no callback
    ASSERT_EQ(3u, callbacks->size());
    auto creates = AudioServer::Instance().Entries(CallKind::Create);
    const int32_t nFirstInstance = creates[0].nInstance;

    AudioServer::Instance().PostParameterChanged(nFirstInstance, Bytes{5, 0, 0, 0, 1}, Bytes{0xAA});
    AudioServer::Instance().PostEnableStatusChanged(nFirstInstance, true);
    AudioServer::Instance().WaitForEvents();

    // Expected order: by handle value, whichever object raised the event.
    char cLow =
        reinterpret_cast<uintptr_t>(hFirst) < reinterpret_cast<uintptr_t>(hSecond) ? 'A' : 'B';
    char cHigh = cLow == 'A' ? 'B' : 'A';
    std::lock_guard<std::mutex> lock(g_mutex);
    ASSERT_EQ(4u, g_received.size());
    EXPECT_EQ(cLow, g_received[0].cWho);
    EXPECT_EQ(cHigh, g_received[1].cWho);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(android::AudioEffect::EVENT_PARAMETER_CHANGED, g_received[i].nEvent);
        EXPECT_EQ(nullptr, g_received[i].pUser);
        EXPECT_EQ(Bytes({5, 0, 0, 0, 1}), g_received[i].data);  // psize bytes of the parameter
    }
    EXPECT_EQ(android::AudioEffect::EVENT_ENABLE_STATUS_CHANGED, g_received[2].nEvent);
    EXPECT_EQ(Bytes{1}, g_received[2].data);
    release(&hFirst);
    release(&hSecond);
    release(&hSilent);
}

// An application callback may release an effect while the shim walks its
// callbacks; the walk goes on with the entries that remain.
void* g_hToRelease = nullptr;
ReleaseFn g_release = nullptr;
void ReleasingCallback(int32_t nEvent, void* pUser, int32_t nSize, void* pData) {
    if (g_hToRelease != nullptr) {
        void* hEffect = g_hToRelease;
        g_hToRelease = nullptr;
        g_release(&hEffect);
    }
    Remember('R', nEvent, pUser, nSize, pData);
}

TEST_F(FxShimTest, CallbackMayReleaseEffectsDuringTheWalk) {
    void* hFirst = create(&kUuid, 0, 1, 0, ReleasingCallback);
    void* hSecond = create(&kUuid, 0, 2, 0, ReleasingCallback);
    g_hToRelease = hFirst;
    g_release = release;
    const int32_t nSecondInstance = AudioServer::Instance().Entries(CallKind::Create)[1].nInstance;
    AudioServer::Instance().PostControlStatusChanged(nSecondInstance, true);
    AudioServer::Instance().WaitForEvents();
    EXPECT_EQ(1u, effects->size());
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        EXPECT_GE(g_received.size(), 1u);
    }
    release(&hSecond);
    EXPECT_EQ(0u, AudioServer::Instance().LiveInstanceCount());
}

TEST_F(FxShimTest, ConcurrentCreateCommandAndReleaseKeepTheMapsWhole) {
    auto worker = [this](int nSession) {
        for (int i = 0; i < 200; ++i) {
            void* hEffect = create(&kUuid, 0, nSession, 0, CallbackA);
            uint8_t nReply = 0;
            uint32_t nReplySize = 1;
            EXPECT_EQ(1, command(hEffect, 0x10031, 0, nullptr, &nReplySize, &nReply));
            release(&hEffect);
        }
    };
    std::thread first(worker, 1);
    std::thread second(worker, 2);
    for (int i = 0; i < 50; ++i) {
        AudioServer::Instance().PostControlStatusChanged(AudioServer::kAllInstances, true);
    }
    first.join();
    second.join();
    AudioServer::Instance().WaitForEvents();
    EXPECT_EQ(0u, effects->size());
    EXPECT_EQ(0u, callbacks->size());
    EXPECT_EQ(0u, AudioServer::Instance().LiveInstanceCount());
}

}  // namespace
