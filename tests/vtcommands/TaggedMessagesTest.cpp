#include <cstdint>
#include <string>
#include <vector>

#include "MessageTestSupport.h"
#include "VTCommands/CByteBuffer.h"
#include "VTCommands/CVTCommandMultipleString.h"
#include "VTCommands/CVTCommandSetConfigByChunk.h"
#include "VTCommands/CVTCommandSetLogLevel.h"
#include "VTCommands/CVTCommandSetLogOutput.h"
#include "VTCommands/CVTCommandSetSystemVolume.h"

using namespace TarvoFX;
using MessageTest::Bytes;

namespace {

template <typename Message>
bool Parse(Message& message, const std::vector<char>& bytes) {
    return message.FromBufffer(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

std::vector<char> WithExtraByte(std::vector<char> bytes) {
    bytes.push_back(0);
    return bytes;
}

class TaggedMessagesTest : public MessageTest::LoggedMessageTest {};

TEST_F(TaggedMessagesTest, MultipleStringIsOneStringVector) {
    CVTCommandMultipleString paths;
    EXPECT_EQ(std::vector<std::string>{"2 Entering function "
                                       "TarvoFX::CVTCommandMultipleString::"
                                       "CVTCommandMultipleString()"},
              Lines());
    EXPECT_EQ(Bytes({0x0a, 0, 0, 0, 0}), paths.ToBuffer());
    paths.AddString("");
    EXPECT_EQ(Bytes({0x0a, 0x01, 0, 0, 0, 0x09, 0, 0, 0, 0}), paths.ToBuffer());
    paths.AddString("/u.mps");
    const std::vector<char> bytes = paths.ToBuffer();
    EXPECT_EQ(Bytes({0x0a, 0x02, 0, 0, 0,   0x09, 0,   0,   0,   0,  0x09,
                     0x06, 0,    0, 0, '/', 'u',  '.', 'm', 'p', 's'}),
              bytes);

    CVTCommandMultipleString parsed;
    ASSERT_TRUE(Parse(parsed, bytes));
    EXPECT_EQ((std::vector<std::string>{"", "/u.mps"}), parsed.Strings());
}

TEST_F(TaggedMessagesTest, LogLevelLogOutputAndVolumeEncodings) {
    const std::vector<char> logLevel = CVTCommandSetLogLevel("JNI", 3).ToBuffer();
    EXPECT_EQ(Bytes({0x09, 0x03, 0, 0, 0, 'J', 'N', 'I', 0x03, 0x04, 0, 0, 0, 0x03, 0, 0, 0}),
              logLevel);
    CVTCommandSetLogLevel parsedLevel;
    ASSERT_TRUE(Parse(parsedLevel, logLevel));
    EXPECT_EQ("JNI", parsedLevel.TagName());
    EXPECT_EQ(3u, parsedLevel.Level());

    const std::vector<char> logOutput = CVTCommandSetLogOutput("X", true).ToBuffer();
    EXPECT_EQ(Bytes({0x09, 0x01, 0, 0, 0, 'X', 0x07, 0x01, 0, 0, 0, 0x01}), logOutput);
    CVTCommandSetLogOutput parsedOutput;
    ASSERT_TRUE(Parse(parsedOutput, logOutput));
    EXPECT_EQ("X", parsedOutput.OutputName());
    EXPECT_TRUE(parsedOutput.Enable());

    const std::vector<char> volume = CVTCommandSetSystemVolume(0.5).ToBuffer();
    EXPECT_EQ(Bytes({0x05, 0x08, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xe0, 0x3f}), volume);
    CVTCommandSetSystemVolume parsedVolume;
    ASSERT_TRUE(Parse(parsedVolume, volume));
    EXPECT_EQ(0.5, parsedVolume.Volume());
    // Tagged messages log nothing of their own.
    EXPECT_TRUE(Lines().empty());
}

TEST_F(TaggedMessagesTest, ConfigChunkIsBlockChecksumThenType) {
    const char aChunk[] = {0x01, 0x00, 0x02};
    const std::vector<char> bytes =
        CVTCommandSetConfigByChunk(aChunk, sizeof(aChunk), 0x11223344, 7).ToBuffer();
    EXPECT_EQ(Bytes({0x0b, 0x03, 0,    0,    0,    0x01, 0x00, 0x02, 0x03, 0x04, 0, 0, 0,
                     0x44, 0x33, 0x22, 0x11, 0x03, 0x04, 0,    0,    0,    0x07, 0, 0, 0}),
              bytes);
    CVTCommandSetConfigByChunk parsed;
    ASSERT_TRUE(Parse(parsed, bytes));
    EXPECT_EQ(Bytes({1, 0, 2}), parsed.Chunk());
    EXPECT_EQ(0x11223344u, parsed.Checksum());
    EXPECT_EQ(7u, parsed.ChunkType());

    EXPECT_EQ(
        Bytes({0x0b, 0, 0, 0, 0, 0x03, 0x04, 0, 0, 0, 0, 0, 0, 0, 0x03, 0x04, 0, 0, 0, 0, 0, 0, 0}),
        CVTCommandSetConfigByChunk(nullptr, 5, 0, 0).ToBuffer());
}

TEST_F(TaggedMessagesTest, TrailingBytesMakeEveryTaggedMessageInvalid) {
    CVTCommandMultipleString strings;
    strings.AddString("a");
    CVTCommandSetLogLevel logLevel("TAG", 1);
    CVTCommandSetLogOutput logOutput("OUT", false);
    CVTCommandSetSystemVolume volume(1.5);
    const char aChunk[] = {9};
    CVTCommandSetConfigByChunk chunk(aChunk, 1, 2, 3);
    CVTCommandBase* apMessages[] = {&strings, &logLevel, &logOutput, &volume, &chunk};
    for (CVTCommandBase* pMessage : apMessages) {
        const std::vector<char> bytes = pMessage->ToBuffer();
        EXPECT_TRUE(Parse(*pMessage, bytes));
        EXPECT_FALSE(Parse(*pMessage, WithExtraByte(bytes)));
        // Every prefix is missing a field or part of one.
        for (size_t nSize = 0; nSize < bytes.size(); ++nSize) {
            EXPECT_FALSE(pMessage->FromBufffer(bytes.data(), static_cast<uint32_t>(nSize)))
                << nSize;
        }
        EXPECT_EQ(bytes, pMessage->ToBuffer()) << "a failed parse changed the fields";
    }
}

TEST_F(TaggedMessagesTest, FieldsInAnotherOrderFail) {
    CByteBuffer swapped;
    swapped.Write(uint32_t{2});
    swapped.Write(std::string("TAG"));
    CVTCommandSetLogLevel logLevel("KEEP", 4);
    EXPECT_FALSE(logLevel.FromBufffer(swapped.Data(), swapped.Size()));
    EXPECT_EQ("KEEP", logLevel.TagName());
    EXPECT_EQ(4u, logLevel.Level());

    // The right tags with a wrong scalar type fail too.
    CByteBuffer wrongType;
    wrongType.Write(std::string("OUT"));
    wrongType.Write(uint32_t{1});
    CVTCommandSetLogOutput logOutput;
    EXPECT_FALSE(logOutput.FromBufffer(wrongType.Data(), wrongType.Size()));

    CByteBuffer chunkFirstInt;
    chunkFirstInt.Write(uint32_t{1});
    chunkFirstInt.WriteBinary("x", 1);
    chunkFirstInt.Write(uint32_t{1});
    CVTCommandSetConfigByChunk chunk;
    EXPECT_FALSE(chunk.FromBufffer(chunkFirstInt.Data(), chunkFirstInt.Size()));
    EXPECT_TRUE(Lines().empty());
}

TEST_F(TaggedMessagesTest, NullOrEmptyBytesAreNoMessage) {
    CVTCommandSetSystemVolume volume(2.0);
    EXPECT_FALSE(volume.FromBufffer(nullptr, 13));
    EXPECT_FALSE(volume.FromBufffer("", 0));
    EXPECT_EQ(2.0, volume.Volume());
    CVTCommandMultipleString strings;
    EXPECT_FALSE(strings.FromBufffer(nullptr, 0));
}

}  // namespace
