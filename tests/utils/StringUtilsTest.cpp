#include <gtest/gtest.h>

#include <cstdio>

#include <map>
#include <string>
#include <vector>

#include "Utils/StringUtils.h"

using TarvoFX::StringUtils;

namespace {

using Strings = std::vector<std::string>;

TEST(StringUtilsConstantsTest, HoldTheTrimSetAndPathSeparatorsInOrder) {
    EXPECT_EQ(std::string(" \t\n\r\f\v"), StringUtils::s_cstrDefaultTrim);
    EXPECT_EQ(std::string("\\/"), StringUtils::s_cstrPathSeparators);
}

TEST(StringUtilsTrimTest, DefaultSetRemovesWhitespaceAtBothEndsInPlace) {
    std::string str = "\t value \r\n";
    std::string& result = StringUtils::Trim(str, StringUtils::s_cstrDefaultTrim);
    EXPECT_EQ("value", str);
    EXPECT_EQ(&str, &result);

    std::string strSpaces = "    ";
    EXPECT_EQ("", StringUtils::Trim(strSpaces, StringUtils::s_cstrDefaultTrim));
}

TEST(StringUtilsTrimTest, LeftAndRightTouchOnlyTheirEnd) {
    std::string strLeft = "xxaxbxx";
    EXPECT_EQ("axbxx", StringUtils::TrimLeft(strLeft, "x"));
    std::string strRight = "xxaxbxx";
    EXPECT_EQ("xxaxb", StringUtils::TrimRight(strRight, "x"));
    std::string strOnly = "xyxy";
    EXPECT_EQ("", StringUtils::TrimRight(strOnly, "yx"));
}

TEST(StringUtilsTrimTest, EmptyCharacterSetLeavesTextUnchanged) {
    std::string str = " a ";
    EXPECT_EQ(" a ", StringUtils::Trim(str, ""));
    std::string strEmpty;
    EXPECT_EQ("", StringUtils::Trim(strEmpty, StringUtils::s_cstrDefaultTrim));
}

TEST(StringUtilsSplitTest, KeepsInnerEmptyFieldsButNoTrailingOne) {
    EXPECT_EQ((Strings{"a", "b", "", "c"}), StringUtils::Split("a,b,,c", ','));
    EXPECT_EQ((Strings{"1", "2"}), StringUtils::Split("1;2;", ';'));
    EXPECT_EQ((Strings{"", "x"}), StringUtils::Split(";x", ';'));
    EXPECT_EQ((Strings{"1", "2", ""}), StringUtils::Split("1;2;;", ';'));
    EXPECT_TRUE(StringUtils::Split("", ';').empty());
    EXPECT_EQ((Strings{"abc"}), StringUtils::Split("abc", ';'));
}

TEST(StringUtilsConvertTest, StringToIntReadsALeadingNumber) {
    int nValue = -1;
    EXPECT_TRUE(StringUtils::StringToInt("12abc", &nValue));
    EXPECT_EQ(12, nValue);
    EXPECT_TRUE(StringUtils::StringToInt(" -7", &nValue));
    EXPECT_EQ(-7, nValue);
    nValue = 5;
    EXPECT_FALSE(StringUtils::StringToInt("abc", &nValue));
    EXPECT_FALSE(StringUtils::StringToInt("", &nValue));
    EXPECT_EQ(5, nValue);
    EXPECT_FALSE(StringUtils::StringToInt("3", nullptr));
    // Whatever the text, the answer is the one "%d" gives.
    for (const char* szText : {"+5", "- 5", "-", "\t42x", "000000007", "999999999", "1234567890",
                               "2147483647", "-2147483648", "99999999999", "0x1f", " \n 8"}) {
        int nExpected = 0;
        const bool bExpected = std::sscanf(szText, "%d", &nExpected) == 1;
        nValue = 0;
        EXPECT_EQ(bExpected, StringUtils::StringToInt(szText, &nValue)) << szText;
        EXPECT_EQ(bExpected ? nExpected : 0, nValue) << szText;
    }
}

TEST(StringUtilsConvertTest, StringToUIntReadsUnsigned) {
    unsigned nValue = 0;
    EXPECT_TRUE(StringUtils::StringToUInt("4000000000", &nValue));
    EXPECT_EQ(4000000000u, nValue);
    EXPECT_FALSE(StringUtils::StringToUInt("x1", &nValue));
    EXPECT_FALSE(StringUtils::StringToUInt("1", nullptr));
}

TEST(StringUtilsConvertTest, ToStringUsesFixedFormats) {
    EXPECT_EQ("-3", StringUtils::ToString(-3));
    EXPECT_EQ("-2147483648", StringUtils::ToString(static_cast<long>(-2147483647L - 1)));
    EXPECT_EQ("0.50", StringUtils::ToString(0.5));
    EXPECT_EQ("1.13", StringUtils::ToString(1.125 + 0.001));
    EXPECT_EQ("-0.00", StringUtils::ToString(-0.001));
    EXPECT_EQ("1234567.00", StringUtils::ToString(1234567.0));
    EXPECT_EQ("True", StringUtils::ToString(true));
    EXPECT_EQ("False", StringUtils::ToString(false));
}

TEST(StringUtilsPathTest, GetDirectoryCutsAtTheLastSeparatorOfEitherKind) {
    EXPECT_EQ("/data/a", StringUtils::GetDirectory("/data/a/b.txt"));
    EXPECT_EQ("b.txt", StringUtils::GetDirectory("b.txt"));
    EXPECT_EQ("C:\\dir/sub", StringUtils::GetDirectory("C:\\dir/sub\\f.ini"));
    EXPECT_EQ("", StringUtils::GetDirectory("/root.ini"));
}

TEST(StringUtilsVectorTest, AppendsEveryFieldWithoutClearing) {
    std::vector<int> vecValues = {9};
    EXPECT_TRUE(StringUtils::StringToIntVector("1,-2,3", vecValues, ','));
    EXPECT_EQ((std::vector<int>{9, 1, -2, 3}), vecValues);

    std::vector<unsigned> vecUnsigned;
    EXPECT_TRUE(StringUtils::StringToUIntVector("4;5;", vecUnsigned, ';'));
    EXPECT_EQ((std::vector<unsigned>{4, 5}), vecUnsigned);
}

TEST(StringUtilsVectorTest, StopsAtTheFirstBadFieldAndRefusesEmptyText) {
    std::vector<int> vecValues;
    EXPECT_FALSE(StringUtils::StringToIntVector("1,x,3", vecValues, ','));
    EXPECT_EQ((std::vector<int>{1}), vecValues);
    EXPECT_FALSE(StringUtils::StringToIntVector("1,,3", vecValues, ','));
    vecValues.clear();
    EXPECT_FALSE(StringUtils::StringToIntVector("", vecValues, ','));
    EXPECT_TRUE(vecValues.empty());
}

TEST(StringUtilsPairTest, ReadsExactlyTwoFields) {
    unsigned nKey = 0;
    double dValue = 0.0;
    EXPECT_TRUE(StringUtils::StringToUIntDoublePair("3:0.5", &nKey, &dValue, ':'));
    EXPECT_EQ(3u, nKey);
    EXPECT_DOUBLE_EQ(0.5, dValue);

    EXPECT_FALSE(StringUtils::StringToUIntDoublePair("4:1.5:1", &nKey, &dValue, ':'));
    EXPECT_FALSE(StringUtils::StringToUIntDoublePair("4", &nKey, &dValue, ':'));
    EXPECT_FALSE(StringUtils::StringToUIntDoublePair("4:x", &nKey, &dValue, ':'));
    EXPECT_FALSE(StringUtils::StringToUIntDoublePair("", &nKey, &dValue, ':'));
    // A failed read leaves the outputs alone.
    EXPECT_EQ(3u, nKey);
    EXPECT_DOUBLE_EQ(0.5, dValue);
}

TEST(StringUtilsPairTest, MapIsClearedThenFilledFromEveryItem) {
    std::map<unsigned, double> map = {{99, 9.0}};
    EXPECT_TRUE(StringUtils::StringToUIntDoubleMap("1:0.5;2:1.25", map, ';', ':'));
    EXPECT_EQ((std::map<unsigned, double>{{1, 0.5}, {2, 1.25}}), map);

    EXPECT_FALSE(StringUtils::StringToUIntDoubleMap("1:0.5;bad;3:1", map, ';', ':'));
    EXPECT_EQ((std::map<unsigned, double>{{1, 0.5}}), map);

    EXPECT_FALSE(StringUtils::StringToUIntDoubleMap("", map, ';', ':'));
    EXPECT_TRUE(map.empty());
}

TEST(StringUtilsChunkTest, PairsArePackedIntoChunksOfAtMostTheLimit) {
    const int anKeys[] = {1, 2};
    const double adValues[] = {0.5, 1.25};
    Strings vecOut;
    StringUtils::PairsToStrings(vecOut, 2, anKeys, adValues, 12);
    EXPECT_EQ((Strings{"1:0.50;", "2:1.25;"}), vecOut);

    vecOut.clear();
    StringUtils::PairsToStrings(vecOut, 2, anKeys, adValues, 14);
    EXPECT_EQ((Strings{"1:0.50;2:1.25;"}), vecOut);
}

TEST(StringUtilsChunkTest, OutputIsAppendedAndOversizedPairsFormTheirOwnChunk) {
    const int anKeys[] = {10, 2, 3};
    const double adValues[] = {100.0, 1.0, -1.0};
    Strings vecOut = {"old"};
    StringUtils::PairsToStrings(vecOut, 3, anKeys, adValues, 5);
    EXPECT_EQ((Strings{"old", "10:100.00;", "2:1.00;", "3:-1.00;"}), vecOut);

    vecOut.clear();
    StringUtils::PairsToStrings(vecOut, 0, anKeys, adValues, 5);
    StringUtils::PairsToStrings(vecOut, 3, nullptr, adValues, 5);
    EXPECT_TRUE(vecOut.empty());
}

TEST(StringUtilsChunkTest, MapIsRenderedInKeyOrder) {
    std::map<int, double> map = {{2, 1.25}, {-1, 0.5}, {7, 3.0}};
    Strings vecOut;
    StringUtils::MapToStrings(vecOut, map, 16);
    EXPECT_EQ((Strings{"-1:0.50;2:1.25;", "7:3.00;"}), vecOut);
}

}  // namespace
