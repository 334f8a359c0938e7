// The transport and shim loader from the inside: this test links its own
// copy of the library's code (and so its own log object, whose levels it can
// lower), while the shim it loads is the real one.
#include <android/log.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "HostPlatform/AudioServer.h"
#include "HostPlatform/Properties.h"
#include "VeltraEffectAPI/AudioEffectAudioFlinger.h"
#include "VeltraEffectAPI/FxShimWrapper.h"
#include "VeltraEffectAPI/VeltraEffectAPIBase.h"
#include "logging/TarvoLog.h"
#include "support/Emulator.h"
#include "support/LogCapture.h"
#include "support/LogInit.h"

using HostPlatform::AudioServer;
using HostPlatform::CallKind;
using TarvoFX::FxShimWrapper;
using TarvoFX::TarvoLog;
using TarvoFX::VeltraEffectFactory;

namespace {

class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        HostPlatform::ClearSystemProperties();
        AudioServer::Instance().Reset();
        ASSERT_TRUE(TestSupport::WaitForLogInit());
        TarvoLog::Instance().SetLogLevel("TARVO_LOG_FXModule", 0);
        capture.Clear();
    }
    void TearDown() override { TarvoLog::Instance().SetLogLevel("TARVO_LOG_ALL", 2); }

    TestSupport::LogCapture capture;
};

TEST_F(LoaderTest, FileNameFollowsTheSdkLevel) {
    struct Case {
        int nSdk;
        const char* szName;
    } cases[] = {{0, "libfxshim_Lollipop.so"},     {22, "libfxshim_Lollipop.so"},
                 {23, "libfxshim_Marshmallow.so"}, {24, "libfxshim_Nougat.so"},
                 {25, "libfxshim_Nougat.so"},      {26, "libfxshim_Oreo.so"},
                 {28, "libfxshim_Oreo.so"},        {-5, "libfxshim_Lollipop.so"}};
    for (const Case& c : cases) {
        EXPECT_STREQ(c.szName, FxShimWrapper::GetDllFileName(c.nSdk)) << c.nSdk;
    }
    EXPECT_TRUE(capture.Contains("GetDllFileName() nAndroidSdkVersion = 23"));
}

TEST_F(LoaderTest, SystemPropertyAndDefaultIo) {
    EXPECT_EQ("", TarvoFX::GetSystemProperty("ro.build.version.sdk"));
    EXPECT_EQ(2, TarvoFX::GetDefaultIO());
    const std::pair<const char*, int> cases[] = {{"", 2},    {"23", 2},   {"24", 13}, {"28", 13},
                                                 {"abc", 2}, {"25x", 13}, {" 30", 13}};
    for (const auto& c : cases) {
        HostPlatform::SetSystemProperty("ro.build.version.sdk", c.first);
        EXPECT_EQ(c.second, TarvoFX::GetDefaultIO()) << c.first;
    }
    HostPlatform::SetSystemProperty("ro.build.version.sdk", "28");
    EXPECT_EQ("28", TarvoFX::GetSystemProperty("ro.build.version.sdk"));
    EXPECT_EQ("", TarvoFX::GetSystemProperty("no.such.property"));
}

TEST_F(LoaderTest, LoadingLogsTheChosenFileAndEveryStep) {
    HostPlatform::SetSystemProperty("ro.build.version.sdk", "26");
    FxShimWrapper* pWrapper = VeltraEffectFactory::GetFxShimWrapper();
    EXPECT_TRUE(pWrapper->IsLoaded());
    std::vector<std::string> expected = {"GetDllFileName() nAndroidSdkVersion = 26",
                                         "LoadLibrary -> libfxshim_Oreo.so"};
    EXPECT_EQ(expected, capture.Messages());
}

TEST_F(LoaderTest, PropertyWithoutDigitsSelectsTheOldestShimWhichIsMissing) {
    HostPlatform::SetSystemProperty("ro.build.version.sdk", "abc");
    FxShimWrapper wrapper;
    EXPECT_FALSE(wrapper.IsLoaded());
    std::vector<std::string> errors = capture.Messages(ANDROID_LOG_ERROR);
    ASSERT_EQ(2u, errors.size());
    EXPECT_EQ(0u, errors[0].find("Shared/VeltraEffectAPI/FxShimWrapper.cpp:"));
    // The record says what was read, which file was tried and why it failed.
    EXPECT_EQ(0u, errors[1].find("dlopen fail on libfxshim_Lollipop.so "
                                 "(ro.build.version.sdk is \"abc\", read as SDK level 0): "
                                 "libfxshim_Lollipop.so: cannot open shared object file"))
        << errors[1];
    EXPECT_TRUE(capture.Contains("LoadLibrary -> libfxshim_Lollipop.so"));
}

TEST_F(LoaderTest, UnsetPropertyIsNamedInTheLoadError) {
    HostPlatform::ClearSystemProperties();
    FxShimWrapper wrapper;
    EXPECT_FALSE(wrapper.IsLoaded());
    std::vector<std::string> errors = capture.Messages(ANDROID_LOG_ERROR);
    ASSERT_EQ(2u, errors.size());
    EXPECT_EQ(0u, errors[1].find("dlopen fail on libfxshim_Lollipop.so "
                                 "(ro.build.version.sdk is unset, read as SDK level 0): "
                                 "libfxshim_Lollipop.so: cannot open"))
        << errors[1];
}

TEST_F(LoaderTest, UnloadedLoaderFailsEveryOperationWithItsMessage) {
    HostPlatform::SetSystemProperty("ro.build.version.sdk", "23");
    {
        FxShimWrapper wrapper;
        capture.Clear();
        void* hEffect = reinterpret_cast<void*>(0x10);
        EXPECT_EQ(nullptr,
                  wrapper.Create(&VeltraEffectFactory::s_effectUUIDOutput, 0, 0, 0, nullptr));
        EXPECT_EQ(0, wrapper.InitCheck(hEffect));
        EXPECT_EQ(0, wrapper.Command(hEffect, 0x10009, 0, nullptr, nullptr, nullptr));
        EXPECT_EQ(0, wrapper.SetEnabled(hEffect, true));
        wrapper.ReleaseEffect(&hEffect);
        std::vector<std::string> errors = capture.Messages(ANDROID_LOG_ERROR);
        ASSERT_EQ(10u, errors.size());
        EXPECT_EQ("m_pfnCreate is NULL, Does it find Create symbol successfully?", errors[1]);
        EXPECT_EQ("m_pfnInitCheck is NULL, Does it find InitCheck symbol successfully?", errors[3]);
        EXPECT_EQ("m_pfnCommand is NULL, Does it find Command symbol successfully?", errors[5]);
        EXPECT_EQ("m_pfnSetEnabled is NULL, Does it find SetEnabled symbol successfully?",
                  errors[7]);
        EXPECT_EQ("m_pfnReleaseEffect is NULL, Does it find ReleaseEffect symbol successfully?",
                  errors[9]);
        capture.Clear();
    }
    // Unloading without a handle still clears the pointers.
    EXPECT_EQ(std::vector<std::string>({"FreeLibrary", "CleanPointers"}),
              capture.Messages(ANDROID_LOG_DEBUG));
    std::vector<std::string> errors = capture.Messages(ANDROID_LOG_ERROR);
    ASSERT_EQ(2u, errors.size());
    EXPECT_EQ("m_pLibHandle is NULL", errors[1]);
}

TEST_F(LoaderTest, EffectWithoutShimIsInvalidAndReleasesANullHandle) {
    HostPlatform::SetSystemProperty("ro.build.version.sdk", "23");
    FxShimWrapper wrapper;
    TarvoFX::AudioEffectBuilderAudioFlinger builder(&wrapper);
    capture.Clear();
    std::shared_ptr<TarvoFX::IAudioEffect> pEffect =
        builder.Create(&VeltraEffectFactory::s_effectUUIDOutput, 1, 2, 3, nullptr);
    ASSERT_NE(nullptr, pEffect);
    EXPECT_FALSE(pEffect->IsValid());
    EXPECT_FALSE(pEffect->InitCheck());
    capture.Clear();
    EXPECT_FALSE(pEffect->Command(0x10009, 0, nullptr, nullptr, nullptr));
    EXPECT_TRUE(capture.Records().empty());  // silent without a handle
    EXPECT_FALSE(pEffect->SetEnabled(true));
    EXPECT_EQ(std::vector<std::string>{"AudioEffectAudioFlinger::SetEnabled bEnabled True"},
              capture.Messages());
    capture.Clear();
    pEffect.reset();
    std::vector<std::string> errors = capture.Messages(ANDROID_LOG_ERROR);
    ASSERT_EQ(2u, errors.size());
    EXPECT_EQ("m_pfnReleaseEffect is NULL, Does it find ReleaseEffect symbol successfully?",
              errors[1]);
}

// An effect whose last holder goes at exit after the loader has closed the
// shim (it was built after the holder), while the log object is still open
// (it was built before): the release reports the missing function.
TEST_F(LoaderTest, EffectReleasedAfterTheLoaderClosedAtExitReportsTheMissingRelease) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TestSupport::StartDeathTestChildrenThroughEmulator();
    EXPECT_EXIT(
        {
            static std::shared_ptr<TarvoFX::IAudioEffect> s_pEffect;
            if (!TarvoLog::Instance().SetLogOutput("STDERR_LOG", true)) {
                std::exit(2);
            }
            HostPlatform::SetSystemProperty("ro.build.version.sdk", "28");
            TarvoFX::AudioEffectBuilderAudioFlinger builder(
                VeltraEffectFactory::GetFxShimWrapper());
            s_pEffect = builder.Create(&VeltraEffectFactory::s_effectUUIDOutput, 0, 1, 0, nullptr);
            std::exit(s_pEffect->IsValid() ? 0 : 3);
        },
        ::testing::ExitedWithCode(0),
        " ERROR: TARVO_LOG_FXModule m_pfnReleaseEffect is NULL, Does it find ReleaseEffect symbol "
        "successfully\\?\n");
}

TEST_F(LoaderTest, TransportLogsItsConstructionAndCalls) {
    HostPlatform::SetSystemProperty("ro.build.version.sdk", "28");
    FxShimWrapper* pWrapper = VeltraEffectFactory::GetFxShimWrapper();
    capture.Clear();
    TarvoFX::AudioEffectBuilderAudioFlinger builder(pWrapper);
    auto pEffect = builder.Create(&VeltraEffectFactory::s_effectUUIDOutput, 1, 2, 3, nullptr);
    ASSERT_TRUE(pEffect->IsValid());
    EXPECT_TRUE(pEffect->InitCheck());
    AudioServer::Instance().RefuseCommand(0x10012);
    char aPayload[] = {'x', 0};
    EXPECT_FALSE(pEffect->Command(0x10012, 2, aPayload, nullptr, nullptr));
    std::vector<std::string> expected = {
        "Entering function TarvoFX::AudioEffectBuilderAudioFlinger::"
        "AudioEffectBuilderAudioFlinger(TarvoFX::FxShimWrapper *)",
        "AudioEffectBuilderAudioFlinger::Create nPriority 1 nSessionID 2 nIO 3",
        "Entering function TarvoFX::AudioEffectAudioFlinger::AudioEffectAudioFlinger("
        "TarvoFX::FxShimWrapper *, const IAudioEffect::EffectUUID *, int32_t, int32_t, "
        "uint32_t, TarvoFX::PFN_AUDIOEFFECT_CALLBACK)",
    };
    std::vector<std::string> messages = capture.Messages();
    ASSERT_GE(messages.size(), expected.size() + 4);
    EXPECT_EQ(expected, std::vector<std::string>(messages.begin(), messages.begin() + 3));
    // The shim's error pair, then the transport's.
    EXPECT_EQ("nCmdID = 65554 result = -22", messages[4]);
    EXPECT_EQ(0u, messages[5].find("Shared/VeltraEffectAPI/AudioEffectAudioFlinger.cpp:"));
    EXPECT_EQ("AudioEffectAudioFlinger::Command nCmdID 65554 Failed!", messages[6]);
}

TEST_F(LoaderTest, ObjectLogsItsLifecycleAtDebugLevel) {
    HostPlatform::SetSystemProperty("ro.build.version.sdk", "28");
    VeltraEffectFactory::GetFxShimWrapper();
    capture.Clear();
    std::unique_ptr<TarvoFX::VeltraEffectAPIBase> pEffect(
        VeltraEffectFactory::CreateVeltraEffect("Korimo2", -1, nullptr));
    pEffect->SetAudioSession(5, true);
    pEffect->SetAudioSession(9, false);
    pEffect->Init(2, 3);
    pEffect->SetEnabled("x", true);
    pEffect->SetAudioSession(5, false);
    pEffect->SetEnabled("y", false);
    pEffect.reset();

    std::vector<std::string> debug = capture.Messages(ANDROID_LOG_DEBUG);
    auto has = [&](const std::string& strText) {
        return std::find(debug.begin(), debug.end(), strText) != debug.end();
    };
    EXPECT_EQ("CreateVeltraEffect Korimo2 -1", debug.at(0));
    EXPECT_TRUE(has("VeltraEffectAPIBase::VeltraEffectAPIBase nID 13"));
    EXPECT_TRUE(has("Adding session: 5 to m_setAudioSession"));
    EXPECT_TRUE(has("Removing session: 9 from m_setAudioSession"));
    EXPECT_TRUE(has("VeltraEffectAPIBase::Init nPriority 2 nSessionID 3"));
    EXPECT_TRUE(has("VeltraEffectAPIBase::SetEnabled strAlg x True"));
    EXPECT_TRUE(has("VeltraEffectAPIBase::ShouldEnableAndroidEffect"));
    EXPECT_TRUE(has("bShouldEnableAndroidEffect true"));
    EXPECT_TRUE(has("VeltraEffectAPIBase::SetEnabled strAlg y False"));
    EXPECT_TRUE(
        has("VeltraEffectAPIBase::SetEnabled no session effects registered. No need to "
            "propergate to session effects."));
    bool bSessionLine = false;
    for (const std::string& strLine : debug) {
        bSessionLine =
            bSessionLine || (strLine.find("VeltraEffectAPIBase::SetEnabled pAudioEffect 0x") == 0 &&
                             strLine.find(" session 5") != std::string::npos);
    }
    EXPECT_TRUE(bSessionLine);
    EXPECT_TRUE(capture.Contains(
        "Entering function virtual TarvoFX::VeltraEffectAPIBase::~VeltraEffectAPIBase()"));
}

}  // namespace
