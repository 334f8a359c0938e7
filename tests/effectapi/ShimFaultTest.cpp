// The effect object over a shim that is missing, or lacks one of its five
// functions. Each scenario runs in a process of its own: CTest puts the
// deficient shim first on the loader's search path (LD_LIBRARY_PATH).
#include <android/log.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "HostPlatform/AudioServer.h"
#include "HostPlatform/Properties.h"
#include "VeltraEffectAPI/VeltraEffectAPIBase.h"
#include "support/LogCapture.h"

using HostPlatform::AudioServer;
using HostPlatform::CallKind;
using TarvoFX::VeltraEffectFactory;

namespace {

class ShimFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        HostPlatform::SetSystemProperty("ro.build.version.sdk", "28");
        AudioServer::Instance().Reset();
        capture.Clear();
    }

    // Error messages in order, each checked to follow its location record.
    std::vector<std::string> Errors() {
        std::vector<std::string> errors = capture.Messages(ANDROID_LOG_ERROR);
        std::vector<std::string> messages;
        for (size_t i = 1; i < errors.size(); i += 2) {
            EXPECT_NE(std::string::npos, errors[i - 1].find(".cpp:")) << errors[i - 1];
            messages.push_back(errors[i]);
        }
        capture.Clear();
        return messages;
    }

    std::unique_ptr<TarvoFX::IVeltraEffectAPI> Make() {
        return std::unique_ptr<TarvoFX::IVeltraEffectAPI>(
            VeltraEffectFactory::CreateVeltraEffect("Veltra3", -1, nullptr));
    }

    TestSupport::LogCapture capture;
};

const std::string kNoCreate = "m_pfnCreate is NULL, Does it find Create symbol successfully?";
const std::string kNoInitCheck =
    "m_pfnInitCheck is NULL, Does it find InitCheck symbol successfully?";
const std::string kNoSetEnabled =
    "m_pfnSetEnabled is NULL, Does it find SetEnabled symbol successfully?";
const std::string kNoRelease =
    "m_pfnReleaseEffect is NULL, Does it find ReleaseEffect symbol successfully?";

TEST_F(ShimFaultTest, MissingShim) {
    HostPlatform::SetSystemProperty("ro.build.version.sdk", "23");
    auto pEffect = Make();
    std::vector<std::string> errors = Errors();
    ASSERT_EQ(1u, errors.size());
    EXPECT_EQ(0u, errors[0].find("dlopen fail on libfxshim_Marshmallow.so"));

    EXPECT_FALSE(pEffect->Init(0, 1));
    EXPECT_EQ(
        std::vector<std::string>({kNoCreate, "Deleting effect created on io:2 session:1",
                                  kNoRelease, "Failed create effect nPriority 0 nSessionID 1"}),
        Errors());
    EXPECT_FALSE(pEffect->SetEnabled("x", true));
    EXPECT_TRUE(AudioServer::Instance().Journal().empty());
}

TEST_F(ShimFaultTest, ShimWithoutCreate) {
    auto pEffect = Make();
    EXPECT_EQ(std::vector<std::string>(
                  {"dlsym fail, can't find  Create symbol", "find function symbols fail"}),
              Errors());
    EXPECT_FALSE(pEffect->Init(0, 1));
    EXPECT_EQ(
        std::vector<std::string>({kNoCreate, "Deleting effect created on io:13 session:1",
                                  kNoRelease, "Failed create effect nPriority 0 nSessionID 1"}),
        Errors());
    EXPECT_TRUE(AudioServer::Instance().Journal().empty());
}

TEST_F(ShimFaultTest, ShimWithoutCommand) {
    auto pEffect = Make();
    EXPECT_EQ(std::vector<std::string>(
                  {"dlsym fail, can't find  Command symbol", "find function symbols fail"}),
              Errors());
    // Create was found; the symbols after Command were never looked up.
    EXPECT_FALSE(pEffect->Init(0, 1));
    EXPECT_EQ(
        std::vector<std::string>({kNoInitCheck, "Deleting effect created on io:13 session:1",
                                  kNoRelease, "Failed create effect nPriority 0 nSessionID 1"}),
        Errors());
    EXPECT_EQ(1u, AudioServer::Instance().Entries(CallKind::Create).size());
}

TEST_F(ShimFaultTest, ShimWithoutInitCheck) {
    auto pEffect = Make();
    EXPECT_EQ(std::vector<std::string>(
                  {"dlsym fail, can't find  InitCheck symbol", "find function symbols fail"}),
              Errors());
    EXPECT_FALSE(pEffect->Init(0, 1));
    EXPECT_FALSE(pEffect->Init(0, 2));
    EXPECT_EQ(2u, AudioServer::Instance().Entries(CallKind::Create).size());
    EXPECT_TRUE(AudioServer::Instance().Entries(CallKind::InitCheck).empty());
    std::vector<std::string> errors = Errors();
    ASSERT_EQ(8u, errors.size());
    EXPECT_EQ(kNoInitCheck, errors[0]);
    EXPECT_EQ(kNoRelease, errors[2]);
}

TEST_F(ShimFaultTest, ShimWithoutSetEnabled) {
    auto pEffect = Make();
    EXPECT_EQ(std::vector<std::string>(
                  {"dlsym fail, can't find  SetEnabled symbol", "find function symbols fail"}),
              Errors());
    // Effects are created and commanded, but cannot be switched or released.
    ASSERT_TRUE(pEffect->Init(0, 1));
    EXPECT_FALSE(pEffect->SetEnabled("x", true));
    EXPECT_EQ(2u, AudioServer::Instance().Commands().size());
    EXPECT_EQ(
        std::vector<std::string>({kNoSetEnabled, "AudioEffectAudioFlinger::SetEnabled Failed!"}),
        Errors());
    pEffect.reset();
    EXPECT_EQ(std::vector<std::string>{kNoRelease}, Errors());
}

TEST_F(ShimFaultTest, ShimWithoutReleaseEffect) {
    auto pEffect = Make();
    EXPECT_EQ(std::vector<std::string>(
                  {"dlsym fail, can't find  ReleaseEffect symbol", "find function symbols fail"}),
              Errors());
    ASSERT_TRUE(pEffect->Init(0, 1));
    EXPECT_TRUE(pEffect->SetEnabled("x", true));
    pEffect.reset();
    EXPECT_EQ(std::vector<std::string>{kNoRelease}, Errors());
    EXPECT_TRUE(AudioServer::Instance().Entries(CallKind::Release).empty());
}

}  // namespace
