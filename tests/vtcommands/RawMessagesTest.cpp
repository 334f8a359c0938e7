#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "MessageTestSupport.h"
#include "VTCommands/CVTCommandCloseDestroyUnixServerSocket.h"
#include "VTCommands/CVTCommandCreateListenUnixServerSocket.h"
#include "VTCommands/CVTCommandIsDefaultSoundMode.h"
#include "VTCommands/CVTCommandPresetSetParametersArray.h"
#include "VTCommands/CVTReplyGetSupportedOutputModeName.h"

using namespace TarvoFX;
using MessageTest::Bytes;
using MessageTest::PointerText;

namespace {

class RawMessagesTest : public MessageTest::LoggedMessageTest {
protected:
    // Parses bytes and returns the result; the log records start afresh.
    static bool Parse(CVTCommandBase& message, const std::vector<char>& bytes) {
        return message.FromBufffer(bytes.data(), static_cast<uint32_t>(bytes.size()));
    }

    static std::string EntryLine(const char* szClass, const std::vector<char>& bytes) {
        return "3 " + std::string(szClass) + "::FromBufffer pBuffer " + PointerText(bytes.data()) +
               " nBufferLen " + std::to_string(bytes.size());
    }

    static std::string ExactSizeError(const char* szClass, const char* szSizeName,
                                      const std::vector<char>& bytes, uint32_t nExact) {
        return std::string(szClass) + "::FromBufffer Received invalid size " +
               std::to_string(bytes.size()) + " while " + szSizeName + " is " +
               std::to_string(static_cast<int32_t>(nExact)) + " of pBuffer " +
               PointerText(bytes.data());
    }

    // Expects the entry line and the below-minimum error, nothing else.
    void ExpectBelowMinimum(const char* szClass, const std::vector<char>& bytes, uint32_t nMinSize,
                            const char* szWord = "whili") {
        const std::vector<std::string> lines = Lines();
        ASSERT_EQ(3u, lines.size());
        EXPECT_EQ(EntryLine(szClass, bytes), lines[0]);
        ExpectError(lines, 1,
                    "Received invalid size " + std::to_string(bytes.size()) + " " + szWord +
                        " min is " + std::to_string(nMinSize));
    }

    void ExpectExactSizeError(const char* szClass, const char* szSizeName,
                              const std::vector<char>& bytes, uint32_t nExact) {
        const std::vector<std::string> lines = Lines();
        ASSERT_EQ(3u, lines.size());
        EXPECT_EQ(EntryLine(szClass, bytes), lines[0]);
        ExpectError(lines, 1, ExactSizeError(szClass, szSizeName, bytes, nExact));
    }
};

// --- CVTCommandPresetSetParametersArray ------------------------------------------------

const char* const kParams = "CVTCommandPresetSetParametersArray";

TEST_F(RawMessagesTest, ParametersArrayLayoutAndConstructorLogs) {
    const uint32_t aIds[] = {0x01020304, 7};
    const double aValues[] = {1.0, -2.0};
    CVTCommandPresetSetParametersArray message(2, -3, 5, 0xffffffff, aIds, aValues, true);
    const std::vector<char> bytes = message.ToBuffer();
    EXPECT_EQ(Bytes({0x02, 0,    0,    0,    0xfd, 0xff, 0xff, 0xff, 0x05, 0, 0, 0,    0xff, 0xff,
                     0xff, 0xff, 0x04, 0x03, 0x02, 0x01, 0x07, 0,    0,    0, 0, 0,    0,    0,
                     0,    0,    0xf0, 0x3f, 0,    0,    0,    0,    0,    0, 0, 0xc0, 0x01}),
              bytes);
    EXPECT_EQ((std::vector<std::string>{
                  "3 CVTCommandPresetSetParametersArray::CVTCommandPresetSetParametersArray "
                  "nParametersNum 2 nOutputMode -3 nSoundMode 5 nSubtypes -1 pParametersIDs " +
                      PointerText(aIds) + ", pValues " + PointerText(aValues),
                  "2 Entering function virtual std::vector<char> "
                  "TarvoFX::CVTCommandPresetSetParametersArray::ToBuffer() const"}),
              Lines());

    capture.Clear();
    CVTCommandPresetSetParametersArray parsed;
    EXPECT_EQ(std::vector<std::string>{"2 Entering function "
                                       "TarvoFX::CVTCommandPresetSetParametersArray::"
                                       "CVTCommandPresetSetParametersArray()"},
              Lines());
    capture.Clear();
    ASSERT_TRUE(Parse(parsed, bytes));
    EXPECT_EQ(std::vector<std::string>{EntryLine(kParams, bytes)}, Lines());
    EXPECT_EQ(2u, parsed.ParametersNum());
    EXPECT_EQ(-3, parsed.OutputMode());
    EXPECT_EQ(5, parsed.SoundMode());
    EXPECT_EQ(0xffffffffu, parsed.Subtypes());
    EXPECT_EQ((std::vector<uint32_t>{0x01020304, 7}), parsed.ParametersIDs());
    EXPECT_EQ((std::vector<double>{1.0, -2.0}), parsed.Values());
    EXPECT_TRUE(parsed.AddNonexistingParamsInSubpresetToBasePreset());
}

TEST_F(RawMessagesTest, ParametersArrayOfNoParametersIsBelowTheMinimum) {
    const std::vector<char> bytes =
        CVTCommandPresetSetParametersArray(0, 1, 2, 3, nullptr, nullptr, false).ToBuffer();
    EXPECT_EQ(Bytes({0, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 0}), bytes);
    CVTCommandPresetSetParametersArray parsed;
    capture.Clear();
    EXPECT_FALSE(Parse(parsed, bytes));
    ExpectBelowMinimum(kParams, bytes, 29);
}

TEST_F(RawMessagesTest, ParametersArraySizeBoundaries) {
    const uint32_t aIds[] = {11, 12};
    const double aValues[] = {0.5, 0.25};
    const std::vector<char> one =
        CVTCommandPresetSetParametersArray(1, 0, 0, 0, aIds, aValues, false).ToBuffer();
    const std::vector<char> two =
        CVTCommandPresetSetParametersArray(2, 0, 0, 0, aIds, aValues, false).ToBuffer();
    ASSERT_EQ(29u, one.size());
    ASSERT_EQ(41u, two.size());

    CVTCommandPresetSetParametersArray parsed;
    EXPECT_TRUE(Parse(parsed, one));
    EXPECT_EQ(std::vector<uint32_t>{11}, parsed.ParametersIDs());

    capture.Clear();
    std::vector<char> short28(one.begin(), one.end() - 1);
    EXPECT_FALSE(Parse(parsed, short28));
    ExpectBelowMinimum(kParams, short28, 29);

    // 29 bytes that claim two parameters pass the minimum and fail the exact size.
    std::vector<char> claimsTwo = one;
    claimsTwo[0] = 2;
    capture.Clear();
    EXPECT_FALSE(Parse(parsed, claimsTwo));
    ExpectExactSizeError(kParams, "nExactSize", claimsTwo, 41);

    std::vector<char> long42 = two;
    long42.push_back(0);
    capture.Clear();
    EXPECT_FALSE(Parse(parsed, long42));
    ExpectExactSizeError(kParams, "nExactSize", long42, 41);
    // The failures left the last good parse in place.
    EXPECT_EQ(1u, parsed.ParametersNum());
    EXPECT_EQ(std::vector<double>{0.5}, parsed.Values());
}

// 17 + 12 * 0x40000001 is 29 in 32-bit arithmetic: the exact size must not wrap.
TEST_F(RawMessagesTest, ParametersArrayExactSizeDoesNotWrapAround) {
    const uint32_t aIds[] = {1};
    const double aValues[] = {1.0};
    std::vector<char> bytes =
        CVTCommandPresetSetParametersArray(1, 0, 0, 0, aIds, aValues, false).ToBuffer();
    bytes[0] = 0x01;
    bytes[3] = 0x40;
    CVTCommandPresetSetParametersArray parsed;
    capture.Clear();
    EXPECT_FALSE(Parse(parsed, bytes));
    ExpectExactSizeError(kParams, "nExactSize", bytes, 0xffffffffu);
    EXPECT_EQ(0u, parsed.ParametersNum());
}

TEST_F(RawMessagesTest, ParametersArrayFlagByteAnyNonzeroIsTrue) {
    const uint32_t aIds[] = {1};
    const double aValues[] = {1.0};
    std::vector<char> bytes =
        CVTCommandPresetSetParametersArray(1, 0, 0, 0, aIds, aValues, false).ToBuffer();
    CVTCommandPresetSetParametersArray parsed;
    ASSERT_TRUE(Parse(parsed, bytes));
    EXPECT_FALSE(parsed.AddNonexistingParamsInSubpresetToBasePreset());
    bytes.back() = 0x02;
    ASSERT_TRUE(Parse(parsed, bytes));
    EXPECT_TRUE(parsed.AddNonexistingParamsInSubpresetToBasePreset());
}

// --- CVTReplyGetSupportedOutputModeName ----------------------------------------------------

const char* const kNames = "CVTReplyGetSupportedOutputModeName";

TEST_F(RawMessagesTest, NameReplyLayoutInAscendingIdOrder) {
    CVTReplyGetSupportedOutputModeName reply(
        std::map<uint32_t, std::string>{{9, "hp"}, {2, "spk"}});
    EXPECT_EQ(2, reply.ExpectedCount());
    const std::vector<char> bytes = reply.ToBuffer();
    EXPECT_EQ(Bytes({2, 0, 0, 0, 3, 0, 0, 0, 's', 'p', 'k', 9, 0, 0, 0, 2, 0, 0, 0, 'h', 'p'}),
              bytes);
    EXPECT_EQ(
        (std::vector<std::string>{"2 Entering function "
                                  "TarvoFX::CVTReplyGetSupportedOutputModeName::"
                                  "CVTReplyGetSupportedOutputModeName(const std::map<unsigned int, "
                                  "std::string>&)",
                                  "2 Entering function virtual std::vector<char> "
                                  "TarvoFX::CVTReplyGetSupportedOutputModeName::ToBuffer() const"}),
        Lines());

    capture.Clear();
    CVTReplyGetSupportedOutputModeName parsed(2);
    ASSERT_TRUE(Parse(parsed, bytes));
    EXPECT_EQ((std::vector<std::string>{"2 Entering function "
                                        "TarvoFX::CVTReplyGetSupportedOutputModeName::"
                                        "CVTReplyGetSupportedOutputModeName(int)",
                                        EntryLine(kNames, bytes)}),
              Lines());
    EXPECT_EQ((std::map<uint32_t, std::string>{{2, "spk"}, {9, "hp"}}), parsed.Names());
}

TEST_F(RawMessagesTest, NameReplyRepeatedIdKeepsTheLaterName) {
    const std::vector<char> bytes =
        Bytes({4, 0, 0, 0, 1, 0, 0, 0, 'a', 4, 0, 0, 0, 1, 0, 0, 0, 'b'});
    CVTReplyGetSupportedOutputModeName parsed(2);
    ASSERT_TRUE(Parse(parsed, bytes));
    EXPECT_EQ((std::map<uint32_t, std::string>{{4, "b"}}), parsed.Names());
}

TEST_F(RawMessagesTest, NameReplySizeBoundaries) {
    const std::vector<char> nine = Bytes({1, 0, 0, 0, 1, 0, 0, 0, 'x'});
    CVTReplyGetSupportedOutputModeName parsed(1);
    ASSERT_TRUE(Parse(parsed, nine));

    const std::vector<char> eight(nine.begin(), nine.end() - 1);
    capture.Clear();
    EXPECT_FALSE(Parse(parsed, eight));
    ExpectBelowMinimum(kNames, eight, 9, "while");

    // One entry more than expected is left unread.
    const std::vector<char> twoEntries =
        Bytes({1, 0, 0, 0, 1, 0, 0, 0, 'x', 2, 0, 0, 0, 0, 0, 0, 0});
    capture.Clear();
    EXPECT_FALSE(Parse(parsed, twoEntries));
    std::vector<std::string> lines = Lines();
    ASSERT_EQ(3u, lines.size());
    ExpectError(lines, 1, "Received invalid size 17 while the read size is 9");
    EXPECT_EQ((std::map<uint32_t, std::string>{{1, "x"}}), parsed.Names());

    // A reply of zero bytes (no modes asked for) is below the minimum.
    CVTReplyGetSupportedOutputModeName none(0);
    capture.Clear();
    EXPECT_FALSE(none.FromBufffer(nine.data(), 0));
    EXPECT_FALSE(none.FromBufffer(nullptr, 9));
}

// One mode with an empty name encodes as 8 bytes, which the receiving minimum
// of 9 refuses; a repeated id whose later name is empty still parses.
TEST_F(RawMessagesTest, NameReplyWithOnlyAnEmptyNameIsBelowTheMinimum) {
    const std::vector<char> bytes =
        CVTReplyGetSupportedOutputModeName(std::map<uint32_t, std::string>{{2, ""}}).ToBuffer();
    EXPECT_EQ(Bytes({2, 0, 0, 0, 0, 0, 0, 0}), bytes);
    CVTReplyGetSupportedOutputModeName parsed(1);
    capture.Clear();
    EXPECT_FALSE(Parse(parsed, bytes));
    ExpectBelowMinimum(kNames, bytes, 9, "while");

    CVTReplyGetSupportedOutputModeName repeated(2);
    ASSERT_TRUE(Parse(repeated, Bytes({2, 0, 0, 0, 1, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0})));
    EXPECT_EQ((std::map<uint32_t, std::string>{{2, ""}}), repeated.Names());
}

// An entry that would pass the end of the reply fails instead of reading on.
TEST_F(RawMessagesTest, NameReplyNeverReadsPastTheReceivedSize) {
    CVTReplyGetSupportedOutputModeName parsed(3);
    const std::vector<char> hugeLength = Bytes({1, 0, 0, 0, 0xff, 0xff, 0xff, 0xff, 'x'});
    capture.Clear();
    EXPECT_FALSE(Parse(parsed, hugeLength));
    std::vector<std::string> lines = Lines();
    ASSERT_EQ(3u, lines.size());
    ExpectError(lines, 1, "Received invalid size 9 while the read size is -1");

    // Fewer entries than expected: the third header is missing.
    const std::vector<char> twoOfThree =
        Bytes({1, 0, 0, 0, 1, 0, 0, 0, 'x', 2, 0, 0, 0, 1, 0, 0, 0, 'y'});
    capture.Clear();
    EXPECT_FALSE(Parse(parsed, twoOfThree));
    lines = Lines();
    ASSERT_EQ(3u, lines.size());
    ExpectError(lines, 1, "Received invalid size 18 while the read size is 26");

    // A header cut short.
    const std::vector<char> cutHeader = Bytes({1, 0, 0, 0, 1, 0, 0, 0, 'x', 2, 0, 0, 0, 1});
    CVTReplyGetSupportedOutputModeName two(2);
    capture.Clear();
    EXPECT_FALSE(Parse(two, cutHeader));
    lines = Lines();
    ASSERT_EQ(3u, lines.size());
    ExpectError(lines, 1, "Received invalid size 14 while the read size is 17");
    EXPECT_TRUE(two.Names().empty());

    // A negative expected count reads nothing, which never matches a valid size.
    CVTReplyGetSupportedOutputModeName negative(-1);
    EXPECT_FALSE(negative.FromBufffer(twoOfThree.data(), 9));
}

// --- Socket messages -------------------------------------------------------------------------

const char* const kCreate = "CVTCommandCreateListenUnixServerSocket";
const char* const kClose = "CVTCommandCloseDestroyUnixServerSocket";

TEST_F(RawMessagesTest, SocketMessageLayouts) {
    const std::vector<char> create = CVTCommandCreateListenUnixServerSocket(true, "/s").ToBuffer();
    EXPECT_EQ(Bytes({1, 0, 0, 0, 2, 0, 0, 0, '/', 's'}), create);
    EXPECT_EQ(Bytes({0, 0, 0, 0, 1, 0, 0, 0, 'a'}),
              CVTCommandCreateListenUnixServerSocket(false, "a").ToBuffer());
    const std::vector<char> close = CVTCommandCloseDestroyUnixServerSocket("/s").ToBuffer();
    EXPECT_EQ(Bytes({2, 0, 0, 0, '/', 's'}), close);
    EXPECT_EQ((std::vector<std::string>{
                  "2 Entering function virtual std::vector<char> "
                  "TarvoFX::CVTCommandCreateListenUnixServerSocket::ToBuffer() const",
                  "2 Entering function virtual std::vector<char> "
                  "TarvoFX::CVTCommandCreateListenUnixServerSocket::ToBuffer() const",
                  "2 Entering function virtual std::vector<char> "
                  "TarvoFX::CVTCommandCloseDestroyUnixServerSocket::ToBuffer() const"}),
              Lines());

    capture.Clear();
    CVTCommandCreateListenUnixServerSocket parsedCreate;
    ASSERT_TRUE(Parse(parsedCreate, create));
    EXPECT_TRUE(parsedCreate.IsAbstractSocket());
    EXPECT_EQ("/s", parsedCreate.FilePath());
    CVTCommandCloseDestroyUnixServerSocket parsedClose;
    ASSERT_TRUE(Parse(parsedClose, close));
    EXPECT_EQ("/s", parsedClose.FilePath());
    EXPECT_EQ((std::vector<std::string>{EntryLine(kCreate, create), EntryLine(kClose, close)}),
              Lines());
}

TEST_F(RawMessagesTest, SocketAbstractFlagIsTrueOnlyForOne) {
    std::vector<char> bytes = Bytes({2, 0, 0, 0, 1, 0, 0, 0, 'p'});
    CVTCommandCreateListenUnixServerSocket parsed(true, "old");
    ASSERT_TRUE(Parse(parsed, bytes));
    EXPECT_FALSE(parsed.IsAbstractSocket());
    EXPECT_EQ("p", parsed.FilePath());
    bytes[0] = 1;
    ASSERT_TRUE(Parse(parsed, bytes));
    EXPECT_TRUE(parsed.IsAbstractSocket());
}

TEST_F(RawMessagesTest, SocketMessagesWithAnEmptyPathFailTheReceivingMinimum) {
    const std::vector<char> create = CVTCommandCreateListenUnixServerSocket(false, "").ToBuffer();
    const std::vector<char> close = CVTCommandCloseDestroyUnixServerSocket(nullptr).ToBuffer();
    ASSERT_EQ(8u, create.size());
    ASSERT_EQ(4u, close.size());

    CVTCommandCreateListenUnixServerSocket parsedCreate;
    capture.Clear();
    EXPECT_FALSE(Parse(parsedCreate, create));
    ExpectBelowMinimum(kCreate, create, 9);
    CVTCommandCloseDestroyUnixServerSocket parsedClose;
    capture.Clear();
    EXPECT_FALSE(Parse(parsedClose, close));
    ExpectBelowMinimum(kClose, close, 5);
}

TEST_F(RawMessagesTest, SocketMessagesAreHeldToTheirExactSize) {
    // Minimum size with a matching length passes.
    CVTCommandCreateListenUnixServerSocket parsedCreate;
    EXPECT_TRUE(Parse(parsedCreate, Bytes({0, 0, 0, 0, 1, 0, 0, 0, 'a'})));
    CVTCommandCloseDestroyUnixServerSocket parsedClose;
    EXPECT_TRUE(Parse(parsedClose, Bytes({1, 0, 0, 0, 'a'})));

    const std::vector<char> createLong = Bytes({0, 0, 0, 0, 1, 0, 0, 0, 'a', 'b'});
    capture.Clear();
    EXPECT_FALSE(Parse(parsedCreate, createLong));
    ExpectExactSizeError(kCreate, "nExactSize", createLong, 9);

    const std::vector<char> closeShort = Bytes({2, 0, 0, 0, 'a'});
    capture.Clear();
    EXPECT_FALSE(Parse(parsedClose, closeShort));
    ExpectExactSizeError(kClose, "minCommandSize", closeShort, 6);

    // A length near the 32-bit limit does not wrap to a small exact size.
    const std::vector<char> closeHuge = Bytes({0xfd, 0xff, 0xff, 0xff, 'a'});
    capture.Clear();
    EXPECT_FALSE(Parse(parsedClose, closeHuge));
    ExpectExactSizeError(kClose, "minCommandSize", closeHuge, 0xffffffffu);
    const std::vector<char> createHuge = Bytes({0, 0, 0, 0, 0xf9, 0xff, 0xff, 0xff, 'a'});
    EXPECT_FALSE(Parse(parsedCreate, createHuge));
    EXPECT_EQ("a", parsedClose.FilePath());
    EXPECT_EQ("a", parsedCreate.FilePath());
}

// --- CVTCommandIsDefaultSoundMode -------------------------------------------------------------

const char* const kDefault = "CVTCommandIsDefaultSoundMode";

TEST_F(RawMessagesTest, DefaultSoundModeLayout) {
    const uint32_t aFirst[] = {1, 0x01020304};
    const uint32_t aSecond[] = {5, 6};
    const bool abFlags[] = {true, false};
    const std::vector<char> bytes =
        CVTCommandIsDefaultSoundMode(2, aFirst, aSecond, abFlags).ToBuffer();
    EXPECT_EQ(Bytes({2, 0, 0, 0, 1, 0, 0, 0, 4, 3, 2, 1, 5, 0, 0, 0, 6, 0, 0, 0, 1, 0}), bytes);
    EXPECT_EQ(std::vector<std::string>{"2 Entering function virtual std::vector<char> "
                                       "TarvoFX::CVTCommandIsDefaultSoundMode::ToBuffer() const"},
              Lines());

    std::vector<char> reply = bytes;
    reply[20] = 0;
    reply[21] = 7;  // any nonzero byte is true
    CVTCommandIsDefaultSoundMode parsed;
    capture.Clear();
    ASSERT_TRUE(Parse(parsed, reply));
    EXPECT_EQ(std::vector<std::string>{EntryLine(kDefault, reply)}, Lines());
    EXPECT_EQ(2u, parsed.Count());
    EXPECT_EQ((std::vector<uint32_t>{1, 0x01020304}), parsed.FirstValues());
    EXPECT_EQ((std::vector<uint32_t>{5, 6}), parsed.SecondValues());
    EXPECT_EQ((std::vector<bool>{false, true}), parsed.Flags());
}

TEST_F(RawMessagesTest, DefaultSoundModeSizeBoundaries) {
    const std::vector<char> empty =
        CVTCommandIsDefaultSoundMode(0, nullptr, nullptr, nullptr).ToBuffer();
    EXPECT_EQ(Bytes({0, 0, 0, 0}), empty);
    const uint32_t aValues[] = {3};
    CVTCommandIsDefaultSoundMode parsed(1, aValues, aValues, nullptr);
    ASSERT_TRUE(Parse(parsed, empty));
    EXPECT_EQ(0u, parsed.Count());
    EXPECT_TRUE(parsed.Flags().empty());

    const std::vector<char> three = Bytes({0, 0, 0});
    capture.Clear();
    EXPECT_FALSE(Parse(parsed, three));
    ExpectBelowMinimum(kDefault, three, 4);

    const std::vector<char> one = Bytes({1, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 1});
    ASSERT_TRUE(Parse(parsed, one));
    std::vector<char> oneLong = one;
    oneLong.push_back(1);
    capture.Clear();
    EXPECT_FALSE(Parse(parsed, oneLong));
    ExpectExactSizeError(kDefault, "nExactSize", oneLong, 13);
    EXPECT_EQ(std::vector<bool>{true}, parsed.Flags());

    // 4 + 9 * 0x1C71C71C wraps to 0 in 32 bits, 4 + 9 * 0xE38E38E4 to 8.
    const std::vector<char> wraps = Bytes({0xe4, 0x38, 0x8e, 0xe3, 0, 0, 0, 0});
    EXPECT_FALSE(Parse(parsed, wraps));
    EXPECT_EQ(1u, parsed.Count());
}

// --- Common to every raw message ---------------------------------------------------------------

TEST_F(RawMessagesTest, NullBufferFailsTheMinimumCheckWithItsLength) {
    CVTCommandPresetSetParametersArray params;
    CVTReplyGetSupportedOutputModeName names(1);
    CVTCommandCreateListenUnixServerSocket create;
    CVTCommandCloseDestroyUnixServerSocket close;
    CVTCommandIsDefaultSoundMode defaults;
    struct Case {
        CVTCommandBase* pMessage;
        const char* szClass;
        uint32_t nMin;
        const char* szWord;
    };
    const Case aCases[] = {{&params, kParams, 29, "whili"},
                           {&names, kNames, 9, "while"},
                           {&create, kCreate, 9, "whili"},
                           {&close, kClose, 5, "whili"},
                           {&defaults, kDefault, 4, "whili"}};
    for (const Case& test : aCases) {
        capture.Clear();
        EXPECT_FALSE(test.pMessage->FromBufffer(nullptr, 100)) << test.szClass;
        const std::vector<std::string> lines = Lines();
        ASSERT_EQ(3u, lines.size());
        EXPECT_EQ("3 " + std::string(test.szClass) + "::FromBufffer pBuffer " +
                      PointerText(nullptr) + " nBufferLen 100",
                  lines[0]);
        ExpectError(lines, 1,
                    "Received invalid size 100 " + std::string(test.szWord) + " min is " +
                        std::to_string(test.nMin));
    }
}

}  // namespace
