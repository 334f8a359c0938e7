// The effect object's log settings apply to the effect and to this library's
// own log object alike (seen here through a copy of the library's code).
#include <gtest/gtest.h>
#include <utils/Errors.h>

#include <memory>

#include "HostPlatform/AudioServer.h"
#include "HostPlatform/Properties.h"
#include "HostPlatform/SimulatedEffect.h"
#include "VeltraEffectAPI/VeltraEffectAPIBase.h"
#include "logging/TarvoLog.h"
#include "logging/TarvoLogImpl.h"
#include "support/LogInit.h"

using HostPlatform::AudioServer;
using TarvoFX::TarvoLog;

namespace {

class LocalLogSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        HostPlatform::SetSystemProperty("ro.build.version.sdk", "28");
        AudioServer::Instance().Reset();
        ASSERT_TRUE(TestSupport::WaitForLogInit());
        pEffect.reset(TarvoFX::VeltraEffectFactory::CreateVeltraEffect("Veltra3", 13, nullptr));
        ASSERT_TRUE(pEffect->Init(0, 1));
    }
    void TearDown() override {
        pEffect.reset();
        TarvoLog::Instance().SetLogLevel("TARVO_LOG_ALL", 2);
        TarvoLog::Instance().SetLogOutput("STDOUT_LOG", false);
        AudioServer::Instance().Reset();
    }

    std::unique_ptr<TarvoFX::IVeltraEffectAPI> pEffect;
};

TEST_F(LocalLogSettingsTest, LevelReachesBothSides) {
    ASSERT_TRUE(pEffect->SetLogLevel("TARVO_LOG_JNI", 0));
    EXPECT_EQ(0, TarvoLog::Instance().GetTagLevel(TarvoFX::TARVO_LOG_TAG_JNI));
    auto state =
        AudioServer::Instance().Effect(AudioServer::Instance().LiveInstances().at(0))->Snapshot();
    EXPECT_EQ(0u, state.logLevels.at("TARVO_LOG_JNI"));
}

TEST_F(LocalLogSettingsTest, RefusedCommandStillChangesTheLocalLevel) {
    AudioServer::Instance().RefuseCommand(0x10002);
    EXPECT_FALSE(pEffect->SetLogLevel("TARVO_LOG_JNI", 4));
    EXPECT_EQ(4, TarvoLog::Instance().GetTagLevel(TarvoFX::TARVO_LOG_TAG_JNI));
}

TEST_F(LocalLogSettingsTest, UnknownNamesFailLocallyThoughTheEffectAccepts) {
    EXPECT_FALSE(pEffect->SetLogLevel("NO_SUCH_TAG", 1));
    EXPECT_FALSE(pEffect->SetLogOutput("NO_SUCH_OUTPUT", true));
    EXPECT_EQ(2u, AudioServer::Instance().Commands().size());
}

TEST_F(LocalLogSettingsTest, OutputReachesBothSides) {
    ASSERT_TRUE(pEffect->SetLogOutput("STDOUT_LOG", true));
    EXPECT_TRUE(TarvoLog::Instance().m_pImpl->GetOutput(2)->IsEnabled());
    EXPECT_FALSE(TarvoLog::Instance().m_pImpl->IsAndroidOnly());
    AudioServer::Instance().RefuseCommand(0x10039);
    EXPECT_FALSE(pEffect->SetLogOutput("STDOUT_LOG", false));
    EXPECT_FALSE(TarvoLog::Instance().m_pImpl->GetOutput(2)->IsEnabled());
}

}  // namespace
