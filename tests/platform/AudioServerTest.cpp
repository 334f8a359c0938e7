#include <gtest/gtest.h>
#include <media/AudioEffect.h>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "HostPlatform/AudioServer.h"
#include "HostPlatform/SimulatedEffect.h"

using android::AudioEffect;
using android::sp;
using HostPlatform::AudioServer;
using HostPlatform::Bytes;
using HostPlatform::CallKind;
using HostPlatform::JournalEntry;

namespace {

const effect_uuid_t kUuid = {
    0xae12da60, 0x99ac, 0x11df, 0xb456, {0x00, 0x02, 0xa5, 0xd5, 0xc5, 0x1b}};

struct EventRecord {
    int32_t nEvent;
    void* pUser;
    Bytes info;
    std::thread::id thread;
};

std::mutex g_eventMutex;
std::vector<EventRecord> g_events;

void RecordEvent(int32_t nEvent, void* pUser, void* pInfo) {
    Bytes info;
    if (nEvent == AudioEffect::EVENT_PARAMETER_CHANGED) {
        const effect_param_t* pParam = static_cast<const effect_param_t*>(pInfo);
        const uint8_t* pBytes = static_cast<const uint8_t*>(pInfo);
        size_t nPadded = (pParam->psize + 3) / 4 * 4;
        info.assign(pBytes, pBytes + sizeof(effect_param_t) + nPadded + pParam->vsize);
    } else {
        info.push_back(*static_cast<const uint8_t*>(pInfo));
    }
    std::lock_guard<std::mutex> lock(g_eventMutex);
    g_events.push_back({nEvent, pUser, info, std::this_thread::get_id()});
}

class AudioServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        AudioServer::Instance().Reset();
        std::lock_guard<std::mutex> lock(g_eventMutex);
        g_events.clear();
    }
    void TearDown() override { AudioServer::Instance().Reset(); }

    static sp<AudioEffect> Make(int32_t nSession, int32_t nPriority = 0, int32_t nIO = 0,
                                void* pUser = nullptr) {
        return new AudioEffect(nullptr, android::String16(""), &kUuid, nPriority, RecordEvent,
                               pUser, static_cast<audio_session_t>(nSession), nIO);
    }
};

TEST_F(AudioServerTest, JournalRecordsCreationCommandsEnableAndRelease) {
    AudioServer& server = AudioServer::Instance();
    sp<AudioEffect> pEffect = Make(7, 3, 13);
    ASSERT_EQ(android::NO_ERROR, pEffect->initCheck());

    uint8_t aPayload[] = {'x', 0};
    ASSERT_EQ(android::NO_ERROR,
              pEffect->command(0x10012, sizeof(aPayload), aPayload, nullptr, nullptr));
    uint8_t nReply = 0xee;
    uint32_t nReplySize = 1;
    ASSERT_EQ(android::NO_ERROR, pEffect->command(0x10031, 0, nullptr, &nReplySize, &nReply));
    EXPECT_EQ(1, nReply);
    EXPECT_EQ(1u, nReplySize);
    ASSERT_EQ(android::NO_ERROR, pEffect->setEnabled(true));
    EXPECT_TRUE(pEffect->getEnabled());
    const int32_t nInstance = pEffect->id();
    pEffect.clear();

    std::vector<JournalEntry> journal = server.Journal();
    ASSERT_EQ(6u, journal.size());
    EXPECT_EQ(CallKind::Create, journal[0].eKind);
    EXPECT_TRUE(journal[0].uuid == kUuid);
    EXPECT_FALSE(journal[0].bTypeGiven);
    EXPECT_EQ(3, journal[0].nPriority);
    EXPECT_EQ(7, journal[0].nSession);
    EXPECT_EQ(13, journal[0].nIO);
    EXPECT_EQ(CallKind::InitCheck, journal[1].eKind);
    EXPECT_EQ(CallKind::Command, journal[2].eKind);
    EXPECT_EQ(0x10012u, journal[2].nCode);
    EXPECT_EQ(Bytes({'x', 0}), journal[2].request);
    EXPECT_FALSE(journal[2].bReplyRequested);
    EXPECT_EQ(0x10031u, journal[3].nCode);
    EXPECT_TRUE(journal[3].bReplyRequested);
    EXPECT_EQ(1u, journal[3].nReplyCapacity);
    EXPECT_EQ(Bytes({1}), journal[3].reply);
    EXPECT_EQ(CallKind::SetEnabled, journal[4].eKind);
    EXPECT_TRUE(journal[4].bEnable);
    EXPECT_EQ(CallKind::Release, journal[5].eKind);
    for (const JournalEntry& entry : journal) {
        EXPECT_EQ(nInstance, entry.nInstance);
        EXPECT_EQ(0, entry.nStatus);
    }
    EXPECT_EQ(0u, server.LiveInstanceCount());
    EXPECT_EQ("#" + std::to_string(nInstance) + " command 0x10012 size 2 [78 00] -> 0",
              HostPlatform::DescribeEntry(journal[2]));
}

TEST_F(AudioServerTest, ClientsOnOneSessionShareTheEffectState) {
    AudioServer& server = AudioServer::Instance();
    sp<AudioEffect> pMain = Make(5);
    sp<AudioEffect> pSecond = Make(5);
    sp<AudioEffect> pOther = Make(6);
    uint8_t aPayload[] = {'e', 'q', 0};
    ASSERT_EQ(android::NO_ERROR,
              pMain->command(0x10012, sizeof(aPayload), aPayload, nullptr, nullptr));

    EXPECT_EQ(server.Effect(pMain->id()), server.Effect(pSecond->id()));
    EXPECT_NE(server.Effect(pMain->id()), server.Effect(pOther->id()));
    EXPECT_EQ(std::set<std::string>{"eq"}, server.Effect(pSecond->id())->EnabledAlgorithms());
    EXPECT_TRUE(server.Effect(pOther->id())->EnabledAlgorithms().empty());

    ASSERT_EQ(android::NO_ERROR,
              pSecond->command(0x10013, sizeof(aPayload), aPayload, nullptr, nullptr));
    uint8_t nReply = 0xee;
    uint32_t nReplySize = 1;
    ASSERT_EQ(android::NO_ERROR, pMain->command(0x10031, 0, nullptr, &nReplySize, &nReply));
    EXPECT_EQ(0, nReply);
    EXPECT_EQ(3u, server.LiveInstanceCount());
}

TEST_F(AudioServerTest, RepliesMustFitTheCapacityAndCodesMustBeKnown) {
    sp<AudioEffect> pEffect = Make(1);
    uint8_t nReply = 0xee;
    uint32_t nReplySize = 0;
    EXPECT_EQ(android::BAD_VALUE, pEffect->command(0x10031, 0, nullptr, &nReplySize, &nReply));
    EXPECT_EQ(0xee, nReply);
    EXPECT_EQ(0u, nReplySize);
    EXPECT_EQ(android::BAD_VALUE, pEffect->command(0x1003D, 0, nullptr, nullptr, nullptr));
    EXPECT_EQ(android::BAD_VALUE, pEffect->command(0xFFFF, 0, nullptr, nullptr, nullptr));
    uint8_t aUnterminated[] = {'x'};
    EXPECT_EQ(android::BAD_VALUE, pEffect->command(0x10012, 1, aUnterminated, nullptr, nullptr));
    EXPECT_EQ(android::BAD_VALUE, pEffect->command(0x10012, 4, nullptr, nullptr, nullptr));
}

TEST_F(AudioServerTest, InjectedInitStatusIsCountedAndFilteredBySession) {
    AudioServer& server = AudioServer::Instance();
    server.InjectInitStatus(android::ALREADY_EXISTS, AudioServer::kAnySession, 1);
    server.InjectInitStatus(android::NO_INIT, 9);

    sp<AudioEffect> pFirst = Make(1);
    sp<AudioEffect> pSecond = Make(1);
    sp<AudioEffect> pSession9 = Make(9);
    sp<AudioEffect> pAgain9 = Make(9);
    EXPECT_EQ(android::ALREADY_EXISTS, pFirst->initCheck());
    EXPECT_EQ(android::NO_ERROR, pSecond->initCheck());
    EXPECT_EQ(android::NO_INIT, pSession9->initCheck());
    EXPECT_EQ(android::NO_INIT, pAgain9->initCheck());

    // A client that failed to initialise reaches nothing and reports its status.
    uint8_t aPayload[] = {'x', 0};
    EXPECT_EQ(android::NO_INIT, pSession9->command(0x10012, 2, aPayload, nullptr, nullptr));
    EXPECT_EQ(android::NO_INIT, pSession9->setEnabled(true));
    EXPECT_EQ(nullptr, server.Effect(pSession9->id()));
    // An already-existing effect answers commands but may not be switched.
    EXPECT_EQ(android::NO_ERROR, pFirst->command(0x10012, 2, aPayload, nullptr, nullptr));
    EXPECT_EQ(android::INVALID_OPERATION, pFirst->setEnabled(true));

    server.ClearFaults();
    EXPECT_EQ(android::NO_ERROR, Make(9)->initCheck());
    sp<AudioEffect> pNoUuid = new AudioEffect(nullptr, android::String16(""));
    EXPECT_EQ(android::BAD_VALUE, pNoUuid->initCheck());
}

TEST_F(AudioServerTest, RefusedCommandsAndEnableFailures) {
    AudioServer& server = AudioServer::Instance();
    sp<AudioEffect> pEffect = Make(3);
    server.RefuseCommand(0x10031, android::INVALID_OPERATION, 2);
    server.InjectEnableStatus(android::DEAD_OBJECT, 3, 1);

    uint8_t nReply = 0xee;
    uint32_t nReplySize = 1;
    EXPECT_EQ(android::INVALID_OPERATION,
              pEffect->command(0x10031, 0, nullptr, &nReplySize, &nReply));
    EXPECT_EQ(android::INVALID_OPERATION,
              pEffect->command(0x10031, 0, nullptr, &nReplySize, &nReply));
    EXPECT_EQ(0xee, nReply);
    EXPECT_EQ(android::NO_ERROR, pEffect->command(0x10031, 0, nullptr, &nReplySize, &nReply));
    EXPECT_EQ(0, nReply);

    EXPECT_EQ(android::DEAD_OBJECT, pEffect->setEnabled(true));
    EXPECT_FALSE(pEffect->getEnabled());
    EXPECT_FALSE(server.Effect(pEffect->id())->PlatformEnabled());
    EXPECT_EQ(android::NO_ERROR, pEffect->setEnabled(true));
    EXPECT_TRUE(server.Effect(pEffect->id())->PlatformEnabled());

    std::vector<JournalEntry> commands = server.Commands();
    ASSERT_EQ(3u, commands.size());
    EXPECT_EQ(android::INVALID_OPERATION, commands[0].nStatus);
    EXPECT_TRUE(commands[0].reply.empty());
    std::vector<JournalEntry> enables = server.Entries(CallKind::SetEnabled);
    ASSERT_EQ(2u, enables.size());
    EXPECT_EQ(android::DEAD_OBJECT, enables[0].nStatus);
}

TEST_F(AudioServerTest, RespondersAnswerInPlaceOfTheEffect) {
    AudioServer& server = AudioServer::Instance();
    server.SetResponder(0x10022, [](const Bytes& request, uint32_t nCapacity, Bytes& reply) {
        EXPECT_TRUE(request.empty());
        EXPECT_EQ(4u, nCapacity);
        reply = {5, 0, 0, 0};
        return 0;
    });
    sp<AudioEffect> pEffect = Make(1);
    uint32_t nCount = 0;
    uint32_t nReplySize = sizeof(nCount);
    ASSERT_EQ(android::NO_ERROR, pEffect->command(0x10022, 0, nullptr, &nReplySize, &nCount));
    EXPECT_EQ(5u, nCount);

    server.SetResponder(0x10022, [](const Bytes&, uint32_t, Bytes& reply) {
        reply.assign(8, 1);  // more than the caller can take
        return 0;
    });
    nCount = 0;
    EXPECT_EQ(android::BAD_VALUE, pEffect->command(0x10022, 0, nullptr, &nReplySize, &nCount));
    EXPECT_EQ(0u, nCount);
}

TEST_F(AudioServerTest, CannedRepliesAnswerWhileTheJournalIsOff) {
    AudioServer& server = AudioServer::Instance();
    sp<AudioEffect> pEffect = Make(1);
    server.SetJournalWindow(0);
    server.ClearJournal();
    server.SetCannedReply(0x10022, android::NO_ERROR, {7, 0, 0, 0});
    uint32_t nCount = 0;
    uint32_t nReplySize = sizeof(nCount);
    ASSERT_EQ(android::NO_ERROR, pEffect->command(0x10022, 0, nullptr, &nReplySize, &nCount));
    EXPECT_EQ(7u, nCount);
    uint16_t nShort = 0;
    nReplySize = sizeof(nShort);
    EXPECT_EQ(android::BAD_VALUE, pEffect->command(0x10022, 0, nullptr, &nReplySize, &nShort));
    EXPECT_TRUE(server.Journal().empty());
    // With the journal on, the effect answers again and every call is kept.
    server.SetJournalWindow(AudioServer::kDefaultJournalWindow);
    nReplySize = sizeof(nCount);
    ASSERT_EQ(android::NO_ERROR, pEffect->command(0x10022, 0, nullptr, &nReplySize, &nCount));
    EXPECT_EQ(1u, server.Commands().size());
}

TEST_F(AudioServerTest, ObserverSeesEveryEntry) {
    AudioServer& server = AudioServer::Instance();
    std::vector<CallKind> seen;
    server.SetObserver([&](const JournalEntry& entry) { seen.push_back(entry.eKind); });
    Make(2).clear();
    server.SetObserver(nullptr);
    Make(2).clear();
    EXPECT_EQ(std::vector<CallKind>({CallKind::Create, CallKind::Release}), seen);
}

TEST_F(AudioServerTest, JournalKeepsAWindowOfTheLatestEntries) {
    AudioServer& server = AudioServer::Instance();
    server.SetJournalWindow(3);
    for (int32_t nSession = 1; nSession <= 3; ++nSession) {
        Make(nSession).clear();
    }
    const std::vector<JournalEntry> journal = server.Journal();
    ASSERT_EQ(3u, journal.size());
    EXPECT_EQ(CallKind::Release, journal[0].eKind);
    EXPECT_EQ(3, journal[1].nSession);
    // A test that needs every call asks for it; Reset restores the default.
    server.SetJournalWindow(AudioServer::kWholeJournal);
    for (int32_t nSession = 1; nSession <= 3; ++nSession) {
        Make(nSession).clear();
    }
    EXPECT_EQ(9u, server.Journal().size());
    server.Reset();
    for (size_t nIndex = 0; nIndex < AudioServer::kDefaultJournalWindow / 2 + 1; ++nIndex) {
        Make(1).clear();
    }
    EXPECT_EQ(AudioServer::kDefaultJournalWindow, server.Journal().size());
}

TEST_F(AudioServerTest, EventsArriveOnAThreadOfTheirOwnInPostingOrder) {
    AudioServer& server = AudioServer::Instance();
    int nUserA = 0;
    int nUserB = 0;
    sp<AudioEffect> pA = Make(1, 0, 0, &nUserA);
    sp<AudioEffect> pB = Make(2, 0, 0, &nUserB);

    server.PostParameterChanged(pA->id(), Bytes{1, 2, 3}, Bytes{9, 8});
    server.PostEnableStatusChanged(pB->id(), true);
    server.PostControlStatusChanged(AudioServer::kAllInstances, false);
    server.WaitForEvents();

    std::lock_guard<std::mutex> lock(g_eventMutex);
    ASSERT_EQ(4u, g_events.size());
    EXPECT_EQ(AudioEffect::EVENT_PARAMETER_CHANGED, g_events[0].nEvent);
    EXPECT_EQ(&nUserA, g_events[0].pUser);
    // status 0, psize 3, vsize 2, parameter padded to four bytes, value.
    Bytes expected = {0, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 2, 3, 0, 9, 8};
    EXPECT_EQ(expected, g_events[0].info);
    EXPECT_EQ(AudioEffect::EVENT_ENABLE_STATUS_CHANGED, g_events[1].nEvent);
    EXPECT_EQ(&nUserB, g_events[1].pUser);
    EXPECT_EQ(Bytes{1}, g_events[1].info);
    EXPECT_TRUE(pB->getEnabled());
    EXPECT_EQ(AudioEffect::EVENT_CONTROL_STATUS_CHANGED, g_events[2].nEvent);
    EXPECT_EQ(AudioEffect::EVENT_CONTROL_STATUS_CHANGED, g_events[3].nEvent);
    for (const EventRecord& record : g_events) {
        EXPECT_NE(std::this_thread::get_id(), record.thread);
    }
}

TEST_F(AudioServerTest, EventsForReleasedInstancesAreNotDelivered) {
    AudioServer& server = AudioServer::Instance();
    sp<AudioEffect> pEffect = Make(1);
    const int32_t nInstance = pEffect->id();
    pEffect.clear();
    server.PostEnableStatusChanged(nInstance, true);
    server.WaitForEvents();
    std::lock_guard<std::mutex> lock(g_eventMutex);
    EXPECT_TRUE(g_events.empty());
}

// A callback may drop the last reference to its own effect: the client then
// goes on the event thread, after its callback has returned.
sp<AudioEffect> g_pSelfReleasing;

void ReleaseSelf(int32_t, void*, void*) {
    g_pSelfReleasing.clear();
}

TEST_F(AudioServerTest, CallbackMayReleaseItsOwnEffect) {
    AudioServer& server = AudioServer::Instance();
    g_pSelfReleasing = new AudioEffect(nullptr, android::String16(""), &kUuid, 0, ReleaseSelf,
                                       nullptr, static_cast<audio_session_t>(4), 0);
    server.PostEnableStatusChanged(g_pSelfReleasing->id(), true);
    server.WaitForEvents();
    EXPECT_EQ(nullptr, g_pSelfReleasing.get());
    EXPECT_EQ(0u, server.LiveInstanceCount());
}

// Events for every instance while another thread keeps creating clients: a
// client under construction must never be reached (the event thread would
// become its first and last strong holder and free it under its creator).
TEST_F(AudioServerTest, EventsNeverReachClientsUnderConstruction) {
    AudioServer& server = AudioServer::Instance();
    std::thread creator([] {
        for (int i = 0; i < 300; ++i) {
            sp<AudioEffect> pEffect = Make(1);
            EXPECT_EQ(android::NO_ERROR, pEffect->initCheck());
        }
    });
    for (int i = 0; i < 300; ++i) {
        server.PostControlStatusChanged(AudioServer::kAllInstances, true);
    }
    creator.join();
    server.WaitForEvents();
    EXPECT_EQ(0u, server.LiveInstanceCount());
}

}  // namespace
