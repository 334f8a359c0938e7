// The codec's byte order, its zero-filled layouts and the bounds of its reader.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Utils/LittleEndian.h"

using TarvoFX::LittleEndian::ByteWriter;
using TarvoFX::LittleEndian::Field;
using TarvoFX::LittleEndian::Reader;
using TarvoFX::LittleEndian::Writer;

namespace {

using Bytes = std::vector<uint8_t>;

TEST(LittleEndianTest, WritesLeastSignificantByteFirstInSequenceAndAtOffsets) {
    ByteWriter sequence;
    sequence.U8(0x01).U16(0x0302).U32(0x07060504).F64(1.0).LengthAndBytes("ab");
    EXPECT_EQ((Bytes{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0, 0,   0,  0,
                     0,    0,    0xF0, 0x3F, 2,    0,    0,    0, 'a', 'b'}),
              sequence.Buffer());

    // Bytes no field covers stay zero; a field past the block grows it.
    Writer layout(8);
    layout.Put(Field<uint16_t>{2}, 0xBBAA).Put(Field<int32_t>{8}, -2);
    EXPECT_EQ((std::vector<char>{0, 0, '\xAA', '\xBB', 0, 0, 0, 0, '\xFE', '\xFF', '\xFF', '\xFF'}),
              layout.Buffer());

    const unsigned int aIds[] = {1, 0x100};
    EXPECT_EQ((Bytes{1, 0, 0, 0, 0, 1, 0, 0}), ByteWriter().Array(aIds, 2).Take());
}

TEST(LittleEndianTest, ReadsBackWhatWasWritten) {
    const std::vector<char> bytes = Writer().U8(0xFF).U16(0xFFFE).U32(0x80000000u).F64(-0.5).Take();
    Reader reader(bytes.data(), bytes.size());
    uint8_t n8 = 0;
    uint16_t n16 = 0;
    int32_t n32 = 0;
    double dValue = 0;
    ASSERT_TRUE(reader.U8(n8) && reader.U16(n16) && reader.I32(n32) && reader.F64(dValue));
    EXPECT_EQ(0xFF, n8);
    EXPECT_EQ(0xFFFE, n16);
    EXPECT_EQ(INT32_MIN, n32);
    EXPECT_EQ(-0.5, dValue);
    EXPECT_EQ(0u, reader.Remaining());

    uint32_t nAt = 0;
    ASSERT_TRUE(reader.Get(Field<uint32_t>{3}, nAt));
    EXPECT_EQ(0x80000000u, nAt);
}

TEST(LittleEndianTest, NeverReadsPastItsEnd) {
    const char aBytes[6] = {1, 2, 3, 4, 5, 6};
    Reader reader(aBytes, 5);
    uint32_t nWord = 0;
    ASSERT_TRUE(reader.U32(nWord));
    EXPECT_EQ(0x04030201u, nWord);
    // One byte is left: a wider read fails and does not move.
    EXPECT_FALSE(reader.U32(nWord));
    uint16_t nHalf = 0;
    EXPECT_FALSE(reader.U16(nHalf));
    EXPECT_EQ(4u, reader.Position());
    std::string strText;
    EXPECT_FALSE(reader.String(2, strText));
    uint8_t nByte = 0;
    ASSERT_TRUE(reader.U8(nByte));
    EXPECT_EQ(5, nByte);

    // At offsets: the field must end inside the bytes.
    EXPECT_TRUE(reader.Get(Field<uint32_t>{1}, nWord));
    EXPECT_FALSE(reader.Get(Field<uint32_t>{2}, nWord));
    EXPECT_FALSE(reader.Get(Field<uint32_t>{SIZE_MAX - 1}, nWord));

    // A count that the bytes cannot hold fails before anything is allocated.
    Reader counted(aBytes, 6);
    std::vector<double> values = {7.0};
    EXPECT_FALSE(counted.Array(SIZE_MAX / 8, values));
    EXPECT_EQ(std::vector<double>{7.0}, values);
    std::vector<uint32_t> words;
    EXPECT_TRUE(counted.Array(1, words));
    EXPECT_FALSE(counted.Array(1, words));

    // No bytes at all behind a null pointer, whatever size came with it.
    Reader none(nullptr, 16);
    EXPECT_EQ(0u, none.Size());
    EXPECT_FALSE(none.U8(nByte));
}

}  // namespace
