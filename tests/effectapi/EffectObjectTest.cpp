// The effect object through the real library, loader, shim and platform layer.
#include <android/log.h>
#include <gtest/gtest.h>
#include <utils/Errors.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "HostPlatform/AudioServer.h"
#include "HostPlatform/Properties.h"
#include "VeltraEffectAPI/VeltraEffectAPIBase.h"
#include "support/LogCapture.h"

using HostPlatform::AudioServer;
using HostPlatform::Bytes;
using HostPlatform::CallKind;
using HostPlatform::JournalEntry;
using TarvoFX::VeltraEffectAPIBase;
using TarvoFX::VeltraEffectFactory;

namespace {

class EffectObjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        HostPlatform::SetSystemProperty("ro.build.version.sdk", "28");
        AudioServer::Instance().Reset();
        capture.Clear();
    }
    void TearDown() override { AudioServer::Instance().Reset(); }

    static std::unique_ptr<TarvoFX::IVeltraEffectAPI> Make(const std::string& strName = "Veltra3",
                                                           int32_t nIO = -1) {
        return std::unique_ptr<TarvoFX::IVeltraEffectAPI>(
            VeltraEffectFactory::CreateVeltraEffect(strName, nIO, nullptr));
    }

    // The error messages (second record of each error pair) in order.
    std::vector<std::string> ErrorMessages() const {
        std::vector<std::string> errors = capture.Messages(ANDROID_LOG_ERROR);
        std::vector<std::string> messages;
        for (size_t i = 0; i < errors.size(); ++i) {
            if (errors[i].size() >= 2 && errors[i].compare(errors[i].size() - 2, 2, ", ") == 0 &&
                errors[i].find(".cpp:") != std::string::npos) {
                continue;  // location record
            }
            messages.push_back(errors[i]);
        }
        return messages;
    }

    static std::vector<JournalEntry> Creates() {
        return AudioServer::Instance().Entries(CallKind::Create);
    }

    TestSupport::LogCapture capture;
};

TEST_F(EffectObjectTest, NamesChooseTheImplementationUuid) {
    struct Case {
        const char* szName;
        const TarvoFX::IAudioEffect::EffectUUID* pExpected;
    } cases[] = {
        {"Veltra3", &VeltraEffectFactory::s_effectUUIDOutput},
        {"Korimo2", &VeltraEffectFactory::s_effectUUIDOutput},
        {"Nimbra3Proxy", &VeltraEffectFactory::s_effectUUIDInput},
        {"nimbra3proxy", &VeltraEffectFactory::s_effectUUIDOutput},
        {"", &VeltraEffectFactory::s_effectUUIDOutput},
        {"Unknown", &VeltraEffectFactory::s_effectUUIDOutput},
    };
    for (const Case& c : cases) {
        AudioServer::Instance().ClearJournal();
        auto pEffect = Make(c.szName);
        ASSERT_TRUE(pEffect->Init(0, 1)) << c.szName;
        std::vector<JournalEntry> creates = Creates();
        ASSERT_EQ(1u, creates.size());
        EXPECT_EQ(0, std::memcmp(&creates[0].uuid, c.pExpected, 16)) << c.szName;
        EXPECT_FALSE(creates[0].bTypeGiven);
    }
}

TEST_F(EffectObjectTest, ExportedUuidsHaveTheirStoredBytes) {
    const uint8_t aOutput[] = {0x60, 0xda, 0x12, 0xae, 0xac, 0x99, 0xdf, 0x11,
                               0x56, 0xb4, 0x00, 0x02, 0xa5, 0xd5, 0xc5, 0x1b};
    const uint8_t aInput[] = {0x5c, 0xf4, 0xed, 0x03, 0x35, 0xd9, 0x4a, 0x4d,
                              0xc6, 0x9a, 0xc3, 0xfb, 0xe4, 0x14, 0xac, 0x41};
    EXPECT_EQ(0, std::memcmp(aOutput, &VeltraEffectFactory::s_effectUUIDOutput, 16));
    EXPECT_EQ(0, std::memcmp(aInput, &VeltraEffectFactory::s_effectUUIDInput, 16));
    EXPECT_EQ(-1, VeltraEffectFactory::s_nInvalidIO);
    EXPECT_STREQ("Veltra3", VeltraEffectFactory::s_cszVeltra3);
    EXPECT_STREQ("Korimo2", VeltraEffectFactory::s_cszKorimo2);
    EXPECT_STREQ("Nimbra3Proxy", VeltraEffectFactory::s_cszNimbra3Proxy);
}

TEST_F(EffectObjectTest, InitCreatesTheMainEffectWithItsArguments) {
    auto pEffect = Make("Veltra3", 0);
    ASSERT_TRUE(pEffect->Init(5, 42));
    std::vector<JournalEntry> creates = Creates();
    ASSERT_EQ(1u, creates.size());
    EXPECT_EQ(5, creates[0].nPriority);
    EXPECT_EQ(42, creates[0].nSession);
    EXPECT_EQ(0, creates[0].nIO);  // an io handle of 0 stays 0
    EXPECT_EQ(1u, AudioServer::Instance().LiveInstanceCount());
    pEffect.reset();
    EXPECT_EQ(0u, AudioServer::Instance().LiveInstanceCount());
    // The destructor sends nothing and switches nothing off.
    EXPECT_TRUE(AudioServer::Instance().Commands().empty());
    EXPECT_TRUE(AudioServer::Instance().Entries(CallKind::SetEnabled).empty());
}

TEST_F(EffectObjectTest, NegativeIoHandleBecomesThePlatformDefault) {
    for (int32_t nIO : {-1, -7}) {
        AudioServer::Instance().ClearJournal();
        auto pEffect = Make("Veltra3", nIO);
        ASSERT_TRUE(pEffect->Init(0, 0));
        ASSERT_EQ(1u, Creates().size());
        EXPECT_EQ(13, Creates()[0].nIO) << nIO;
    }
}

TEST_F(EffectObjectTest, SecondInitReplacesAndReleasesTheFirstEffect) {
    auto pEffect = Make();
    ASSERT_TRUE(pEffect->Init(0, 1));
    ASSERT_TRUE(pEffect->Init(0, 2));
    std::vector<JournalEntry> releases = AudioServer::Instance().Entries(CallKind::Release);
    ASSERT_EQ(1u, releases.size());
    EXPECT_EQ(Creates()[0].nInstance, releases[0].nInstance);
    EXPECT_EQ(1u, AudioServer::Instance().LiveInstanceCount());
}

TEST_F(EffectObjectTest, RefusedPlatformEffectFailsInitWhichMayBeRetried) {
    AudioServer::Instance().InjectInitStatus(android::NO_INIT, AudioServer::kAnySession, 1);
    auto pEffect = Make("Veltra3", 4);
    EXPECT_FALSE(pEffect->Init(3, 9));
    EXPECT_EQ(std::vector<std::string>({"result = -19", "Deleting effect created on io:4 session:9",
                                        "Failed create effect nPriority 3 nSessionID 9"}),
              ErrorMessages());
    // The refused instance was released again.
    EXPECT_EQ(0u, AudioServer::Instance().LiveInstanceCount());
    // Each error message is preceded by its location record.
    std::vector<std::string> errors = capture.Messages(ANDROID_LOG_ERROR);
    ASSERT_EQ(6u, errors.size());
    EXPECT_EQ(0u, errors[0].find("Shared/FxShimWrapper/jni/FxShim.cpp:"));
    EXPECT_EQ(0u, errors[2].find("Shared/VeltraEffectAPI/VeltraEffectAPIBase.cpp:"));
    EXPECT_EQ(0u, errors[4].find("Shared/VeltraEffectAPI/VeltraEffectAPIBase.cpp:"));

    capture.Clear();
    EXPECT_TRUE(pEffect->Init(0, 10));
    EXPECT_TRUE(ErrorMessages().empty());
}

TEST_F(EffectObjectTest, AlreadyExistingEffectIsRefusedSilentlyByTheShim) {
    AudioServer::Instance().InjectInitStatus(android::ALREADY_EXISTS, AudioServer::kAnySession, 1);
    auto pEffect = Make("Veltra3", 4);
    EXPECT_FALSE(pEffect->Init(0, 9));
    EXPECT_EQ(std::vector<std::string>({"Deleting effect created on io:4 session:9",
                                        "Failed create effect nPriority 0 nSessionID 9"}),
              ErrorMessages());
}

TEST_F(EffectObjectTest, CommandsBeforeInitNeverReachThePlatform) {
    auto pEffect = Make();
    EXPECT_FALSE(pEffect->SetEnabled("x", true));
    EXPECT_FALSE(pEffect->ShouldEnableAndroidEffect(nullptr));
    EXPECT_FALSE(pEffect->SendCommand(0x10009));
    std::vector<char> buffer = {1, 2};
    EXPECT_FALSE(pEffect->SendCommand(0x10009, buffer));
    EXPECT_TRUE(AudioServer::Instance().Journal().empty());

    // Nor after a failed Init.
    AudioServer::Instance().InjectInitStatus(android::NO_INIT);
    EXPECT_FALSE(pEffect->Init(0, 1));
    AudioServer::Instance().ClearJournal();
    EXPECT_FALSE(pEffect->SetEnabled("x", true));
    EXPECT_TRUE(AudioServer::Instance().Journal().empty());
}

TEST_F(EffectObjectTest, SetEnabledSendsTheNameWithItsTerminator) {
    auto pEffect = Make();
    ASSERT_TRUE(pEffect->Init(0, 1));
    AudioServer::Instance().ClearJournal();

    EXPECT_TRUE(pEffect->SetEnabled("x", true));
    EXPECT_TRUE(pEffect->SetEnabled("", false));

    std::vector<JournalEntry> commands = AudioServer::Instance().Commands();
    ASSERT_EQ(4u, commands.size());
    EXPECT_EQ(0x10012u, commands[0].nCode);
    EXPECT_EQ(Bytes({'x', 0}), commands[0].request);
    EXPECT_FALSE(commands[0].bReplyRequested);
    EXPECT_EQ(0x10031u, commands[1].nCode);
    EXPECT_TRUE(commands[1].request.empty());
    EXPECT_EQ(1u, commands[1].nReplyCapacity);
    EXPECT_EQ(0x10013u, commands[2].nCode);
    EXPECT_EQ(Bytes({0}), commands[2].request);

    // The platform enable state follows the effect's answer.
    std::vector<JournalEntry> enables = AudioServer::Instance().Entries(CallKind::SetEnabled);
    ASSERT_EQ(2u, enables.size());
    EXPECT_TRUE(enables[0].bEnable);
    EXPECT_TRUE(enables[1].bEnable);  // "x" is still on after disabling ""
}

TEST_F(EffectObjectTest, SetEnabledPropagatesToSessionsInAscendingOrder) {
    auto pEffect = Make("Veltra3", 13);
    ASSERT_TRUE(pEffect->Init(4, 1));
    EXPECT_TRUE(pEffect->SetAudioSession(7, true));
    EXPECT_TRUE(pEffect->SetAudioSession(3, true));
    AudioServer::Instance().ClearJournal();

    EXPECT_TRUE(pEffect->SetEnabled("x", true));

    std::vector<JournalEntry> creates = Creates();
    ASSERT_EQ(2u, creates.size());
    EXPECT_EQ(3, creates[0].nSession);
    EXPECT_EQ(7, creates[1].nSession);
    for (const JournalEntry& create : creates) {
        EXPECT_EQ(10, create.nPriority);
        EXPECT_EQ(0, create.nIO);
    }
    // Each session effect is switched to the main effect's answer, then released at once.
    std::vector<JournalEntry> journal = AudioServer::Instance().Journal();
    std::vector<std::string> sequence;
    for (const JournalEntry& entry : journal) {
        sequence.push_back(HostPlatform::CallKindName(entry.eKind));
    }
    EXPECT_EQ(std::vector<std::string>({"command", "command", "setEnabled",  // main
                                        "create", "initCheck", "command", "setEnabled", "release",
                                        "create", "initCheck", "command", "setEnabled", "release"}),
              sequence);
    EXPECT_EQ(1u, AudioServer::Instance().LiveInstanceCount());
}

TEST_F(EffectObjectTest, SessionSetKeepsOneEntryPerSession) {
    auto pEffect = Make();
    ASSERT_TRUE(pEffect->Init(0, 1));
    EXPECT_TRUE(pEffect->SetAudioSession(5, true));
    EXPECT_TRUE(pEffect->SetAudioSession(5, true));
    EXPECT_TRUE(pEffect->SetAudioSession(9, false));
    AudioServer::Instance().ClearJournal();
    EXPECT_TRUE(pEffect->SetEnabled("x", true));
    EXPECT_EQ(1u, Creates().size());

    EXPECT_TRUE(pEffect->SetAudioSession(5, false));
    AudioServer::Instance().ClearJournal();
    EXPECT_TRUE(pEffect->SetEnabled("x", true));
    EXPECT_TRUE(Creates().empty());
}

TEST_F(EffectObjectTest, FailedSessionEffectEndsTheWalk) {
    auto pEffect = Make();
    ASSERT_TRUE(pEffect->Init(0, 1));
    pEffect->SetAudioSession(3, true);
    pEffect->SetAudioSession(7, true);
    AudioServer::Instance().InjectInitStatus(android::NO_INIT, 3);
    AudioServer::Instance().ClearJournal();
    capture.Clear();

    EXPECT_FALSE(pEffect->SetEnabled("x", true));
    std::vector<JournalEntry> creates = Creates();
    ASSERT_EQ(1u, creates.size());
    EXPECT_EQ(3, creates[0].nSession);
    EXPECT_EQ(
        std::vector<std::string>({"result = -19", "Deleting effect created on io:0 session:3"}),
        ErrorMessages());
}

TEST_F(EffectObjectTest, FailedSessionEnableEndsTheWalk) {
    auto pEffect = Make();
    ASSERT_TRUE(pEffect->Init(0, 1));
    pEffect->SetAudioSession(3, true);
    pEffect->SetAudioSession(7, true);
    AudioServer::Instance().InjectEnableStatus(android::DEAD_OBJECT, 3);
    AudioServer::Instance().ClearJournal();
    capture.Clear();

    EXPECT_FALSE(pEffect->SetEnabled("x", true));
    EXPECT_EQ(1u, Creates().size());
    EXPECT_EQ(std::vector<std::string>(
                  {"enabled = true, result = -32", "AudioEffectAudioFlinger::SetEnabled Failed!"}),
              ErrorMessages());
}

TEST_F(EffectObjectTest, RefusedAlgorithmCommandTouchesNoEnableStateOrSession) {
    auto pEffect = Make();
    ASSERT_TRUE(pEffect->Init(0, 1));
    pEffect->SetAudioSession(3, true);
    AudioServer::Instance().RefuseCommand(0x10012, android::BAD_VALUE);
    AudioServer::Instance().ClearJournal();
    capture.Clear();

    EXPECT_FALSE(pEffect->SetEnabled("x", true));
    EXPECT_TRUE(AudioServer::Instance().Entries(CallKind::SetEnabled).empty());
    EXPECT_TRUE(Creates().empty());
    EXPECT_EQ(std::vector<std::string>({"nCmdID = 65554 result = -22",
                                        "AudioEffectAudioFlinger::Command nCmdID 65554 Failed!"}),
              ErrorMessages());
}

TEST_F(EffectObjectTest, RefusedMainEnableFailsWithoutVisitingSessions) {
    auto pEffect = Make();
    ASSERT_TRUE(pEffect->Init(0, 1));
    pEffect->SetAudioSession(3, true);
    AudioServer::Instance().InjectEnableStatus(android::INVALID_OPERATION, AudioServer::kAnySession,
                                               1);
    AudioServer::Instance().ClearJournal();
    EXPECT_FALSE(pEffect->SetEnabled("x", true));
    EXPECT_TRUE(Creates().empty());
}

TEST_F(EffectObjectTest, ShouldEnableAsksTheMainEffectWhateverIsPassed) {
    auto pEffect = Make();
    ASSERT_TRUE(pEffect->Init(0, 1));
    AudioServer::Instance().SetResponder(0x10031, [](const Bytes&, uint32_t, Bytes& reply) {
        reply = {0};
        return 0;
    });
    EXPECT_FALSE(pEffect->ShouldEnableAndroidEffect(nullptr));
    AudioServer::Instance().SetResponder(0x10031, [](const Bytes&, uint32_t, Bytes& reply) {
        reply = {2};
        return 0;
    });
    EXPECT_TRUE(pEffect->ShouldEnableAndroidEffect(nullptr));
    AudioServer::Instance().RefuseCommand(0x10031);
    EXPECT_FALSE(pEffect->ShouldEnableAndroidEffect(nullptr));
}

TEST_F(EffectObjectTest, SendCommandFormsPassTheirArgumentsThrough) {
    auto pEffect = Make();
    ASSERT_TRUE(pEffect->Init(0, 1));
    AudioServer::Instance().SetResponder(
        0x10022, [](const Bytes& request, uint32_t nCapacity, Bytes& reply) {
            if (nCapacity > 0) {
                reply = request;
                reply.push_back(0xAB);
            }
            return 0;
        });
    AudioServer::Instance().ClearJournal();

    EXPECT_TRUE(pEffect->SendCommand(0x10022));
    const char aData[] = {1, 2, 3};
    EXPECT_TRUE(pEffect->SendCommand(0x10022, sizeof(aData), aData));
    EXPECT_TRUE(pEffect->SendCommand(0x10022, std::vector<char>{4, 5}));
    uint8_t aReply[8] = {};
    uint32_t nReplySize = sizeof(aReply);
    EXPECT_TRUE(pEffect->SendCommand(0x10022, sizeof(aData), aData, &nReplySize, aReply));
    EXPECT_EQ(4u, nReplySize);
    EXPECT_EQ(Bytes({1, 2, 3, 0xAB}), Bytes(aReply, aReply + 4));

    std::vector<JournalEntry> commands = AudioServer::Instance().Commands();
    ASSERT_EQ(4u, commands.size());
    EXPECT_TRUE(commands[0].request.empty());
    EXPECT_FALSE(commands[0].bReplyRequested);
    EXPECT_EQ(Bytes({1, 2, 3}), commands[1].request);
    EXPECT_FALSE(commands[1].bReplyRequested);
    EXPECT_EQ(Bytes({4, 5}), commands[2].request);
    EXPECT_EQ(8u, commands[3].nReplyCapacity);
}

TEST_F(EffectObjectTest, ShimLoaderIsBuiltOnceForTheProcess) {
    // Under CTest this process is fresh and the first call loads the shim;
    // whatever came before, later calls never load it again.
    TarvoFX::FxShimWrapper* pFirst = VeltraEffectFactory::GetFxShimWrapper();
    const size_t nLoads = capture.Messages(ANDROID_LOG_INFO).size();
    EXPECT_LE(nLoads, 1u);
    auto pEffect = Make();
    EXPECT_EQ(pFirst, VeltraEffectFactory::GetFxShimWrapper());
    std::vector<std::string> infos = capture.Messages(ANDROID_LOG_INFO);
    EXPECT_EQ(nLoads, infos.size());
    for (const std::string& strInfo : infos) {
        EXPECT_EQ("LoadLibrary -> libfxshim_Oreo.so", strInfo);
    }
}

TEST_F(EffectObjectTest, PlatformEventsReachTheApplicationCallback) {
    static std::vector<std::pair<int32_t, Bytes>> s_events;
    static std::mutex s_mutex;
    auto pfnCallback = [](int32_t nEvent, void* pUser, int32_t nSize, void* pData) {
        EXPECT_EQ(nullptr, pUser);
        std::lock_guard<std::mutex> lock(s_mutex);
        const uint8_t* pBytes = static_cast<const uint8_t*>(pData);
        s_events.emplace_back(nEvent, Bytes(pBytes, pBytes + nSize));
    };
    std::unique_ptr<TarvoFX::IVeltraEffectAPI> pEffect(
        VeltraEffectFactory::CreateVeltraEffect("Veltra3", -1, pfnCallback));
    ASSERT_TRUE(pEffect->Init(0, 1));
    const int32_t nInstance = Creates()[0].nInstance;
    AudioServer::Instance().PostParameterChanged(nInstance, Bytes{7, 0, 0, 0}, Bytes{1, 2});
    AudioServer::Instance().WaitForEvents();
    std::lock_guard<std::mutex> lock(s_mutex);
    ASSERT_EQ(1u, s_events.size());
    EXPECT_EQ(2, s_events[0].first);
    // The parameter's size and bytes.
    EXPECT_EQ(Bytes({7, 0, 0, 0}), s_events[0].second);
}

}  // namespace
