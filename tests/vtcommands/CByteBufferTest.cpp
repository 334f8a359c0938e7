#include "VTCommands/CByteBuffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

using TarvoFX::CByteBuffer;

namespace {

std::vector<char> Bytes(std::initializer_list<int> bytes) {
    std::vector<char> result;
    for (int nByte : bytes) {
        result.push_back(static_cast<char>(nByte));
    }
    return result;
}

std::vector<char> Contents(const CByteBuffer& buffer) {
    return std::vector<char>(buffer.Data(), buffer.Data() + buffer.Size());
}

template <typename T>
std::vector<char> Encoded(const T& value) {
    CByteBuffer buffer;
    EXPECT_TRUE(buffer.Write(value));
    return Contents(buffer);
}

CByteBuffer Over(const std::vector<char>& bytes) {
    return CByteBuffer(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

// --- Encodings ---------------------------------------------------------------------

TEST(CByteBufferEncoding, ScalarsCarryTagWidthAndLittleEndianPayload) {
    EXPECT_EQ(Bytes({0x03, 0x04, 0, 0, 0, 0x05, 0, 0, 0}), Encoded(uint32_t{5}));
    EXPECT_EQ(Bytes({0x01, 0x04, 0, 0, 0, 0xfe, 0xff, 0xff, 0xff}), Encoded(int32_t{-2}));
    EXPECT_EQ(Bytes({0x05, 0x08, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xf0, 0x3f}), Encoded(1.0));
    EXPECT_EQ(Bytes({0x07, 0x01, 0, 0, 0, 0x01}), Encoded(true));
    EXPECT_EQ(Bytes({0x07, 0x01, 0, 0, 0, 0x00}), Encoded(false));
}

TEST(CByteBufferEncoding, StringsAndBlocksCarryTheirLengthAndNoTerminator) {
    EXPECT_EQ(Bytes({0x09, 0x03, 0, 0, 0, 'a', 'b', 'c'}), Encoded(std::string("abc")));
    EXPECT_EQ(Bytes({0x09, 0, 0, 0, 0}), Encoded(std::string()));

    CByteBuffer buffer;
    const char aBlock[] = {1, 0, 2};
    EXPECT_TRUE(buffer.WriteBinary(aBlock, sizeof(aBlock)));
    EXPECT_TRUE(buffer.WriteBinary(nullptr, 0));
    EXPECT_EQ(Bytes({0x0b, 0x03, 0, 0, 0, 1, 0, 2, 0x0b, 0, 0, 0, 0}), Contents(buffer));
}

TEST(CByteBufferEncoding, VectorsCarryTheCountThenCompleteTaggedElements) {
    EXPECT_EQ(Bytes({0x0a, 0, 0, 0, 0}), Encoded(std::vector<std::string>{}));
    EXPECT_EQ(Bytes({0x08, 0x02, 0, 0, 0, 0x07, 0x01, 0, 0, 0, 0x01, 0x07, 0x01, 0, 0, 0, 0x00}),
              Encoded(std::vector<bool>{true, false}));
    EXPECT_EQ(Bytes({0x02, 0x01, 0, 0, 0, 0x01, 0x04, 0, 0, 0, 0x07, 0, 0, 0}),
              Encoded(std::vector<int32_t>{7}));
    EXPECT_EQ(Bytes({0x04, 0x01, 0, 0, 0, 0x03, 0x04, 0, 0, 0, 0x08, 0, 0, 0}),
              Encoded(std::vector<uint32_t>{8}));
    EXPECT_EQ(Bytes({0x06, 0x01, 0, 0, 0, 0x05, 0x08, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xf0, 0x3f}),
              Encoded(std::vector<double>{1.0}));
    EXPECT_EQ(Bytes({0x0a, 0x02, 0, 0, 0, 0x09, 0x01, 0, 0, 0, 'x', 0x09, 0, 0, 0, 0}),
              Encoded(std::vector<std::string>{"x", ""}));
}

TEST(CByteBufferEncoding, UntaggedWritesAppendExactlyTheirBytes) {
    CByteBuffer buffer;
    buffer.WriteRawByte(0xab);
    buffer.WriteRawUInt32(0x01020304);
    buffer.WriteRawBytes("xy", 2);
    buffer.WriteTagged(0x42, "z", 1);
    EXPECT_EQ(Bytes({0xab, 0x04, 0x03, 0x02, 0x01, 'x', 'y', 0x42, 0x01, 0, 0, 0, 'z'}),
              Contents(buffer));
    EXPECT_EQ(13u, buffer.Size());
}

// --- Reading back ----------------------------------------------------------------------

TEST(CByteBufferRead, EveryValueTypeReadsBackWhatWasWritten) {
    CByteBuffer writer;
    writer.Write(int32_t{-7});
    writer.Write(uint32_t{0xfffffffe});
    writer.Write(-2.5);
    writer.Write(true);
    writer.Write(std::string("name"));
    writer.Write(std::vector<int32_t>{-1, 0, 1});
    writer.Write(std::vector<uint32_t>{4000000000u});
    writer.Write(std::vector<double>{0.25, 1e300});
    writer.Write(std::vector<bool>{false, true, true});
    writer.Write(std::vector<std::string>{"a", "", "bc"});
    writer.WriteBinary("\0\1\2", 3);

    CByteBuffer reader(writer.Data(), writer.Size());
    int32_t nInt = 0;
    uint32_t nUInt = 0;
    double dValue = 0;
    bool bValue = false;
    std::string strValue;
    std::vector<int32_t> ints;
    std::vector<uint32_t> uints;
    std::vector<double> doubles;
    std::vector<bool> bools;
    std::vector<std::string> strings;
    std::vector<char> block;
    ASSERT_TRUE(reader.Read(nInt));
    ASSERT_TRUE(reader.Read(nUInt));
    ASSERT_TRUE(reader.Read(dValue));
    ASSERT_TRUE(reader.Read(bValue));
    ASSERT_TRUE(reader.Read(strValue));
    ASSERT_TRUE(reader.Read(ints));
    ASSERT_TRUE(reader.Read(uints));
    ASSERT_TRUE(reader.Read(doubles));
    ASSERT_TRUE(reader.Read(bools));
    ASSERT_TRUE(reader.Read(strings));
    EXPECT_TRUE(reader.HasUnreadData());
    ASSERT_TRUE(reader.ReadBinary(block));
    EXPECT_FALSE(reader.HasUnreadData());

    EXPECT_EQ(-7, nInt);
    EXPECT_EQ(0xfffffffeu, nUInt);
    EXPECT_EQ(-2.5, dValue);
    EXPECT_TRUE(bValue);
    EXPECT_EQ("name", strValue);
    EXPECT_EQ((std::vector<int32_t>{-1, 0, 1}), ints);
    EXPECT_EQ((std::vector<uint32_t>{4000000000u}), uints);
    EXPECT_EQ((std::vector<double>{0.25, 1e300}), doubles);
    EXPECT_EQ((std::vector<bool>{false, true, true}), bools);
    EXPECT_EQ((std::vector<std::string>{"a", "", "bc"}), strings);
    EXPECT_EQ(Bytes({0, 1, 2}), block);
}

TEST(CByteBufferRead, EmptyValuesReadBackEmpty) {
    CByteBuffer reader = Over(Bytes({0x09, 0, 0, 0, 0, 0x0a, 0, 0, 0, 0, 0x0b, 0, 0, 0, 0}));
    std::string strValue = "old";
    std::vector<std::string> strings{"old"};
    std::vector<char> block{'x'};
    EXPECT_TRUE(reader.Read(strValue));
    EXPECT_TRUE(reader.Read(strings));
    EXPECT_TRUE(reader.ReadBinary(block));
    EXPECT_TRUE(strValue.empty());
    EXPECT_TRUE(strings.empty());
    EXPECT_TRUE(block.empty());
    EXPECT_FALSE(reader.HasUnreadData());
}

TEST(CByteBufferRead, NonzeroBooleanBytesReadAsTrue) {
    CByteBuffer reader = Over(Bytes({0x07, 0x01, 0, 0, 0, 0x80}));
    bool bValue = false;
    EXPECT_TRUE(reader.Read(bValue));
    EXPECT_TRUE(bValue);
}

TEST(CByteBufferRead, StringIsCutAtTheFirstZeroButConsumesItsWholeLength) {
    std::vector<char> bytes = Bytes({0x09, 10,  0,   0,   0,    'a',  'b', 'c', 0, 'd', 'e',
                                     'f',  'g', 'h', 'i', 0x07, 0x01, 0,   0,   0, 0x01});
    CByteBuffer reader = Over(bytes);
    std::string strValue;
    bool bAfter = false;
    ASSERT_TRUE(reader.Read(strValue));
    EXPECT_EQ("abc", strValue);
    ASSERT_TRUE(reader.Read(bAfter));
    EXPECT_TRUE(bAfter);
    EXPECT_FALSE(reader.HasUnreadData());
}

// --- Rejections --------------------------------------------------------------------------

TEST(CByteBufferReject, TagsAreNotInterchangeable) {
    std::vector<char> int32Bytes = Encoded(int32_t{5});
    CByteBuffer reader = Over(int32Bytes);
    uint32_t nValue = 99;
    EXPECT_FALSE(reader.Read(nValue));
    EXPECT_EQ(99u, nValue);
    // The failed tag check consumed only the tag byte.
    uint32_t nField = 0;
    ASSERT_TRUE(reader.ReadRawUInt32(nField));
    EXPECT_EQ(4u, nField);

    CByteBuffer strings = Over(Encoded(std::vector<std::string>{"a"}));
    std::string strValue = "old";
    EXPECT_FALSE(strings.Read(strValue));
    EXPECT_TRUE(strValue.empty());
    CByteBuffer block = Over(Encoded(std::string("a")));
    std::vector<char> blockValue;
    EXPECT_FALSE(block.ReadBinary(blockValue));
}

TEST(CByteBufferReject, ScalarWidthMustMatchItsType) {
    // A tag-3 value whose length field is 8.
    CByteBuffer reader = Over(Bytes({0x03, 0x08, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}));
    uint32_t nValue = 99;
    EXPECT_FALSE(reader.Read(nValue));
    EXPECT_EQ(99u, nValue);

    CByteBuffer boolReader = Over(Bytes({0x07, 0x04, 0, 0, 0, 1, 0, 0, 0}));
    bool bValue = false;
    EXPECT_FALSE(boolReader.Read(bValue));
    CByteBuffer doubleReader = Over(Bytes({0x05, 0x04, 0, 0, 0, 1, 0, 0, 0}));
    double dValue = 0;
    EXPECT_FALSE(doubleReader.Read(dValue));
}

TEST(CByteBufferReject, TruncatedValuesFailAtEveryStep) {
    const std::vector<char> full = Encoded(uint32_t{5});
    for (size_t nSize = 0; nSize < full.size(); ++nSize) {
        std::vector<char> cut(full.begin(), full.begin() + nSize);
        CByteBuffer reader = Over(cut);
        uint32_t nValue = 99;
        EXPECT_FALSE(reader.Read(nValue)) << nSize;
        EXPECT_EQ(99u, nValue);
    }
}

TEST(CByteBufferReject, StringOrBlockLongerThanTheRestFailsAndLeavesTheTargetEmpty) {
    CByteBuffer reader = Over(Bytes({0x09, 0x04, 0, 0, 0, 'a', 'b', 'c'}));
    std::string strValue = "old";
    EXPECT_FALSE(reader.Read(strValue));
    EXPECT_TRUE(strValue.empty());

    CByteBuffer blockReader = Over(Bytes({0x0b, 0xff, 0xff, 0xff, 0xff, 'a'}));
    std::vector<char> block{'o', 'l', 'd'};
    EXPECT_FALSE(blockReader.ReadBinary(block));
    EXPECT_TRUE(block.empty());
}

TEST(CByteBufferReject, CountBeyondTheElementsThatFollowFails) {
    // Count 3, room for three elements, but the third is an int32: the vector
    // keeps its new size.
    CByteBuffer reader =
        Over(Bytes({0x04, 0x03, 0, 0,    0, 0x03, 0x04, 0,    0,    0, 0x01, 0, 0,    0, 0x03, 0x04,
                    0,    0,    0, 0x02, 0, 0,    0,    0x01, 0x04, 0, 0,    0, 0x03, 0, 0,    0}));
    std::vector<uint32_t> values;
    EXPECT_FALSE(reader.Read(values));
    EXPECT_EQ((std::vector<uint32_t>{1, 2, 0}), values);

    // Count 3 with only two elements present fails on the count alone.
    CByteBuffer shortReader = Over(Bytes({0x04, 0x03, 0,    0, 0, 0x03, 0x04, 0, 0, 0, 0x01, 0, 0,
                                          0,    0x03, 0x04, 0, 0, 0,    0x02, 0, 0, 0}));
    std::vector<uint32_t> untouched{5};
    EXPECT_FALSE(shortReader.Read(untouched));
    EXPECT_EQ(std::vector<uint32_t>{5}, untouched);

    // A failing first element stops the read; the vector was only resized.
    CByteBuffer mixed = Over(Bytes({0x02, 0x02, 0,    0,    0, 0x03, 0x04, 0,    0, 0, 0x01, 0,
                                    0,    0,    0x01, 0x04, 0, 0,    0,    0x02, 0, 0, 0}));
    std::vector<int32_t> ints{9, 9, 9};
    EXPECT_FALSE(mixed.Read(ints));
    EXPECT_EQ((std::vector<int32_t>{9, 9}), ints);

    // Booleans keep only the elements read before the failure.
    CByteBuffer bools =
        Over(Bytes({0x08, 0x02, 0, 0, 0, 0x07, 0x01, 0, 0, 0, 0x01, 0x03, 0x01, 0, 0, 0, 0x01}));
    std::vector<bool> boolValues{false, false, false};
    EXPECT_FALSE(bools.Read(boolValues));
    EXPECT_EQ(std::vector<bool>{true}, boolValues);
}

// A vector whose count (0xFFFFFFFF) is far beyond the bytes that follow.
template <typename T>
void ExpectHugeCountFailsUnallocated(int nTag) {
    CByteBuffer reader = Over(Bytes({nTag, 0xff, 0xff, 0xff, 0xff, 0x09, 0, 0, 0, 0}));
    std::vector<T> values;
    EXPECT_FALSE(reader.Read(values)) << nTag;
    EXPECT_EQ(0u, values.capacity()) << nTag;
}

// A count far beyond the remaining bytes fails at once: the target is not
// resized to it (no allocation of that size is ever attempted).
TEST(CByteBufferReject, HugeCountsFailBeforeAnyAllocation) {
    ExpectHugeCountFailsUnallocated<int32_t>(0x02);
    ExpectHugeCountFailsUnallocated<uint32_t>(0x04);
    ExpectHugeCountFailsUnallocated<double>(0x06);
    ExpectHugeCountFailsUnallocated<bool>(0x08);
    ExpectHugeCountFailsUnallocated<std::string>(0x0a);

    // Two string elements need at least ten bytes; nine remain.
    CByteBuffer reader = Over(Bytes({0x0a, 0x02, 0, 0, 0, 0x09, 0, 0, 0, 0, 0x09, 0, 0, 0}));
    std::vector<std::string> values;
    EXPECT_FALSE(reader.Read(values));
    EXPECT_EQ(0u, values.capacity());
}

// --- Untagged reads -------------------------------------------------------------------------

TEST(CByteBufferRaw, ShortReadsFailWithoutMovingThePosition) {
    CByteBuffer reader = Over(Bytes({0x01, 0x02, 0x03}));
    uint32_t nWord = 0;
    EXPECT_FALSE(reader.ReadRawUInt32(nWord));
    char aBytes[4] = {};
    EXPECT_FALSE(reader.ReadRawBytes(aBytes, 4));
    uint8_t nByte = 0;
    ASSERT_TRUE(reader.ReadRawByte(nByte));
    EXPECT_EQ(0x01, nByte);
    ASSERT_TRUE(reader.ReadRawBytes(aBytes, 2));
    EXPECT_EQ(0x02, aBytes[0]);
    EXPECT_EQ(0x03, aBytes[1]);
    EXPECT_FALSE(reader.HasUnreadData());
    EXPECT_FALSE(reader.ReadRawByte(nByte));
    EXPECT_TRUE(reader.ReadRawBytes(aBytes, 0));
}

TEST(CByteBufferRaw, EmptyAndNullSourcesHoldNoBytes) {
    CByteBuffer empty;
    EXPECT_EQ(0u, empty.Size());
    EXPECT_FALSE(empty.HasUnreadData());
    CByteBuffer fromNull(nullptr, 16);
    EXPECT_EQ(0u, fromNull.Size());
    uint8_t nByte = 0;
    EXPECT_FALSE(fromNull.ReadRawByte(nByte));
}

}  // namespace
