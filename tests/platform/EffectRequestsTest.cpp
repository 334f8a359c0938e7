#include "HostPlatform/EffectRequests.h"

#include <gtest/gtest.h>
#include <media/AudioEffect.h>

#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "HostPlatform/AudioServer.h"
#include "support/WireBytes.h"

using android::AudioEffect;
using android::sp;
using HostPlatform::AudioServer;
using HostPlatform::Bytes;
using HostPlatform::DecodeEffectRequest;
using HostPlatform::EffectRequest;

namespace {

const effect_uuid_t kUuid = {
    0xae12da60, 0x99ac, 0x11df, 0xb456, {0x00, 0x02, 0xa5, 0xd5, 0xc5, 0x1b}};

// --- Request builders --------------------------------------------------------------------

using WireBytes::Cat;
using WireBytes::F64;
using WireBytes::Text;
using WireBytes::U16;
using WireBytes::U32;
using WireBytes::ZText;

Bytes Tagged(uint8_t nTag, const Bytes& payload) {
    return Cat({{nTag}, U32(static_cast<uint32_t>(payload.size())), payload});
}
Bytes TaggedStrings(std::initializer_list<std::string> strings) {
    Bytes bytes = Cat({{10}, U32(static_cast<uint32_t>(strings.size()))});
    for (const std::string& strValue : strings) {
        bytes = Cat({bytes, Tagged(9, Text(strValue))});
    }
    return bytes;
}
// 20 + 4n bytes: n, om, sm, sub-type mask, combined, must find all, ids.
Bytes ParamsArrayGet(std::initializer_list<uint32_t> ids) {
    Bytes bytes =
        Cat({U32(static_cast<uint32_t>(ids.size())), U16(1), U16(2), U32(3), U32(1), U32(0)});
    for (uint32_t nId : ids) {
        bytes = Cat({bytes, U32(nId)});
    }
    return bytes;
}
Bytes ForceBypass(const std::string& strName) {
    Bytes name = Text(strName);
    name.resize(128, 0);
    return Cat({U32(13), U32(7), name, U32(2), U32(1)});
}

struct Sample {
    uint32_t nCode;
    Bytes request;
};

// One well-formed request for every code of the effect's table.
std::vector<Sample> ValidSamples() {
    return {
        {0x10000, TaggedStrings({""})},
        {0x10001, Cat({U32(1), U32(2), U16(0xffff), U16(4)})},
        {0x10002, Cat({Tagged(9, Text("JNI")), Tagged(3, U32(3))})},
        {0x10003, U16(5)},
        {0x10004, {}},
        {0x10005, ZText("/p.mps")},
        {0x10007, ZText("")},
        {0x10008, U16(2)},
        {0x10009, {}},
        {0x1000F, Cat({U32(1), U32(0xfffffffd), U32(5), U32(0), U32(9), F64(0.5), {1}})},
        {0x10010, ParamsArrayGet({7, 8})},
        {0x10012, ZText("eq")},
        {0x10013, ZText("eq")},
        {0x10015, Cat({U32(1), U16(1), U16(2), U32(3), {1, 0, 0, 0}, U32(42)})},
        {0x10016, U16(1)},
        {0x10017, ZText("/pipe")},
        {0x10018, {}},
        {0x10019, {}},
        {0x1001A, {}},
        {0x1001B, {}},
        {0x1001C, Cat({U16(1), U16(2)})},
        {0x1001D, {}},
        {0x1001E, {}},
        {0x10021, Cat({U16(1), U16(2)})},
        {0x10022, {}},
        {0x10023, U32(3)},
        {0x10024, Cat({U16(1), U16(2)})},
        {0x10025, ParamsArrayGet({})},
        {0x10026, Cat({U32(1), U32(2), Text("/s")})},
        {0x10027, Cat({U32(2), Text("/s")})},
        {0x10028, {}},
        {0x10029, {}},
        {0x1002A, U16(50)},
        {0x1002B, ForceBypass("alg")},
        {0x1002C, ZText("/u.mps")},
        {0x1002D, {1}},
        {0x1002E, Cat({U32(4), U32('#' + '\n'), U32(2), U32(1), {'#', '\n'}})},
        {0x1002F, Cat({U32(256), U32(1), U32(2)})},
        {0x10030, {1, 2, 3, 4, 5}},
        {0x10031, {}},
        {0x10032, Cat({U32(1), U32(10), U32(20), {0}})},
        {0x10033, {}},
        {0x10034, U32(4)},
        {0x10035, U32(1)},
        {0x10036, Cat({Tagged(11, {1, 2}), Tagged(3, U32(3)), Tagged(3, U32(6))})},
        {0x10037, {}},
        {0x10038, U32(2)},
        {0x10039, Cat({Tagged(9, Text("X")), Tagged(7, {1})})},
        {0x1003A, Tagged(5, F64(0.75))},
        {0x1003B, {}},
        {0x1003C, Cat({U32(1), U32(0xffffffff), U32(0), U32(1), U32(0), U32(11)})},
    };
}

EffectRequest Decoded(uint32_t nCode, const Bytes& request) {
    EffectRequest decoded;
    EXPECT_TRUE(DecodeEffectRequest(nCode, request, decoded)) << std::hex << nCode;
    return decoded;
}

bool Refused(uint32_t nCode, const Bytes& request) {
    EffectRequest decoded;
    return !DecodeEffectRequest(nCode, request, decoded);
}

// --- Through the platform's command call ----------------------------------------------------

class EffectRequestsTest : public ::testing::Test {
protected:
    void SetUp() override { AudioServer::Instance().Reset(); }
    void TearDown() override { AudioServer::Instance().Reset(); }

    static sp<AudioEffect> Make() {
        return new AudioEffect(nullptr, android::String16(""), &kUuid, 0, nullptr, nullptr,
                               static_cast<audio_session_t>(1), 0);
    }

    static int32_t Send(const sp<AudioEffect>& pEffect, uint32_t nCode, Bytes request) {
        uint8_t aReply[64] = {};
        uint32_t nReplySize = sizeof(aReply);
        return pEffect->command(nCode, static_cast<uint32_t>(request.size()),
                                request.empty() ? nullptr : request.data(), &nReplySize, aReply);
    }
};

TEST_F(EffectRequestsTest, EveryListedCodeAcceptsItsLayoutAndRefusesOtherSizes) {
    sp<AudioEffect> pEffect = Make();
    std::set<uint32_t> listed;
    for (const Sample& sample : ValidSamples()) {
        listed.insert(sample.nCode);
        EXPECT_TRUE(HostPlatform::IsKnownEffectCommand(sample.nCode));
        EXPECT_EQ(android::NO_ERROR, Send(pEffect, sample.nCode, sample.request))
            << std::hex << sample.nCode;
        if (sample.nCode == 0x10030) {
            continue;  // its layout is the caller's: any size goes
        }
        Bytes longer = Cat({sample.request, {0}});
        EXPECT_EQ(android::BAD_VALUE, Send(pEffect, sample.nCode, longer))
            << std::hex << sample.nCode;
        if (!sample.request.empty()) {
            Bytes shorter(sample.request.begin(), sample.request.end() - 1);
            EXPECT_EQ(android::BAD_VALUE, Send(pEffect, sample.nCode, shorter))
                << std::hex << sample.nCode;
        }
    }
    EXPECT_EQ(51u, listed.size());

    // Every code of the range that the table does not list is refused.
    for (uint32_t nCode = 0x10000; nCode <= 0x1003C; ++nCode) {
        if (listed.count(nCode) == 0) {
            EXPECT_FALSE(HostPlatform::IsKnownEffectCommand(nCode)) << std::hex << nCode;
            EXPECT_EQ(android::BAD_VALUE, Send(pEffect, nCode, {})) << std::hex << nCode;
        }
    }
    EXPECT_EQ(android::BAD_VALUE, Send(pEffect, 0x1003D, {}));
}

TEST_F(EffectRequestsTest, OpaqueTransactionTakesAnySize) {
    sp<AudioEffect> pEffect = Make();
    EXPECT_EQ(android::NO_ERROR, Send(pEffect, 0x10030, {}));
    EXPECT_EQ(android::NO_ERROR, Send(pEffect, 0x10030, Bytes(40, 0xab)));
    EXPECT_EQ(Bytes(40, 0xab), Decoded(0x10030, Bytes(40, 0xab)).blocks.at("bytes"));
}

// --- Decoded fields ---------------------------------------------------------------------------

TEST(EffectRequestDecoding, FixedFieldsAreLittleEndianAtTheirOffsets) {
    EffectRequest tag = Decoded(0x10001, Cat({U32(1), U32(2), U16(0xfffe), U16(4)}));
    EXPECT_EQ("SetTagEx", tag.strName);
    EXPECT_EQ(1, tag.Number("om"));
    EXPECT_EQ(2, tag.Number("sm"));
    EXPECT_EQ(0xfffe, tag.Number("tagDisable"));
    EXPECT_EQ(4, tag.Number("tagEnable"));

    EffectRequest custom = Decoded(0x1001C, Cat({U16(0x0102), U16(3)}));
    EXPECT_EQ(0x0102, custom.Number("first"));
    EXPECT_EQ(3, custom.Number("second"));

    EffectRequest chunkRead = Decoded(0x1002F, Cat({U32(256), U32(1), U32(2)}));
    EXPECT_EQ(256, chunkRead.Number("capacity"));
    EXPECT_EQ(1, chunkRead.Number("value"));
    EXPECT_EQ(2, chunkRead.Number("argument"));
    EXPECT_EQ(1, Decoded(0x1002D, {1}).Number("enable"));
}

TEST(EffectRequestDecoding, ParameterArraysFollowTheirCount) {
    EffectRequest get = Decoded(0x10010, ParamsArrayGet({7, 8}));
    EXPECT_EQ(2, get.Number("n"));
    EXPECT_EQ(1, get.Number("om"));
    EXPECT_EQ(2, get.Number("sm"));
    EXPECT_EQ(3, get.Number("subtypes"));
    EXPECT_EQ(1, get.Number("combined"));
    EXPECT_EQ(0, get.Number("mustFindAll"));
    EXPECT_EQ((std::vector<int64_t>{7, 8}), get.numbers.at("ids"));
    EXPECT_EQ("GetBaseParamsArray", Decoded(0x10025, ParamsArrayGet({})).strName);
    EXPECT_TRUE(Decoded(0x10025, ParamsArrayGet({})).numbers.at("ids").empty());

    EffectRequest set = Decoded(0x1000F, Cat({U32(2),
                                              U32(0xfffffffd),
                                              U32(5),
                                              U32(0xffffffff),
                                              U32(9),
                                              U32(10),
                                              F64(0.5),
                                              F64(-1.0),
                                              {1}}));
    EXPECT_EQ(-3, set.Number("om"));
    EXPECT_EQ(5, set.Number("sm"));
    EXPECT_EQ(0xffffffff, set.Number("subtypes"));
    EXPECT_EQ((std::vector<int64_t>{9, 10}), set.numbers.at("ids"));
    EXPECT_EQ((std::vector<double>{0.5, -1.0}), set.doubles.at("values"));
    EXPECT_EQ(1, set.Number("addMissingToBase"));

    EffectRequest clear =
        Decoded(0x10015, Cat({U32(1), U16(1), U16(2), U32(3), {1, 0, 0, 0}, U32(42)}));
    EXPECT_EQ(1, clear.Number("alsoClearBase"));
    EXPECT_EQ(std::vector<int64_t>{42}, clear.numbers.at("ids"));

    EffectRequest defaults =
        Decoded(0x10032, Cat({U32(2), U32(10), U32(11), U32(20), U32(21), {1, 0}}));
    EXPECT_EQ((std::vector<int64_t>{10, 11}), defaults.numbers.at("first"));
    EXPECT_EQ((std::vector<int64_t>{20, 21}), defaults.numbers.at("second"));
    EXPECT_EQ((std::vector<int64_t>{1, 0}), defaults.numbers.at("flags"));
}

TEST(EffectRequestDecoding, MinimumSizesOfTheCountedMessages) {
    // No parameters, an empty socket path: below the receiving minimum.
    EXPECT_TRUE(Refused(0x1000F, Cat({U32(0), U32(0), U32(0), U32(0), {0}})));
    EXPECT_TRUE(Refused(0x10026, Cat({U32(0), U32(0)})));
    EXPECT_TRUE(Refused(0x10027, U32(0)));
    // No pairs is a valid default-sound-mode question.
    EXPECT_EQ(0, Decoded(0x10032, U32(0)).Number("n"));
}

TEST(EffectRequestDecoding, CountsBeyondTheRequestAreRefusedWithoutReadingOn) {
    Bytes hugeIds = ParamsArrayGet({});
    hugeIds[0] = hugeIds[1] = hugeIds[2] = hugeIds[3] = 0xff;
    EXPECT_TRUE(Refused(0x10010, hugeIds));
    EXPECT_TRUE(
        Refused(0x1000F, Cat({U32(0x40000001), U32(0), U32(0), U32(0), U32(9), F64(0.5), {1}})));
    EXPECT_TRUE(Refused(0x1002E, Cat({U32(4), U32(0), U32(0xffffffff), U32(1), {9}})));
    EXPECT_TRUE(Refused(0x10026, Cat({U32(1), U32(0xffffffff), Text("/s")})));
    EXPECT_TRUE(Refused(0x10032, Cat({U32(0xffffffff), U32(0), U32(0), {0}})));
    EXPECT_TRUE(Refused(0x10000, Cat({{10}, U32(0xffffffff), Tagged(9, {})})));
    EXPECT_TRUE(Refused(0x10036, Cat({{11}, U32(0xffffffff), U32(5)})));
}

TEST(EffectRequestDecoding, TextsAndBlocks) {
    EXPECT_EQ("/p.mps", Decoded(0x10005, ZText("/p.mps")).Text("path"));
    EXPECT_EQ("", Decoded(0x10007, ZText("")).Text("prefix"));
    // The terminator must be the text's only zero byte.
    EXPECT_TRUE(Refused(0x10012, Cat({Text("a"), {0}, Text("b"), {0}})));
    EXPECT_TRUE(Refused(0x10012, {}));
    EXPECT_TRUE(Refused(0x10017, Text("x")));

    EffectRequest bypass = Decoded(0x1002B, ForceBypass(std::string(127, 'a')));
    EXPECT_EQ(std::string(127, 'a'), bypass.Text("algorithm"));
    EXPECT_EQ(13, bypass.Number("io"));
    EXPECT_EQ(7, bypass.Number("session"));
    EXPECT_EQ(2, bypass.Number("useCase"));
    EXPECT_EQ(1, bypass.Number("forceBypass"));
    EXPECT_TRUE(Refused(0x1002B, ForceBypass(std::string(128, 'a'))));

    EffectRequest chunk = Decoded(0x1002E, Cat({U32(4), U32(0x1234), U32(3), U32(1), {9, 8, 7}}));
    EXPECT_EQ(4, chunk.Number("type"));
    EXPECT_EQ(0x1234, chunk.Number("checksum"));
    EXPECT_EQ(1, chunk.Number("isBase"));
    EXPECT_EQ((Bytes{9, 8, 7}), chunk.blocks.at("chunk"));

    // Socket paths are taken byte for byte.
    EffectRequest create = Decoded(0x10026, Cat({U32(2), U32(3), {'a', 0, 'b'}}));
    EXPECT_EQ(2, create.Number("abstract"));
    EXPECT_EQ(std::string("a\0b", 3), create.Text("path"));
    EXPECT_EQ("/s", Decoded(0x10027, Cat({U32(2), Text("/s")})).Text("path"));
}

TEST(EffectRequestDecoding, TaggedRequests) {
    EXPECT_EQ((std::vector<std::string>{"", "/u.mps"}),
              Decoded(0x10000, TaggedStrings({"", "/u.mps"})).texts.at("paths"));

    EffectRequest level =
        Decoded(0x10002, Cat({Tagged(9, Text(std::string("JN\0I", 4))), Tagged(3, U32(3))}));
    EXPECT_EQ("JN", level.Text("tag"));  // cut at the first zero byte
    EXPECT_EQ(3, level.Number("level"));

    EffectRequest output = Decoded(0x10039, Cat({Tagged(9, Text("X")), Tagged(7, {2})}));
    EXPECT_EQ("X", output.Text("output"));
    EXPECT_EQ(1, output.Number("enable"));

    EXPECT_EQ(0.75, Decoded(0x1003A, Tagged(5, F64(0.75))).Double("volume"));

    EffectRequest config =
        Decoded(0x10036, Cat({Tagged(11, {1, 2}), Tagged(3, U32(5)), Tagged(3, U32(6))}));
    EXPECT_EQ((Bytes{1, 2}), config.blocks.at("chunk"));
    EXPECT_EQ(5, config.Number("checksum"));
    EXPECT_EQ(6, config.Number("type"));

    // Wrong tag, wrong width, fields in another order.
    EXPECT_TRUE(Refused(0x10002, Cat({Tagged(9, Text("JNI")), Tagged(1, U32(3))})));
    EXPECT_TRUE(Refused(0x1003A, Tagged(5, U32(1))));
    EXPECT_TRUE(Refused(0x10039, Cat({Tagged(7, {1}), Tagged(9, Text("X"))})));
}

}  // namespace
