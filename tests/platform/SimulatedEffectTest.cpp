// The simulated effect on its own: its answers, the state behind them and its
// preset text.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "HostPlatform/SimulatedEffect.h"
#include "support/WireBytes.h"
#include "utils/TempDir.h"

using HostPlatform::SimulatedEffect;
using Bytes = std::vector<uint8_t>;

namespace {

using WireBytes::Cat;
using WireBytes::U16;
using WireBytes::U32;
using WireBytes::ZText;

TEST(SimulatedEffectTest, PresetTextRoundTripsAndRefusesGarbage) {
    SimulatedEffect::ParameterLayer layer;
    layer[SimulatedEffect::ParameterKey(1, 0xFFFD, 0x80000000)][7] = 0.1;
    layer[SimulatedEffect::ParameterKey(0, 0, 0)][1] = -1e300;
    SimulatedEffect::ParameterLayer parsed;
    ASSERT_TRUE(SimulatedEffect::ParsePresetText(SimulatedEffect::PresetText(layer), parsed));
    EXPECT_EQ(layer, parsed);

    EXPECT_FALSE(SimulatedEffect::ParsePresetText("param 1 2 3 4\n", parsed));
    EXPECT_FALSE(SimulatedEffect::ParsePresetText("param 1 2 3 4 5 extra\n", parsed));
    EXPECT_FALSE(SimulatedEffect::ParsePresetText("param 70000 0 0 1 1\n", parsed));
    EXPECT_EQ(layer, parsed);  // a refused text leaves the layer as it was
    EXPECT_EQ(0x61u + 0x62u, SimulatedEffect::Checksum({'a', 'b'}));
}

TEST(SimulatedEffectTest, NamesAndValuesStopAtTheRequestedCount) {
    SimulatedEffect effect;
    effect.SetSupportedOutputModes({{5, "five"}, {2, "two"}});
    Bytes reply;
    ASSERT_EQ(0, effect.Handle(0x10023, U32(1), 72, reply));
    EXPECT_EQ(Cat({U32(2), U32(3), Bytes{'t', 'w', 'o'}}), reply);
    // Names that do not fit the caller's buffer are refused.
    EXPECT_EQ(-22, effect.Handle(0x10023, U32(2), 12, reply));
    EXPECT_TRUE(reply.empty());

    effect.SetSupportedSoundModes({9, 8, 7}, {});
    ASSERT_EQ(0, effect.Handle(0x10034, U32(2), 8, reply));
    EXPECT_EQ(Cat({U32(9), U32(8)}), reply);
}

TEST(SimulatedEffectTest, TransactBufferAnswersReversedWithinTheCapacity) {
    SimulatedEffect effect;
    Bytes reply;
    ASSERT_EQ(0, effect.Handle(0x10030, {1, 2, 3, 4}, 3, reply));
    EXPECT_EQ((Bytes{4, 3, 2}), reply);
}

TEST(SimulatedEffectTest, QueriesNeedRoomForTheirAnswer) {
    SimulatedEffect effect;
    Bytes reply;
    EXPECT_EQ(-22, effect.Handle(0x10004, {}, 11, reply));
    EXPECT_EQ(-22,
              effect.Handle(0x10010, Cat({U32(1), U16(0), U16(0), U32(0), U32(0), U32(0), U32(5)}),
                            7, reply));
    EXPECT_EQ(0, effect.Handle(0x10004, {}, 12, reply));
    EXPECT_EQ(12u, reply.size());
}

TEST(SimulatedEffectTest, FileAccessCanBeTurnedOff) {
    SimulatedEffect effect;
    effect.SetFileAccess(false);
    Bytes reply;
    EXPECT_EQ(-1, effect.Handle(0x10005, ZText("/tmp/never-written.mps"), 0, reply));
    EXPECT_EQ(-1, effect.Handle(0x1002C, ZText("/tmp/never-written.mps"), 0, reply));
    EXPECT_EQ(-1, effect.Handle(0x10000, Bytes{0x0A, 1, 0, 0, 0, 9, 0, 0, 0, 0}, 4, reply));
}

// A path that names no regular file of bounded size (a FIFO nobody writes,
// a device) is refused at once, for reading and for writing alike.
TEST(SimulatedEffectTest, PresetFilesMustBeRegularFilesOfBoundedSize) {
    TestSupport::TempDir dir;
    const std::string strFifo = dir.Path("fifo");
    ASSERT_EQ(0, mkfifo(strFifo.c_str(), 0600));
    const std::string strHuge = dir.Path("huge.mps");
    TestSupport::TempDir::WriteFile(strHuge, "");
    ASSERT_EQ(0, truncate(strHuge.c_str(), 2 * 1024 * 1024));
    SimulatedEffect effect;
    Bytes reply;
    for (const std::string& strPath : {strFifo, std::string("/dev/zero"), strHuge}) {
        SCOPED_TRACE(strPath);
        const Bytes load = Cat({{0x0A},
                                U32(1),
                                {9},
                                U32(static_cast<uint32_t>(strPath.size())),
                                Bytes(strPath.begin(), strPath.end())});
        EXPECT_EQ(-2, effect.Handle(0x10000, load, 4, reply));
    }
    EXPECT_EQ(-2, effect.Handle(0x10005, ZText(strFifo), 0, reply));
    EXPECT_EQ(-2, effect.Handle(0x1002C, ZText("/dev/null"), 0, reply));
}

TEST(SimulatedEffectTest, ParametersSetForEveryModeAnswerAnyModeQueries) {
    SimulatedEffect effect;
    Bytes reply;
    double dValue = 0.5;
    Bytes value(8);
    std::memcpy(value.data(), &dValue, 8);
    // n 1, modes -3, mask 0, id 3, value, flag 0
    ASSERT_EQ(0, effect.Handle(0x1000F,
                               Cat({U32(1), U32(0xFFFFFFFD), U32(0xFFFFFFFD), U32(0), U32(3), value,
                                    Bytes{0}}),
                               0, reply));
    // Every mode (0xFFFF), mask 0, combined: found.
    ASSERT_EQ(
        0, effect.Handle(0x1003C,
                         Cat({U32(1), U16(0xFFFF), U16(0xFFFF), U32(0), U32(1), U32(0), U32(3)}), 8,
                         reply));
    EXPECT_EQ(value, reply);
    // Another mode, not combined: not found, and must-find-all refuses.
    EXPECT_EQ(
        -2, effect.Handle(0x10010, Cat({U32(1), U16(1), U16(1), U32(0), U32(0), U32(1), U32(3)}), 8,
                          reply));
}

}  // namespace
