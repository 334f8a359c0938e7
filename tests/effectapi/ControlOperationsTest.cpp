// The effect operations' requests, byte for byte, and how their replies are
// read, through the real library and shim. Expected bytes are built here from
// the command layouts, independently of the library's own encoders.
#include <gtest/gtest.h>
#include <utils/Errors.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "HostPlatform/AudioServer.h"
#include "HostPlatform/Properties.h"
#include "VeltraEffectAPI/VeltraEffectAPIBase.h"

using HostPlatform::AudioServer;
using HostPlatform::Bytes;
using HostPlatform::JournalEntry;

namespace {

// Little-endian byte builders.
Bytes U8(uint8_t n) {
    return {n};
}
Bytes U16(uint16_t n) {
    return {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8)};
}
Bytes U32(uint32_t n) {
    return {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n >> 16),
            static_cast<uint8_t>(n >> 24)};
}
Bytes F64(double d) {
    Bytes bytes(8);
    std::memcpy(bytes.data(), &d, 8);
    return bytes;
}
Bytes Text(const std::string& strText) {
    Bytes bytes(strText.begin(), strText.end());
    bytes.push_back(0);
    return bytes;
}
Bytes Zeros(size_t n) {
    return Bytes(n, 0);
}
Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

class ControlOperationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        HostPlatform::SetSystemProperty("ro.build.version.sdk", "28");
        AudioServer::Instance().Reset();
        pEffect.reset(TarvoFX::VeltraEffectFactory::CreateVeltraEffect("Veltra3", 13, nullptr));
        ASSERT_TRUE(pEffect->Init(0, 1));
        AudioServer::Instance().ClearJournal();
    }
    void TearDown() override {
        pEffect.reset();
        AudioServer::Instance().Reset();
    }

    // The one command an operation sent.
    static JournalEntry OnlyCommand() {
        std::vector<JournalEntry> commands = AudioServer::Instance().Commands();
        EXPECT_EQ(1u, commands.size());
        return commands.empty() ? JournalEntry() : commands[0];
    }

    static void Answer(uint32_t nCode, Bytes reply) {
        AudioServer::Instance().SetResponder(nCode, [reply](const Bytes&, uint32_t, Bytes& out) {
            out = reply;
            return 0;
        });
    }

    std::unique_ptr<TarvoFX::IVeltraEffectAPI> pEffect;
};

struct RequestCase {
    const char* szName;
    std::function<bool(TarvoFX::IVeltraEffectAPI&)> call;
    uint32_t nCode;
    Bytes request;
    int nReplyCapacity;  // -1: no reply buffer
};

// Each operation sends exactly its request, with its reply capacity; queries
// are answered with replies that fill their buffers.
void ExpectRequests(TarvoFX::IVeltraEffectAPI& effect, const std::vector<RequestCase>& cases) {
    for (const RequestCase& c : cases) {
        AudioServer::Instance().ClearJournal();
        AudioServer::Instance().ClearResponders();
        // Answer queries with replies that fill their buffers.
        AudioServer::Instance().SetResponder(c.nCode,
                                             [](const Bytes&, uint32_t nCapacity, Bytes& reply) {
                                                 reply.assign(nCapacity, 0);
                                                 return 0;
                                             });
        EXPECT_TRUE(c.call(effect)) << c.szName;
        std::vector<JournalEntry> commands = AudioServer::Instance().Commands();
        ASSERT_EQ(1u, commands.size()) << c.szName;
        EXPECT_EQ(c.nCode, commands[0].nCode) << c.szName;
        EXPECT_EQ(c.request, commands[0].request) << c.szName;
        if (c.nReplyCapacity < 0) {
            EXPECT_FALSE(commands[0].bReplyRequested) << c.szName;
        } else {
            EXPECT_EQ(static_cast<uint32_t>(c.nReplyCapacity), commands[0].nReplyCapacity)
                << c.szName;
        }
    }
}

TEST_F(ControlOperationsTest, RequestsMatchTheirLayouts) {
    static const unsigned anIds[] = {7, 0x01020304};
    static const char aChunk[] = {'a', 'b', 'c'};
    static char aTransact[] = {1, 2, 3, 4, 5};
    const std::vector<RequestCase> cases = {
        {"SetOutputDeviceDetectionEnabled(true)",
         [](auto& e) { return e.SetOutputDeviceDetectionEnabled(true); },
         0x10019,
         {},
         -1},
        {"SetOutputDeviceDetectionEnabled(false)",
         [](auto& e) { return e.SetOutputDeviceDetectionEnabled(false); },
         0x1001A,
         {},
         -1},
        {"SetVeltSenseEnabled(true)",
         [](auto& e) { return e.SetVeltSenseEnabled(true); },
         0x1001D,
         {},
         -1},
        {"SetVeltSenseEnabled(false)",
         [](auto& e) { return e.SetVeltSenseEnabled(false); },
         0x1001E,
         {},
         -1},
        {"SetOutputMode", [](auto& e) { return e.SetOutputMode(0x12345); }, 0x10008, U16(0x2345),
         -1},
        {"SetSoundMode", [](auto& e) { return e.SetSoundMode(-3); }, 0x10003, U16(0xFFFD), -1},
        {"SetCustomOutputMode", [](auto& e) { return e.SetCustomOutputMode(2, 0x10005); }, 0x1001C,
         Cat({U16(2), U16(5)}), -1},
        {"SetSmoothingEnable", [](auto& e) { return e.SetSmoothingEnable(true); }, 0x10016, U16(1),
         -1},
        {"SetSensorFusionEnabled", [](auto& e) { return e.SetSensorFusionEnabled(false); }, 0x1002D,
         U8(0), -1},
        {"SetTrackingDataRate", [](auto& e) { return e.SetTrackingDataRate(0xBEEF); }, 0x1002A,
         U16(0xBEEF), -1},
        {"CalibrateKv", [](auto& e) { return e.CalibrateKv(); }, 0x10029, {}, -1},
        {"GetSessionData", [](auto& e) { return e.GetSessionData(); }, 0x10028, {}, -1},
        {"Dump", [](auto& e) { return e.Dump(); }, 0x1003B, {}, -1},
        {"SetTagEx", [](auto& e) { return e.SetTagEx(1, -3, 0xABCD1234, 0x5678); }, 0x10001,
         Cat({U32(1), U32(0xFFFFFFFD), U16(0x1234), U16(0x5678)}), -1},
        {"GetTag",
         [](auto& e) {
             uint32_t nTag = 0;
             return e.GetTag(3, 0x10004, nTag);
         },
         0x10021, Cat({U16(3), U16(4)}), 4},
        {"GetSupportedTag",
         [](auto& e) {
             uint32_t nTag = 0;
             return e.GetSupportedTag(5, 6, nTag);
         },
         0x10024, Cat({U16(5), U16(6)}), 4},
        {"GetActive",
         [](auto& e) {
             uint16_t a = 0, b = 0, c = 0;
             uint32_t d = 0;
             return e.GetActive(a, b, c, d);
         },
         0x10004,
         {},
         12},
        {"SetRecordingEnable", [](auto& e) { return e.SetRecordingEnable("/data/rec"); }, 0x10007,
         Text("/data/rec"), -1},
        {"SetRecordingEnable(empty)", [](auto& e) { return e.SetRecordingEnable(""); }, 0x10007,
         U8(0), -1},
        {"SetRecordingDisable", [](auto& e) { return e.SetRecordingDisable(); }, 0x1001B, {}, -1},
        {"OpenClientPipe", [](auto& e) { return e.OpenClientPipe("/p"); }, 0x10017, Text("/p"), -1},
        {"CloseClientPipe", [](auto& e) { return e.CloseClientPipe(); }, 0x10018, {}, -1},
        {"GetSupportedOutputModeCount",
         [](auto& e) {
             uint32_t n = 0;
             return e.GetSupportedOutputModeCount(n);
         },
         0x10022,
         {},
         4},
        {"GetSupportedSoundModeCount",
         [](auto& e) {
             uint32_t n = 0;
             return e.GetSupportedSoundModeCount(n);
         },
         0x10033,
         {},
         4},
        {"GetSupportedSoundModeValues",
         [](auto& e) {
             std::vector<unsigned> values;
             return e.GetSupportedSoundModeValues(3, values);
         },
         0x10034, U32(3), 12},
        {"SetForceBypass", [](auto& e) { return e.SetForceBypass(13, 77, "virtualizer", 2, true); },
         0x1002B, Cat({U32(13), U32(77), Text("virtualizer"), Zeros(128 - 12), U32(2), U32(1)}),
         -1},
        {"TransactBuffer", [](auto& e) { return e.TransactBuffer(5, aTransact); }, 0x10030,
         Bytes{1, 2, 3, 4, 5}, 5},
        {"ClearParams", [](auto& e) { return e.ClearParams(); }, 0x10009, {}, -1},
        {"ClearParamsArray",
         [](auto& e) { return e.ClearParamsArray(2, anIds, 4, -3, 0x80000001, true); }, 0x10015,
         Cat({U32(2), U16(4), U16(0xFFFD), U32(0x80000001), U8(1), Zeros(3), U32(7),
              U32(0x01020304)}),
         -1},
        {"LoadPresetsFromChunk",
         [](auto& e) { return e.LoadPresetsFromChunk(aChunk, 3, 0xCAFE, 9, true); }, 0x1002E,
         Cat({U32(9), U32(0xCAFE), U32(3), U32(1), Bytes{'a', 'b', 'c'}}), 4},
        {"SavePresets", [](auto& e) { return e.SavePresets("/sdcard/p.mps"); }, 0x10005,
         Text("/sdcard/p.mps"), -1},
        {"SaveUserPresets", [](auto& e) { return e.SaveUserPresets("/u"); }, 0x1002C, Text("/u"),
         -1},
        {"SaveUserPresetToChunk",
         [](auto& e) {
             char aOut[16];
             uint32_t nSize = sizeof(aOut), nOut = 0, nInOut = 0x55;
             return e.SaveUserPresetToChunk(aOut, nSize, 0x66, nOut, nInOut);
         },
         0x1002F, Cat({U32(16), U32(0x55), U32(0x66)}), 28},
        {"Preset_GetUserParamsArray",
         [](auto& e) {
             double ad[2];
             return e.Preset_GetUserParamsArray(2, anIds, ad, 1, 2, 0x10, true, false);
         },
         0x10010, Cat({U32(2), U16(1), U16(2), U32(0x10), U32(1), U32(0), U32(7), U32(0x01020304)}),
         16},
        {"Preset_GetBaseParamsArray",
         [](auto& e) {
             double ad[2];
             return e.Preset_GetBaseParamsArray(2, anIds, ad, 1, 2, 0x10, true, false);
         },
         0x10025, Cat({U32(2), U16(1), U16(2), U32(0x10), U32(1), U32(0), U32(7), U32(0x01020304)}),
         16},
        {"Preset_GetParamsArray(0 ids)",
         [](auto& e) {
             return e.Preset_GetParamsArray(0, nullptr, nullptr, 0, 0, 0, false, true, true);
         },
         0x10010, Cat({U32(0), U16(0), U16(0), U32(0), U32(0), U32(1)}), 0},
        {"SetPresetSelectorIndex", [](auto& e) { return e.SetPresetSelectorIndex(258); }, 0x10038,
         U32(258), -1},
        {"ClearConfig", [](auto& e) { return e.ClearConfig(); }, 0x10037, {}, 4},
    };
    ExpectRequests(*pEffect, cases);
}

TEST_F(ControlOperationsTest, ForceBypassNameMustLeaveRoomForItsTerminator) {
    const std::string strLongest(127, 'n');
    EXPECT_TRUE(pEffect->SetForceBypass(1, 2, strLongest, 3, false));
    JournalEntry command = OnlyCommand();
    ASSERT_EQ(144u, command.request.size());
    EXPECT_EQ(Bytes(strLongest.begin(), strLongest.end()),
              Bytes(command.request.begin() + 8, command.request.begin() + 135));
    EXPECT_EQ(0, command.request[135]);
    EXPECT_EQ(U32(0), Bytes(command.request.begin() + 140, command.request.end()));

    AudioServer::Instance().ClearJournal();
    EXPECT_FALSE(pEffect->SetForceBypass(1, 2, std::string(128, 'n'), 3, false));
    EXPECT_TRUE(AudioServer::Instance().Commands().empty());
}

TEST_F(ControlOperationsTest, FixedRepliesAreReadAtTheirOffsets) {
    Answer(0x10004, Cat({U32(0xA1B2C3D4), U16(3), U16(0xFFFD), U16(9), U16(0xEEEE)}));
    uint16_t nOM = 0, nSM = 0, nMT = 0;
    uint32_t nTag = 0;
    ASSERT_TRUE(pEffect->GetActive(nOM, nSM, nMT, nTag));
    EXPECT_EQ(3, nOM);
    EXPECT_EQ(0xFFFD, nSM);
    EXPECT_EQ(9, nMT);
    EXPECT_EQ(0xA1B2C3D4u, nTag);

    Answer(0x10021, U32(0x00F0000F));
    ASSERT_TRUE(pEffect->GetTag(1, 1, nTag));
    EXPECT_EQ(0x00F0000Fu, nTag);
    Answer(0x10024, U32(0xFFFF));
    ASSERT_TRUE(pEffect->GetSupportedTag(1, 1, nTag));
    EXPECT_EQ(0xFFFFu, nTag);

    uint32_t nCount = 0;
    Answer(0x10022, U32(6));
    ASSERT_TRUE(pEffect->GetSupportedOutputModeCount(nCount));
    EXPECT_EQ(6u, nCount);
    Answer(0x10033, U32(4));
    ASSERT_TRUE(pEffect->GetSupportedSoundModeCount(nCount));
    EXPECT_EQ(4u, nCount);

    Answer(0x10034, Cat({U32(10), U32(20), U32(30)}));
    std::vector<unsigned> values;
    ASSERT_TRUE(pEffect->GetSupportedSoundModeValues(3, values));
    EXPECT_EQ(std::vector<unsigned>({10, 20, 30}), values);

    Answer(0x10010, Cat({F64(0.25), F64(-7.5)}));
    const unsigned anIds[] = {1, 2};
    double adValues[2] = {};
    ASSERT_TRUE(pEffect->Preset_GetUserParamsArray(2, anIds, adValues, 0, 0, 0, false, false));
    EXPECT_EQ(0.25, adValues[0]);
    EXPECT_EQ(-7.5, adValues[1]);

    char aBuffer[4] = {1, 2, 3, 4};
    Answer(0x10030, Bytes{9, 8});
    ASSERT_TRUE(pEffect->TransactBuffer(sizeof(aBuffer), aBuffer));
    EXPECT_EQ(Bytes({9, 8, 3, 4}), Bytes(aBuffer, aBuffer + 4));
}

TEST_F(ControlOperationsTest, RefusedQueriesLeaveOutArgumentsUnchanged) {
    for (uint32_t nCode = 0x10000; nCode <= 0x1003C; ++nCode) {
        AudioServer::Instance().RefuseCommand(nCode, android::BAD_VALUE);
    }
    uint16_t nOM = 1, nSM = 2, nMT = 3;
    uint32_t nTag = 4, nCount = 5;
    EXPECT_FALSE(pEffect->GetActive(nOM, nSM, nMT, nTag));
    EXPECT_FALSE(pEffect->GetTag(0, 0, nTag));
    EXPECT_FALSE(pEffect->GetSupportedTag(0, 0, nTag));
    EXPECT_FALSE(pEffect->GetSupportedOutputModeCount(nCount));
    EXPECT_FALSE(pEffect->GetSupportedSoundModeCount(nCount));
    EXPECT_EQ(1, nOM);
    EXPECT_EQ(2, nSM);
    EXPECT_EQ(3, nMT);
    EXPECT_EQ(4u, nTag);
    EXPECT_EQ(5u, nCount);

    const unsigned anIds[] = {1};
    double adValues[1] = {42.0};
    EXPECT_FALSE(pEffect->Preset_GetBaseParamsArray(1, anIds, adValues, 0, 0, 0, false, false));
    EXPECT_EQ(42.0, adValues[0]);

    char aChunk[8] = {'k', 'e', 'e', 'p'};
    uint32_t nSize = sizeof(aChunk), nOut = 6, nInOut = 7;
    EXPECT_FALSE(pEffect->SaveUserPresetToChunk(aChunk, nSize, 1, nOut, nInOut));
    EXPECT_EQ(8u, nSize);
    EXPECT_EQ(6u, nOut);
    EXPECT_EQ(7u, nInOut);
    EXPECT_EQ('k', aChunk[0]);

    char aBuffer[2] = {1, 2};
    EXPECT_FALSE(pEffect->TransactBuffer(sizeof(aBuffer), aBuffer));
    EXPECT_EQ(Bytes({1, 2}), Bytes(aBuffer, aBuffer + 2));

    // The sound-mode value vector is sized before the command is sent.
    std::vector<unsigned> values = {9};
    EXPECT_FALSE(pEffect->GetSupportedSoundModeValues(3, values));
    EXPECT_EQ(3u, values.size());
}

TEST_F(ControlOperationsTest, SavedChunkIsCopiedOnlyWhenItFits) {
    uint32_t nSize = 8, nOut = 0, nInOut = 0x11;
    char aChunk[8] = {};
    Answer(0x1002F, Cat({U32(0xA), U32(0xB), U32(3), Bytes{'x', 'y', 'z'}}));
    ASSERT_TRUE(pEffect->SaveUserPresetToChunk(aChunk, nSize, 5, nOut, nInOut));
    EXPECT_EQ(3u, nSize);
    EXPECT_EQ(0xAu, nOut);
    EXPECT_EQ(0xBu, nInOut);
    EXPECT_EQ(Bytes({'x', 'y', 'z', 0}), Bytes(aChunk, aChunk + 4));

    // A chunk larger than the caller's buffer is refused and nothing is copied.
    std::memset(aChunk, '-', sizeof(aChunk));
    nSize = 2;
    nOut = 1;
    nInOut = 2;
    Answer(0x1002F, Cat({U32(0xA), U32(0xB), U32(3), Bytes{'x', 'y'}}));
    EXPECT_FALSE(pEffect->SaveUserPresetToChunk(aChunk, nSize, 5, nOut, nInOut));
    EXPECT_EQ(2u, nSize);
    EXPECT_EQ(1u, nOut);
    EXPECT_EQ(2u, nInOut);
    EXPECT_EQ('-', aChunk[0]);

    // So is a chunk that claims more bytes than the reply carries.
    nSize = 8;
    Answer(0x1002F, Cat({U32(0xA), U32(0xB), U32(6), Bytes{'x', 'y'}}));
    EXPECT_FALSE(pEffect->SaveUserPresetToChunk(aChunk, nSize, 5, nOut, nInOut));
    EXPECT_EQ(8u, nSize);
    EXPECT_EQ('-', aChunk[0]);
}

TEST_F(ControlOperationsTest, CountsBeyondThe32BitCommandSizeAreRefused) {
    std::vector<unsigned> values;
    EXPECT_FALSE(pEffect->GetSupportedSoundModeValues(0x40000000, values));
    EXPECT_TRUE(values.empty());
    const unsigned nId = 1;
    EXPECT_FALSE(pEffect->ClearParamsArray(0x3FFFFFFF, &nId, 0, 0, 0, false));
    EXPECT_TRUE(AudioServer::Instance().Commands().empty());
}

TEST_F(ControlOperationsTest, OperationsBeforeInitNeverReachThePlatform) {
    std::unique_ptr<TarvoFX::IVeltraEffectAPI> pFresh(
        TarvoFX::VeltraEffectFactory::CreateVeltraEffect("Veltra3", 13, nullptr));
    AudioServer::Instance().ClearJournal();
    uint16_t nOM = 1, nSM = 2, nMT = 3;
    uint32_t nTag = 4;
    EXPECT_FALSE(pFresh->GetActive(nOM, nSM, nMT, nTag));
    EXPECT_FALSE(pFresh->SetOutputMode(1));
    EXPECT_FALSE(pFresh->ClearParams());
    EXPECT_FALSE(pFresh->Dump());
    EXPECT_EQ(1, nOM);
    EXPECT_TRUE(AudioServer::Instance().Journal().empty());
}

// Tagged values, written out by hand.
Bytes TagString(const std::string& strText) {
    return Cat(
        {U8(9), U32(static_cast<uint32_t>(strText.size())), Bytes(strText.begin(), strText.end())});
}

TEST_F(ControlOperationsTest, MessageRequestsMatchTheirLayouts) {
    static const unsigned anIds[] = {5, 6};
    static const double adValues[] = {0.5, -2.0};
    static const uint32_t anFirst[] = {1, 2};
    static const uint32_t anSecond[] = {3, 4};
    static bool abFlags[] = {true, false};
    static const char aChunk[] = {'a', 'b'};
    const std::vector<RequestCase> cases = {
        {"LoadPresets(empty)", [](auto& e) { return e.LoadPresets("", ""); }, 0x10000,
         Bytes{0x0A, 1, 0, 0, 0, 9, 0, 0, 0, 0}, 4},
        {"LoadPresets(user only)", [](auto& e) { return e.LoadPresets("", "/u"); }, 0x10000,
         Cat({U8(0x0A), U32(2), TagString(""), TagString("/u")}), 4},
        {"LoadPresets", [](auto& e) { return e.LoadPresets("/b", ""); }, 0x10000,
         Cat({U8(0x0A), U32(1), TagString("/b")}), 4},
        {"SetLogLevel", [](auto& e) { return e.SetLogLevel("TARVO_LOG_JNI", 3) || true; }, 0x10002,
         Cat({TagString("TARVO_LOG_JNI"), U8(3), U32(4), U32(3)}), -1},
        {"SetLogOutput", [](auto& e) { return e.SetLogOutput("STDOUT_LOG", true) || true; },
         0x10039, Cat({TagString("STDOUT_LOG"), U8(7), U32(1), U8(1)}), -1},
        {"SetSystemVolume", [](auto& e) { return e.SetSystemVolume(0.5); }, 0x1003A,
         Cat({U8(5), U32(8), F64(0.5)}), -1},
        {"SetConfigByChunk", [](auto& e) { return e.SetConfigByChunk(aChunk, 2, 195, 7); }, 0x10036,
         Cat({U8(11), U32(2), Bytes{'a', 'b'}, U8(3), U32(4), U32(195), U8(3), U32(4), U32(7)}), 4},
        {"Preset_SetParamsArrayEx",
         [](auto& e) { return e.Preset_SetParamsArrayEx(2, anIds, adValues, 1, -3, 0x10, true); },
         0x1000F,
         Cat({U32(2), U32(1), U32(0xFFFFFFFD), U32(0x10), U32(5), U32(6), F64(0.5), F64(-2.0),
              U8(1)}),
         -1},
        {"GetSupportedOutputModeNames",
         [](auto& e) {
             std::vector<unsigned> ids;
             std::vector<std::string> names;
             e.GetSupportedOutputModeNames(3, ids, names);
             return true;
         },
         0x10023, U32(3), 216},
        {"GetDefaultSoundMode",
         [](auto& e) { return e.GetDefaultSoundMode(2, anFirst, anSecond, abFlags); }, 0x10032,
         Cat({U32(2), U32(1), U32(2), U32(3), U32(4), U8(1), U8(0)}), 22},
        {"SetMetersServerEnable", [](auto& e) { return e.SetMetersServerEnable(true); }, 0x10035,
         U32(1), -1},
        {"CreateAndListenUnixServerSocket",
         [](auto& e) { return e.CreateAndListenUnixServerSocket(true, "/s"); }, 0x10026,
         Cat({U32(1), U32(2), Bytes{'/', 's'}}), -1},
        {"CloseAndDestroyUnixServerSocket",
         [](auto& e) { return e.CloseAndDestroyUnixServerSocket("/s"); }, 0x10027,
         Cat({U32(2), Bytes{'/', 's'}}), -1},
        {"VTServerParameterArrayGet",
         [](auto& e) {
             std::vector<unsigned> ids = {5, 6};
             std::vector<double> values(2);
             std::vector<bool> found(2);
             return e.VTServerParameterArrayGet(ids, values, found);
         },
         0x1003C, Cat({U32(2), U32(0xFFFFFFFF), U32(0), U32(1), U32(0), U32(5), U32(6)}), 16},
    };
    ExpectRequests(*pEffect, cases);
}

TEST_F(ControlOperationsTest, TuningParameterSetSendsTwoArraysForEverySubType) {
    EXPECT_TRUE(pEffect->OnVTServerParameterSet(12, 0.5));
    std::vector<JournalEntry> commands = AudioServer::Instance().Commands();
    ASSERT_EQ(2u, commands.size());
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(0x1000Fu, commands[i].nCode);
        EXPECT_EQ(Cat({U32(1), U32(0xFFFFFFFD), U32(0xFFFFFFFD), U32(i == 0 ? 0 : 0xFFFFFFFF),
                       U32(12), F64(0.5), U8(0)}),
                  commands[i].request);
    }

    // Both sends are made even when the first is refused.
    AudioServer::Instance().ClearJournal();
    AudioServer::Instance().RefuseCommand(0x1000F, android::BAD_VALUE, 1);
    EXPECT_FALSE(pEffect->OnVTServerParameterArraySet({1, 2}, {0.1, 0.2}));
    EXPECT_EQ(2u, AudioServer::Instance().Commands().size());
}

TEST_F(ControlOperationsTest, TuningCallbacksRefuseNullTexts) {
    EXPECT_FALSE(pEffect->OnVTServerLogLevelSet(nullptr, 1));
    EXPECT_FALSE(pEffect->OnVTServerLogOutputSet(nullptr, true));
    EXPECT_FALSE(pEffect->OnVTServerRecordingEnabled(nullptr));
    EXPECT_FALSE(pEffect->OnVTServerMpsFileSet(nullptr));
    EXPECT_TRUE(AudioServer::Instance().Commands().empty());
}

TEST_F(ControlOperationsTest, OutputModeNamesComeInAscendingIdOrder) {
    Answer(0x10023, Cat({U32(1), U32(3), Bytes{'o', 'n', 'e'}, U32(4), U32(0), U32(1), U32(3),
                         Bytes{'u', 'n', 'o'}}));
    std::vector<unsigned> ids = {99};
    std::vector<std::string> names = {"old"};
    ASSERT_TRUE(pEffect->GetSupportedOutputModeNames(3, ids, names));
    // The repeated id keeps its later name and the vectors hold two entries.
    EXPECT_EQ(std::vector<unsigned>({1, 4}), ids);
    EXPECT_EQ(std::vector<std::string>({"uno", ""}), names);
}

TEST_F(ControlOperationsTest, BadOutputModeNameRepliesLeaveTheVectorsAlone) {
    std::vector<unsigned> ids = {99};
    std::vector<std::string> names = {"old"};
    // One entry more than asked for, an entry past the reply, and a refusal.
    Answer(0x10023, Cat({U32(1), U32(1), Bytes{'a'}, U32(2), U32(1), Bytes{'b'}}));
    EXPECT_FALSE(pEffect->GetSupportedOutputModeNames(1, ids, names));
    Answer(0x10023, Cat({U32(1), U32(50), Bytes{'a'}}));
    EXPECT_FALSE(pEffect->GetSupportedOutputModeNames(1, ids, names));
    AudioServer::Instance().RefuseCommand(0x10023);
    EXPECT_FALSE(pEffect->GetSupportedOutputModeNames(1, ids, names));
    EXPECT_EQ(std::vector<unsigned>{99}, ids);
    EXPECT_EQ(std::vector<std::string>{"old"}, names);

    // A count of 0 reserves no reply space, and the empty reply is below the minimum.
    AudioServer::Instance().ClearFaults();
    AudioServer::Instance().ClearResponders();
    AudioServer::Instance().ClearJournal();
    EXPECT_FALSE(pEffect->GetSupportedOutputModeNames(0, ids, names));
    EXPECT_EQ(0u, OnlyCommand().nReplyCapacity);
}

TEST_F(ControlOperationsTest, DefaultSoundModeFlagsOnlyFromAMatchingReply) {
    const uint32_t anFirst[] = {1, 2};
    const uint32_t anSecond[] = {3, 4};
    bool abFlags[] = {false, false};
    Answer(0x10032, Cat({U32(2), U32(1), U32(2), U32(3), U32(4), U8(0), U8(7)}));
    ASSERT_TRUE(pEffect->GetDefaultSoundMode(2, anFirst, anSecond, abFlags));
    EXPECT_FALSE(abFlags[0]);
    EXPECT_TRUE(abFlags[1]);

    // A reply for another count, or one that does not parse: true, flags untouched.
    Answer(0x10032, Cat({U32(1), U32(1), U32(3), U8(1)}));
    EXPECT_TRUE(pEffect->GetDefaultSoundMode(2, anFirst, anSecond, abFlags));
    Answer(0x10032, Bytes{1, 2, 3});
    EXPECT_TRUE(pEffect->GetDefaultSoundMode(2, anFirst, anSecond, abFlags));
    EXPECT_FALSE(abFlags[0]);
    EXPECT_TRUE(abFlags[1]);

    // A refused command: false, flags untouched.
    AudioServer::Instance().RefuseCommand(0x10032);
    EXPECT_FALSE(pEffect->GetDefaultSoundMode(2, anFirst, anSecond, abFlags));
    EXPECT_TRUE(abFlags[1]);
}

TEST_F(ControlOperationsTest, TuningParameterQueryReadsTheValues) {
    Answer(0x1003C, Cat({F64(1.5), F64(-0.25)}));
    std::vector<unsigned> ids = {5, 6};
    std::vector<double> values = {0, 0};
    std::vector<bool> found = {false, false};
    ASSERT_TRUE(pEffect->OnVTServerParameterArrayGet(ids, values, found));
    EXPECT_EQ(std::vector<double>({1.5, -0.25}), values);
    EXPECT_EQ(std::vector<bool>({true, true}), found);

    double dValue = 9.0;
    AudioServer::Instance().RefuseCommand(0x1003C);
    EXPECT_FALSE(pEffect->OnVTServerParameterGet(5, dValue));
    EXPECT_EQ(9.0, dValue);
}

}  // namespace
