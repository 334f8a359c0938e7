// Calls the effect object through a companion application's own declaration
// of its interface and checks, in the platform journal, that each slot
// reaches the operation it names.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "HostPlatform/AudioServer.h"
#include "HostPlatform/Properties.h"
#include "effectapi/CompanionInterface.h"

using HostPlatform::AudioServer;
using HostPlatform::Bytes;
using HostPlatform::CallKind;
using HostPlatform::JournalEntry;

namespace {

class BinaryInterfaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        HostPlatform::SetSystemProperty("ro.build.version.sdk", "28");
        AudioServer::Instance().Reset();
        pEffect.reset(TarvoFX::VeltraEffectFactory::CreateVeltraEffect("Veltra3", 13, nullptr));
        ASSERT_TRUE(pEffect);
        ASSERT_TRUE(pEffect->Init(6, 21));  // slot 0
        AudioServer::Instance().ClearJournal();
    }
    void TearDown() override {
        pEffect.reset();
        AudioServer::Instance().Reset();
    }

    static std::vector<JournalEntry> Commands() { return AudioServer::Instance().Commands(); }

    std::unique_ptr<companion::VeltraEffect> pEffect;
};

TEST_F(BinaryInterfaceTest, FactoryStaticsAsTheApplicationSeesThem) {
    const uint8_t aOutput[] = {0x60, 0xda, 0x12, 0xae, 0xac, 0x99, 0xdf, 0x11,
                               0x56, 0xb4, 0x00, 0x02, 0xa5, 0xd5, 0xc5, 0x1b};
    EXPECT_EQ(0, std::memcmp(aOutput, &TarvoFX::VeltraEffectFactory::s_effectUUIDOutput, 16));
    EXPECT_EQ(-1, TarvoFX::VeltraEffectFactory::s_nInvalidIO);
    EXPECT_NE(nullptr, TarvoFX::VeltraEffectFactory::GetFxShimWrapper());
}

TEST_F(BinaryInterfaceTest, InitSlotCreatesTheMainEffect) {
    ASSERT_TRUE(pEffect->Init(3, 8));
    std::vector<JournalEntry> creates = AudioServer::Instance().Entries(CallKind::Create);
    ASSERT_EQ(1u, creates.size());
    EXPECT_EQ(3, creates[0].nPriority);
    EXPECT_EQ(8, creates[0].nSession);
    EXPECT_EQ(13, creates[0].nIO);
}

TEST_F(BinaryInterfaceTest, EnableAndSessionSlots) {
    EXPECT_TRUE(pEffect->SetAudioSession(4, true));  // slot 42
    EXPECT_TRUE(pEffect->SetEnabled("eq", true));    // slot 1
    std::vector<JournalEntry> commands = Commands();
    ASSERT_GE(commands.size(), 1u);
    EXPECT_EQ(0x10012u, commands[0].nCode);
    EXPECT_EQ(Bytes({'e', 'q', 0}), commands[0].request);
    std::vector<JournalEntry> creates = AudioServer::Instance().Entries(CallKind::Create);
    ASSERT_EQ(1u, creates.size());
    EXPECT_EQ(4, creates[0].nSession);
}

TEST_F(BinaryInterfaceTest, EffectCreationSlots) {
    std::shared_ptr<companion::PlatformEffect> pCreated = pEffect->CreateAudioEffect(  // slot 69
        reinterpret_cast<const companion::EffectUuid*>(
            &TarvoFX::VeltraEffectFactory::s_effectUUIDInput),
        2, 30, 5, nullptr);
    ASSERT_NE(nullptr, pCreated);
    std::vector<JournalEntry> creates = AudioServer::Instance().Entries(CallKind::Create);
    ASSERT_EQ(1u, creates.size());
    EXPECT_EQ(30, creates[0].nSession);
    EXPECT_EQ(5, creates[0].nIO);
    EXPECT_EQ(0x03edf45cu, creates[0].uuid.timeLow);

    EXPECT_FALSE(pEffect->ShouldEnableAndroidEffect(pCreated));  // slot 70
    std::vector<JournalEntry> commands = Commands();
    ASSERT_EQ(1u, commands.size());
    EXPECT_EQ(0x10031u, commands[0].nCode);
    EXPECT_NE(creates[0].nInstance, commands[0].nInstance);  // asked of the main effect

    pCreated.reset();
    EXPECT_EQ(1u, AudioServer::Instance().Entries(CallKind::Release).size());
}

TEST_F(BinaryInterfaceTest, SendCommandSlots) {
    const char aData[] = {'/', 'p', 0};
    EXPECT_TRUE(pEffect->SendCommand(0x10009));                           // slot 71
    EXPECT_TRUE(pEffect->SendCommand(0x10017, 3, aData));                 // slot 72
    EXPECT_TRUE(pEffect->SendCommand(0x10003, std::vector<char>{1, 2}));  // slot 73
    uint8_t nReply = 0;
    uint32_t nReplySize = 1;
    EXPECT_TRUE(pEffect->SendCommand(0x10031, 0, nullptr, &nReplySize, &nReply));  // slot 74
    std::vector<JournalEntry> commands = Commands();
    ASSERT_EQ(4u, commands.size());
    EXPECT_EQ(0x10009u, commands[0].nCode);
    EXPECT_EQ(0x10017u, commands[1].nCode);
    EXPECT_EQ(Bytes({'/', 'p', 0}), commands[1].request);
    EXPECT_EQ(0x10003u, commands[2].nCode);
    EXPECT_EQ(Bytes({1, 2}), commands[2].request);
    EXPECT_EQ(0x10031u, commands[3].nCode);
    EXPECT_TRUE(commands[3].bReplyRequested);
}

TEST_F(BinaryInterfaceTest, DestructorSlotReleasesTheEffect) {
    pEffect.reset();  // slots 46, 47
    std::vector<JournalEntry> journal = AudioServer::Instance().Journal();
    ASSERT_EQ(1u, journal.size());
    EXPECT_EQ(CallKind::Release, journal[0].eKind);
}

// Each slot, called through the companion declaration, sends the command of
// the operation it names (the first command it sends, when it sends several).
TEST_F(BinaryInterfaceTest, EverySlotReachesItsOperation) {
    uint32_t nU32 = 0;
    uint32_t nChunkSize = 8;
    uint16_t nU16 = 0;
    double dValue = 0;
    char aChunk[8] = {};
    unsigned anIds[1] = {1};
    double adValues[1] = {0};
    bool abFlags[1] = {false};
    std::vector<unsigned> ids = {1};
    std::vector<double> values = {0.0};
    std::vector<bool> found = {false};
    std::vector<std::string> names;
    companion::VeltraEffect& e = *pEffect;
    struct Slot {
        int nSlot;
        uint32_t nCode;  // 0: the operation sends no command (its call returns false)
        std::function<bool()> call;
    };
    const std::vector<Slot> slots = {
        {2, 0x10019, [&] { return e.SetOutputDeviceDetectionEnabled(true); }},
        {3, 0x1001E, [&] { return e.SetVeltSenseEnabled(false); }},
        {4, 0x10009, [&] { return e.ClearParams(); }},
        {5, 0x10015, [&] { return e.ClearParamsArray(1, anIds, 0, 0, 0, false); }},
        {6, 0x10001, [&] { return e.SetTagEx(0, 0, 1, 2); }},
        {7, 0x10021, [&] { return e.GetTag(0, 0, nU32); }},
        {8, 0x10008, [&] { return e.SetOutputMode(1); }},
        {9, 0x10004, [&] { return e.GetActive(nU16, nU16, nU16, nU32); }},
        {10, 0x10002, [&] { return e.SetLogLevel("TARVO_LOG_JNI", 2); }},
        {11, 0x10000, [&] { return e.LoadPresets("a", "b"); }},
        {12, 0x1002E, [&] { return e.LoadPresetsFromChunk(aChunk, 8, 0, 0, true); }},
        {13, 0x1002F, [&] { return e.SaveUserPresetToChunk(aChunk, nChunkSize, 0, nU32, nU32); }},
        {14, 0x10017, [&] { return e.OpenClientPipe("/p"); }},
        {15, 0x10018, [&] { return e.CloseClientPipe(); }},
        {16, 0x10005, [&] { return e.SavePresets("/p"); }},
        {17, 0x1002C, [&] { return e.SaveUserPresets("/p"); }},
        {18, 0x10007, [&] { return e.SetRecordingEnable("/r"); }},
        {19, 0x1001B, [&] { return e.SetRecordingDisable(); }},
        {20, 0x1000F,
         [&] { return e.Preset_SetParamsArrayEx(1, anIds, adValues, 0, 0, 0, false); }},
        {21, 0x10010,
         [&] { return e.Preset_GetUserParamsArray(1, anIds, adValues, 0, 0, 0, 0, 0); }},
        {22, 0x10025,
         [&] { return e.Preset_GetBaseParamsArray(1, anIds, adValues, 0, 0, 0, 0, 0); }},
        {23, 0x10003, [&] { return e.SetSoundMode(1); }},
        {24, 0x10016, [&] { return e.SetSmoothingEnable(true); }},
        {25, 0x1001C, [&] { return e.SetCustomOutputMode(1, 2); }},
        {26, 0, [&] { return !e.SetTcpIpEnable(true, 0); }},  // serves, sends nothing
        {27, 0x10035, [&] { return e.SetMetersServerEnable(true); }},
        {28, 0x10022, [&] { return e.GetSupportedOutputModeCount(nU32); }},
        {29, 0x10023, [&] { return e.GetSupportedOutputModeNames(1, ids, names); }},
        {30, 0x10024, [&] { return e.GetSupportedTag(0, 0, nU32); }},
        {31, 0x10026, [&] { return e.CreateAndListenUnixServerSocket(true, "/s"); }},
        {32, 0x10027, [&] { return e.CloseAndDestroyUnixServerSocket("/s"); }},
        {33, 0x10029, [&] { return e.CalibrateKv(); }},
        {34, 0x1002D, [&] { return e.SetSensorFusionEnabled(true); }},
        {35, 0x1002A, [&] { return e.SetTrackingDataRate(3); }},
        {36, 0x10038, [&] { return e.SetPresetSelectorIndex(2); }},
        {37, 0x1002B, [&] { return e.SetForceBypass(1, 2, "alg", 3, true); }},
        {38, 0x10030, [&] { return e.TransactBuffer(sizeof(aChunk), aChunk); }},
        {39, 0x10032, [&] { return e.GetDefaultSoundMode(1, &nU32, &nU32, abFlags); }},
        {40, 0x10033, [&] { return e.GetSupportedSoundModeCount(nU32); }},
        {41, 0x10034, [&] { return e.GetSupportedSoundModeValues(1, ids); }},
        {43, 0x10028, [&] { return e.GetSessionData(); }},
        {44, 0x10036, [&] { return e.SetConfigByChunk(aChunk, 8, 0, 0); }},
        {45, 0x10037, [&] { return e.ClearConfig(); }},
        {48, 0x10039, [&] { return e.SetLogOutput("STDOUT_LOG", true); }},
        {49, 0x1003A, [&] { return e.SetSystemVolume(0.5); }},
        {50, 0x1003B, [&] { return e.Dump(); }},
        {51, 0x1000F, [&] { return e.OnVTServerParameterSet(1, 0.5); }},
        {52, 0x1000F, [&] { return e.OnVTServerParameterArraySet(ids, values); }},
        {53, 0x1003C, [&] { return e.OnVTServerParameterGet(1, dValue); }},
        {54, 0x1003C, [&] { return e.OnVTServerParameterArrayGet(ids, values, found); }},
        {55, 0x1003C, [&] { return e.VTServerParameterArrayGet(ids, values, found); }},
        {56, 0x1001C, [&] { return e.OnVTServerCustomOutputModeSet(1, 2); }},
        {57, 0x10002, [&] { return e.OnVTServerLogLevelSet("TARVO_LOG_JNI", 2); }},
        {58, 0x10039, [&] { return e.OnVTServerLogOutputSet("STDOUT_LOG", true); }},
        {59, 0x10035, [&] { return e.OnVTServerMetersEnabled(true); }},
        {60, 0x10029, [&] { return e.OnVTServerCalibrateKv(); }},
        {61, 0x10008, [&] { return e.OnVTServerOutputModeSet(1); }},
        {62, 0x10007, [&] { return e.OnVTServerRecordingEnabled("/r"); }},
        {63, 0x1001B, [&] { return e.OnVTServerRecordingDisabled(); }},
        {64, 0x10003, [&] { return e.OnVTServerSoundModeSet(1); }},
        {65, 0x1003A, [&] { return e.OnVTServerSystemVolumeSet(0.5); }},
        {66, 0x10001, [&] { return e.OnVTServerTagExSet(1, 2, 3, 4); }},
        {67, 0x10000, [&] { return e.OnVTServerMpsFileSet("/m"); }},
        {68, 0x1003B, [&] { return e.OnVTServerDump(); }},
        {75, 0x10025,
         [&] { return e.Preset_GetParamsArray(1, anIds, adValues, 0, 0, 0, 0, 0, false); }},
    };
    // Every query gets an answer that fits its reply buffer.
    for (uint32_t nCode = 0x10000; nCode <= 0x1003C; ++nCode) {
        AudioServer::Instance().SetResponder(nCode,
                                             [](const Bytes&, uint32_t nCapacity, Bytes& reply) {
                                                 reply.assign(nCapacity >= 12 ? 12 : nCapacity, 0);
                                                 return 0;
                                             });
    }
    AudioServer::Instance().SetResponder(0x10023, [](const Bytes&, uint32_t, Bytes& reply) {
        reply = {0, 0, 0, 0, 1, 0, 0, 0, 'a'};  // one name: id 0, "a"
        return 0;
    });
    // These also apply the setting to the library's own log, which may still
    // be reading its configuration; their result is not the slot's concern.
    const std::set<int> localToo = {10, 48, 57, 58};
    for (const Slot& slot : slots) {
        AudioServer::Instance().ClearJournal();
        const bool bResult = slot.call();
        std::vector<JournalEntry> commands = Commands();
        if (slot.nCode == 0) {
            EXPECT_FALSE(bResult) << "slot " << slot.nSlot;
            EXPECT_TRUE(commands.empty()) << "slot " << slot.nSlot;
            continue;
        }
        EXPECT_TRUE(bResult || localToo.count(slot.nSlot) > 0) << "slot " << slot.nSlot;
        ASSERT_FALSE(commands.empty()) << "slot " << slot.nSlot;
        EXPECT_EQ(slot.nCode, commands[0].nCode) << "slot " << slot.nSlot;
    }
    AudioServer::Instance().ClearJournal();
    e.CreateTuningServers(0);  // slot 76: builds, does not enable
    EXPECT_TRUE(e.SetTcpIpEnable(false, 0));
    EXPECT_TRUE(AudioServer::Instance().Journal().empty());
}

}  // namespace
