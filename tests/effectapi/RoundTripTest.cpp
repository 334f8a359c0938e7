// What one operation sets, another reads back: the effect object against the
// simulated effect's state, with no canned answers.
#include <gtest/gtest.h>
#include <unistd.h>
#include <utils/Errors.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "HostPlatform/AudioServer.h"
#include "HostPlatform/Properties.h"
#include "HostPlatform/SimulatedEffect.h"
#include "VeltraEffectAPI/VeltraEffectAPIBase.h"

using HostPlatform::AudioServer;
using HostPlatform::CallKind;
using HostPlatform::SimulatedEffect;

namespace {

class RoundTripTest : public ::testing::Test {
protected:
    void SetUp() override {
        HostPlatform::SetSystemProperty("ro.build.version.sdk", "28");
        AudioServer::Instance().Reset();
        pEffect.reset(TarvoFX::VeltraEffectFactory::CreateVeltraEffect("Veltra3", 13, nullptr));
        ASSERT_TRUE(pEffect->Init(0, 41));
        nInstance = AudioServer::Instance().Entries(CallKind::Create).at(0).nInstance;
        char szDir[] = "/tmp/veltra-roundtrip-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(szDir));
        strDir = szDir;
    }
    void TearDown() override {
        pEffect.reset();
        for (const std::string& strFile : files) {
            std::remove(strFile.c_str());
        }
        rmdir(strDir.c_str());
        AudioServer::Instance().Reset();
    }

    std::string File(const std::string& strName) {
        files.push_back(strDir + "/" + strName);
        return files.back();
    }
    SimulatedEffect::State State() const {
        return AudioServer::Instance().Effect(nInstance)->Snapshot();
    }
    double Get(unsigned nId, int32_t nOM, int32_t nSM, uint32_t nSub, bool bUser,
               bool bCombined = false) {
        double dValue = -1;
        bool bOk = bUser ? pEffect->Preset_GetUserParamsArray(1, &nId, &dValue, nOM, nSM, nSub,
                                                              bCombined, false)
                         : pEffect->Preset_GetBaseParamsArray(1, &nId, &dValue, nOM, nSM, nSub,
                                                              bCombined, false);
        EXPECT_TRUE(bOk);
        return dValue;
    }

    std::unique_ptr<TarvoFX::IVeltraEffectAPI> pEffect;
    int32_t nInstance = 0;
    std::string strDir;
    std::vector<std::string> files;
};

TEST_F(RoundTripTest, ModesAndTags) {
    ASSERT_TRUE(pEffect->SetOutputMode(2));
    ASSERT_TRUE(pEffect->SetSoundMode(3));
    ASSERT_TRUE(pEffect->SetTagEx(2, 3, 0, 0x0F0F));
    ASSERT_TRUE(pEffect->SetTagEx(2, 3, 0x0003, 0x1000));
    ASSERT_TRUE(pEffect->SetCustomOutputMode(2, 7));

    uint32_t nTag = 0;
    ASSERT_TRUE(pEffect->GetTag(2, 3, nTag));
    EXPECT_EQ(0x1F0Cu, nTag);
    ASSERT_TRUE(pEffect->GetTag(1, 3, nTag));
    EXPECT_EQ(0u, nTag);
    ASSERT_TRUE(pEffect->GetSupportedTag(2, 3, nTag));
    EXPECT_EQ(0xFFFFu, nTag);

    uint16_t nOM = 0, nSM = 0, nMT = 0;
    ASSERT_TRUE(pEffect->GetActive(nOM, nSM, nMT, nTag));
    EXPECT_EQ(2, nOM);
    EXPECT_EQ(3, nSM);
    EXPECT_EQ(7, nMT);  // the custom output mode set for mode 2
    EXPECT_EQ(0x1F0Cu, nTag);
}

TEST_F(RoundTripTest, CapabilitiesAsTheEffectReportsThem) {
    uint32_t nCount = 0;
    ASSERT_TRUE(pEffect->GetSupportedOutputModeCount(nCount));
    std::vector<unsigned> ids;
    std::vector<std::string> names;
    ASSERT_TRUE(pEffect->GetSupportedOutputModeNames(nCount, ids, names));
    EXPECT_EQ(std::vector<unsigned>({0, 1, 2, 3}), ids);
    EXPECT_EQ(std::vector<std::string>({"Speaker", "Headphone", "Bluetooth", "HDMI"}), names);

    ASSERT_TRUE(pEffect->GetSupportedSoundModeCount(nCount));
    std::vector<unsigned> values;
    ASSERT_TRUE(pEffect->GetSupportedSoundModeValues(nCount, values));
    EXPECT_EQ(std::vector<unsigned>({0, 1, 2, 3}), values);

    const uint32_t anOM[] = {1, 1, 3};
    const uint32_t anSM[] = {1, 2, 2};
    bool abDefault[] = {false, true, false};
    ASSERT_TRUE(pEffect->GetDefaultSoundMode(3, anOM, anSM, abDefault));
    EXPECT_TRUE(abDefault[0]);
    EXPECT_FALSE(abDefault[1]);
    EXPECT_TRUE(abDefault[2]);
}

TEST_F(RoundTripTest, ParametersPerLayerModeAndSubType) {
    const unsigned anIds[] = {10, 11};
    const double adUser[] = {0.5, 1.5};
    ASSERT_TRUE(pEffect->Preset_SetParamsArrayEx(2, anIds, adUser, 1, 2, 0x4, false));
    EXPECT_EQ(0.5, Get(10, 1, 2, 0x4, true));
    EXPECT_EQ(1.5, Get(11, 1, 2, 0x4, true));
    EXPECT_EQ(0.0, Get(10, 1, 2, 0x4, false));       // the base preset was not touched
    EXPECT_EQ(0.0, Get(10, 1, 2, 0x8, true));        // another sub-type
    EXPECT_EQ(0.5, Get(10, 1, 2, 0x0, true, true));  // combined: any sub-type holding the bits

    const double adBase[] = {7.0, 8.0};
    ASSERT_TRUE(pEffect->Preset_SetParamsArrayEx(2, anIds, adBase, 1, 2, 0x8, true));
    EXPECT_EQ(7.0, Get(10, 1, 2, 0x8, false));  // missing parameters reached the base
    const double adAgain[] = {9.0, 9.5};
    ASSERT_TRUE(pEffect->Preset_SetParamsArrayEx(2, anIds, adAgain, 1, 2, 0x8, true));
    EXPECT_EQ(7.0, Get(10, 1, 2, 0x8, false));  // present ones stay
    EXPECT_EQ(9.0, Get(10, 1, 2, 0x8, true));

    // Clearing one id of the user layer, then the base too, then everything.
    const unsigned nTen = 10;
    ASSERT_TRUE(pEffect->ClearParamsArray(1, &nTen, 1, 2, 0x8, false));
    EXPECT_EQ(7.0, Get(10, 1, 2, 0x8, true));  // the user layer falls back to the base
    ASSERT_TRUE(pEffect->ClearParamsArray(1, &nTen, 1, 2, 0x8, true));
    EXPECT_EQ(0.0, Get(10, 1, 2, 0x8, true));
    ASSERT_TRUE(pEffect->ClearParams());
    EXPECT_EQ(0.0, Get(11, 1, 2, 0x4, true));
    EXPECT_EQ(8.0, Get(11, 1, 2, 0x8, true));  // the base survives ClearParams

    // Must-find-all fails on an unknown id.
    const unsigned anUnknown[] = {11, 999};
    double adOut[2] = {-1, -1};
    EXPECT_FALSE(pEffect->Preset_GetBaseParamsArray(2, anUnknown, adOut, 1, 2, 0x8, false, true));
    EXPECT_EQ(-1, adOut[0]);
}

TEST_F(RoundTripTest, TuningParametersReadBackAcrossModes) {
    ASSERT_TRUE(pEffect->OnVTServerParameterSet(12, 0.75));
    double dValue = 0;
    ASSERT_TRUE(pEffect->OnVTServerParameterGet(12, dValue));
    EXPECT_EQ(0.75, dValue);
    // An id the effect does not hold reads as 0.
    ASSERT_TRUE(pEffect->OnVTServerParameterGet(13, dValue));
    EXPECT_EQ(0.0, dValue);
}

TEST_F(RoundTripTest, PresetFilesSavedAndLoadedBack) {
    const unsigned anIds[] = {1, 2};
    const double adValues[] = {0.125, 3.0};
    ASSERT_TRUE(pEffect->Preset_SetParamsArrayEx(2, anIds, adValues, 0, 0, 0, true));
    const std::string strBase = File("base.mps");
    const std::string strUser = File("user.mps");
    ASSERT_TRUE(pEffect->SavePresets(strBase));
    ASSERT_TRUE(pEffect->SaveUserPresets(strUser));

    // A fresh effect on another session starts empty and loads both files.
    std::unique_ptr<TarvoFX::IVeltraEffectAPI> pOther(
        TarvoFX::VeltraEffectFactory::CreateVeltraEffect("Veltra3", 13, nullptr));
    ASSERT_TRUE(pOther->Init(0, 42));
    double dValue = -1;
    const unsigned nOne = 1;
    ASSERT_TRUE(pOther->Preset_GetUserParamsArray(1, &nOne, &dValue, 0, 0, 0, false, false));
    EXPECT_EQ(0.0, dValue);
    ASSERT_TRUE(pOther->LoadPresets(strBase, strUser));
    ASSERT_TRUE(pOther->Preset_GetBaseParamsArray(1, &nOne, &dValue, 0, 0, 0, false, false));
    EXPECT_EQ(0.125, dValue);
    ASSERT_TRUE(pOther->Preset_GetUserParamsArray(1, &nOne, &dValue, 0, 0, 0, false, false));
    EXPECT_EQ(0.125, dValue);

    // A missing file is refused and changes nothing.
    EXPECT_FALSE(pOther->LoadPresets(strDir + "/missing.mps", ""));
    EXPECT_FALSE(pEffect->SavePresets(strDir + "/no/such/dir.mps"));
}

TEST_F(RoundTripTest, UserPresetChunkSavedAndLoadedBack) {
    const unsigned nId = 4;
    const double dValue = 2.5;
    ASSERT_TRUE(pEffect->Preset_SetParamsArrayEx(1, &nId, &dValue, 3, 1, 0, false));
    std::vector<char> chunk(512);
    uint32_t nSize = static_cast<uint32_t>(chunk.size()), nChecksum = 0, nType = 0;
    ASSERT_TRUE(pEffect->SaveUserPresetToChunk(chunk.data(), nSize, 0, nChecksum, nType));
    ASSERT_GT(nSize, 0u);
    ASSERT_LT(nSize, chunk.size());

    ASSERT_TRUE(pEffect->ClearParams());
    // The effect checks the checksum it handed out.
    EXPECT_FALSE(pEffect->LoadPresetsFromChunk(chunk.data(), nSize, nChecksum + 1, nType, false));
    ASSERT_TRUE(pEffect->LoadPresetsFromChunk(chunk.data(), nSize, nChecksum, nType, false));
    double dRead = 0;
    ASSERT_TRUE(pEffect->Preset_GetUserParamsArray(1, &nId, &dRead, 3, 1, 0, false, false));
    EXPECT_EQ(2.5, dRead);

    // A buffer too small for the chunk: the effect reports the size, the library refuses.
    uint32_t nSmall = 8;
    EXPECT_FALSE(pEffect->SaveUserPresetToChunk(chunk.data(), nSmall, 0, nChecksum, nType));
    EXPECT_EQ(8u, nSmall);
}

TEST_F(RoundTripTest, SettingsReachTheEffectState) {
    const char aConfig[] = {1, 2, 3};
    ASSERT_TRUE(pEffect->SetConfigByChunk(aConfig, 3, 6, 9));
    EXPECT_FALSE(pEffect->SetConfigByChunk(aConfig, 3, 7, 9));  // wrong checksum
    ASSERT_TRUE(pEffect->SetSystemVolume(0.25));
    ASSERT_TRUE(pEffect->SetRecordingEnable("/data/rec"));
    ASSERT_TRUE(pEffect->OpenClientPipe("/data/pipe"));
    ASSERT_TRUE(pEffect->SetTrackingDataRate(50));
    ASSERT_TRUE(pEffect->SetSensorFusionEnabled(true));
    ASSERT_TRUE(pEffect->SetForceBypass(13, 41, "eq", 2, true));
    ASSERT_TRUE(pEffect->SetPresetSelectorIndex(3));
    ASSERT_TRUE(pEffect->SetMetersServerEnable(true));
    ASSERT_TRUE(pEffect->CreateAndListenUnixServerSocket(true, "/tune"));
    EXPECT_FALSE(pEffect->CreateAndListenUnixServerSocket(true, "/tune"));  // already there
    ASSERT_TRUE(pEffect->CalibrateKv());
    ASSERT_TRUE(pEffect->Dump());

    SimulatedEffect::State state = State();
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3}), state.configChunks.at(9));
    EXPECT_EQ(0.25, state.dVolume);
    EXPECT_TRUE(state.bRecording);
    EXPECT_EQ("/data/rec", state.strRecordingPrefix);
    EXPECT_TRUE(state.bPipeOpen);
    EXPECT_EQ(50, state.nTrackingRate);
    EXPECT_TRUE(state.bSensorFusion);
    EXPECT_EQ(std::make_tuple(13, 41, 2, true), state.forceBypass.at("eq"));
    EXPECT_EQ(3u, state.nPresetSelectorIndex);
    EXPECT_TRUE(state.bMeters);
    EXPECT_EQ(1u, state.unixSockets.count("@/tune"));
    EXPECT_EQ(1u, state.nCalibrations);
    EXPECT_EQ(1u, state.nDumps);

    ASSERT_TRUE(pEffect->ClearConfig());
    ASSERT_TRUE(pEffect->SetRecordingDisable());
    ASSERT_TRUE(pEffect->CloseClientPipe());
    ASSERT_TRUE(pEffect->CloseAndDestroyUnixServerSocket("/tune"));
    EXPECT_FALSE(pEffect->CloseAndDestroyUnixServerSocket("/tune"));
    state = State();
    EXPECT_TRUE(state.configChunks.empty());
    EXPECT_FALSE(state.bRecording);
    EXPECT_FALSE(state.bPipeOpen);
    EXPECT_TRUE(state.unixSockets.empty());
}

TEST_F(RoundTripTest, TransactBufferGetsTheEffectsAnswerInPlace) {
    char aBuffer[] = {1, 2, 3, 4};
    ASSERT_TRUE(pEffect->TransactBuffer(sizeof(aBuffer), aBuffer));
    EXPECT_EQ(std::vector<char>({4, 3, 2, 1}), std::vector<char>(aBuffer, aBuffer + 4));
}

}  // namespace
