// The library's messages as the simulated effect reads them: both sides
// decode the same bytes independently, so they must agree field by field.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "HostPlatform/EffectRequests.h"
#include "VTCommands/CVTCommandCloseDestroyUnixServerSocket.h"
#include "VTCommands/CVTCommandCreateListenUnixServerSocket.h"
#include "VTCommands/CVTCommandIsDefaultSoundMode.h"
#include "VTCommands/CVTCommandMultipleString.h"
#include "VTCommands/CVTCommandPresetSetParametersArray.h"
#include "VTCommands/CVTCommandSetConfigByChunk.h"
#include "VTCommands/CVTCommandSetLogLevel.h"
#include "VTCommands/CVTCommandSetLogOutput.h"
#include "VTCommands/CVTCommandSetSystemVolume.h"

using namespace TarvoFX;
using HostPlatform::EffectRequest;

namespace {

EffectRequest OnTheEffect(uint32_t nCode, const CVTCommandBase& message) {
    const std::vector<char> bytes = message.ToBuffer();
    EffectRequest decoded;
    EXPECT_TRUE(HostPlatform::DecodeEffectRequest(
        nCode, HostPlatform::Bytes(bytes.begin(), bytes.end()), decoded))
        << std::hex << nCode;
    return decoded;
}

TEST(WireAgreement, RawMessagesDecodeWithTheSameFields) {
    const uint32_t aIds[] = {100, 200};
    const double aValues[] = {0.5, -6.0};
    EffectRequest params = OnTheEffect(
        0x1000F, CVTCommandPresetSetParametersArray(2, -3, 4, 0x80000001, aIds, aValues, true));
    EXPECT_EQ(2, params.Number("n"));
    EXPECT_EQ(-3, params.Number("om"));
    EXPECT_EQ(4, params.Number("sm"));
    EXPECT_EQ(0x80000001, params.Number("subtypes"));
    EXPECT_EQ((std::vector<int64_t>{100, 200}), params.numbers.at("ids"));
    EXPECT_EQ((std::vector<double>{0.5, -6.0}), params.doubles.at("values"));
    EXPECT_EQ(1, params.Number("addMissingToBase"));

    EffectRequest create =
        OnTheEffect(0x10026, CVTCommandCreateListenUnixServerSocket(true, "/tmp/s"));
    EXPECT_EQ(1, create.Number("abstract"));
    EXPECT_EQ("/tmp/s", create.Text("path"));
    EXPECT_EQ("/tmp/s",
              OnTheEffect(0x10027, CVTCommandCloseDestroyUnixServerSocket("/tmp/s")).Text("path"));

    const uint32_t aFirst[] = {1, 2};
    const uint32_t aSecond[] = {3, 4};
    const bool abFlags[] = {false, true};
    EffectRequest defaults =
        OnTheEffect(0x10032, CVTCommandIsDefaultSoundMode(2, aFirst, aSecond, abFlags));
    EXPECT_EQ((std::vector<int64_t>{1, 2}), defaults.numbers.at("first"));
    EXPECT_EQ((std::vector<int64_t>{3, 4}), defaults.numbers.at("second"));
    EXPECT_EQ((std::vector<int64_t>{0, 1}), defaults.numbers.at("flags"));
}

TEST(WireAgreement, TaggedMessagesDecodeWithTheSameFields) {
    CVTCommandMultipleString paths;
    paths.AddString("/vendor/a.mps");
    paths.AddString("/data/u.mps");
    EXPECT_EQ((std::vector<std::string>{"/vendor/a.mps", "/data/u.mps"}),
              OnTheEffect(0x10000, paths).texts.at("paths"));

    EffectRequest level = OnTheEffect(0x10002, CVTCommandSetLogLevel("TARVO_LOG_JNI", 4));
    EXPECT_EQ("TARVO_LOG_JNI", level.Text("tag"));
    EXPECT_EQ(4, level.Number("level"));

    EffectRequest output = OnTheEffect(0x10039, CVTCommandSetLogOutput("FILE_LOG", true));
    EXPECT_EQ("FILE_LOG", output.Text("output"));
    EXPECT_EQ(1, output.Number("enable"));

    EXPECT_EQ(0.125, OnTheEffect(0x1003A, CVTCommandSetSystemVolume(0.125)).Double("volume"));

    const char aChunk[] = {1, 2, 3};
    EffectRequest config =
        OnTheEffect(0x10036, CVTCommandSetConfigByChunk(aChunk, sizeof(aChunk), 77, 5));
    EXPECT_EQ((HostPlatform::Bytes{1, 2, 3}), config.blocks.at("chunk"));
    EXPECT_EQ(77, config.Number("checksum"));
    EXPECT_EQ(5, config.Number("type"));
}

}  // namespace
