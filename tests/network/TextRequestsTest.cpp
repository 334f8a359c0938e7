#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <string>
#include <vector>

#include "network/ParserTestSupport.h"

using TarvoFX::CDataAPO;
using TarvoFX::CReceiveBuffer;
using TestSupport::SetParameter;
using Strings = std::vector<std::string>;

namespace {

class TextRequestsTest : public TestSupport::ParserTest {
protected:
    // Parses strLine alone and expects a record of nCommand in the text dialect.
    Record ExpectRecord(const std::string& strLine, uint32_t nCommand) {
        client.ResetData();
        Record pRecord = Feed(strLine);
        EXPECT_TRUE(pRecord) << strLine;
        if (pRecord) {
            EXPECT_EQ(nCommand, pRecord->nCommand) << strLine;
            EXPECT_EQ(TarvoFX::kText, pRecord->eProtocolVersion) << strLine;
        }
        EXPECT_EQ("", Pending()) << strLine;
        return pRecord;
    }
};

// ---------------------------------------------------------------------------
// Records of each keyword

TEST_F(TextRequestsTest, EveryKeywordMakesItsRecord) {
    Record pRecord = ExpectRecord("param 12 0.5\n", 1);
    EXPECT_EQ(12u, pRecord->nParam);
    EXPECT_EQ(0.5, pRecord->dValue);

    pRecord = ExpectRecord("get_param_array 3,4,5\n", 11);
    EXPECT_EQ((std::vector<uint32_t>{3, 4, 5}), pRecord->vecParameterIds);

    pRecord = ExpectRecord("flush_coeff_file /data/c.txt\n", 23);
    EXPECT_STREQ("/data/c.txt", pRecord->szPath);

    pRecord = ExpectRecord("profile -4\n", 19);
    EXPECT_EQ(-4, pRecord->nProfilingValue);

    pRecord = ExpectRecord("set_recording 1 /sdcard/rec_\n", 13);
    EXPECT_EQ(1u, pRecord->nStatus);
    EXPECT_STREQ("/sdcard/rec_", pRecord->szPath);

    pRecord = ExpectRecord("soundmode -3\n", 12);
    EXPECT_EQ(static_cast<uint32_t>(-3), pRecord->nMode);

    pRecord = ExpectRecord("customoutputmode 4 5\n", 18);
    EXPECT_EQ(4u, pRecord->nFirst);
    EXPECT_EQ(5u, pRecord->nSecond);

    pRecord = ExpectRecord("outputmode 2\r\n", 14);
    EXPECT_EQ(2u, pRecord->nMode);

    pRecord = ExpectRecord("loadpreset /vendor/etc/p.mps\n", 15);
    EXPECT_STREQ("/vendor/etc/p.mps", pRecord->szPath);

    pRecord = ExpectRecord("loglevel TARVO_LOG_FXModule 1\n", 20);
    EXPECT_STREQ("TARVO_LOG_FXModule", pRecord->szName);
    EXPECT_EQ(1, pRecord->nLevel);

    pRecord = ExpectRecord("logoutput STDOUT_LOG 1\n", 27);
    EXPECT_STREQ("STDOUT_LOG", pRecord->szName);
    EXPECT_EQ(1, pRecord->nFlag);

    pRecord = ExpectRecord("set_tag_ex [1:2][0x10,0x20]\n", 22);
    EXPECT_EQ(1u, pRecord->nOutputMode);
    EXPECT_EQ(2u, pRecord->nSoundMode);
    EXPECT_EQ(0x10u, pRecord->nTagDisable);
    EXPECT_EQ(0x20u, pRecord->nTagEnable);

    pRecord = ExpectRecord("volume 0.75\n", 28);
    EXPECT_EQ(0.75, pRecord->dVolume);

    ExpectRecord("apodump\n", 21);
    ExpectRecord("calibrate_kv ignored words\n", 24);
    ExpectRecord("meters_enable\n", 25);
    ExpectRecord("meters_disable\n", 26);
    ExpectRecord("get_version\n", 7);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(TextRequestsTest, SetTagLogsItsValues) {
    EnableDebugRecords();
    ExpectRecord("set_tag_ex [3:-1][0xFFFF,0x1]\n", 22);
    EXPECT_TRUE(capture.Contains(
        "Received SetTagEX om:3 sm:-1 tag disable 0x0000ffff tag enable 0x00000001"));
}

TEST_F(TextRequestsTest, PrefixScannerLogsTheKeywordTheLineAndWhatIsMissing) {
    EnableDebugRecords();
    size_t nStart = 0;
    size_t nEnd = 0;
    std::string strValue;
    CReceiveBuffer strData("xx param 1 2\nparam 3 4\n");
    ASSERT_TRUE(parser.ParseTextCommandPrefix(strData, "param", nStart, nEnd, strValue));
    EXPECT_EQ(3u, nStart);
    EXPECT_EQ(12u, nEnd);
    EXPECT_EQ(" 1 2", strValue);

    CReceiveBuffer strNoLine("volume 1");
    EXPECT_FALSE(parser.ParseTextCommandPrefix(strNoLine, "volume", nStart, nEnd, strValue));
    EXPECT_FALSE(parser.ParseTextCommandPrefix(strNoLine, "param", nStart, nEnd, strValue));
    EXPECT_EQ((Strings{"CCommandsParser::ParseTextCommandPrefix param",
                       "Recevied param param value:  1 2",
                       "CCommandsParser::ParseTextCommandPrefix volume",
                       "nOutEndTextParam didnt find \\n in volume 1 ",
                       "CCommandsParser::ParseTextCommandPrefix param",
                       "strData.find failed to find param, but it was suppose to find it "}),
              Debugs());
}

// ---------------------------------------------------------------------------
// Arrival order: the front of the buffer decides, and in a line the keyword
// that starts first

TEST_F(TextRequestsTest, PipelinedRequestsComeOutInArrivalOrder) {
    client.AppendData("param 4260 0.75\nget_param_array 4260\n");
    Record pRecord = NextOf(1);
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(4260u, pRecord->nParam);
    pRecord = NextOf(11);
    ASSERT_TRUE(pRecord);
    EXPECT_EQ((std::vector<uint32_t>{4260}), pRecord->vecParameterIds);

    client.AppendData("volume 0.5\nparam 12 0.5\n");
    pRecord = NextOf(28);
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(0.5, pRecord->dVolume);
    NextOf(1);
    EXPECT_FALSE(Next());
    EXPECT_EQ("", Pending());
}

TEST_F(TextRequestsTest, KeywordsInsideAnArgumentAreNotRequests) {
    Record pRecord = ExpectRecord("loadpreset /data/param.mps\n", 15);
    EXPECT_STREQ("/data/param.mps", pRecord->szPath);
    pRecord = ExpectRecord("logoutput FILE_LOG://volume/profile.txt 1\n", 27);
    EXPECT_STREQ("FILE_LOG://volume/profile.txt", pRecord->szName);
    // Bytes before the keyword go with its line.
    pRecord = ExpectRecord("xx soundmode 3\n", 12);
    EXPECT_EQ(3u, pRecord->nMode);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(TextRequestsTest, LongerKeywordsAreNeverTakenForTheShorterOnesTheyContain) {
    client.AppendData("outputmode 1\ncustomoutputmode 2 3\noutputmode 4\n");
    NextOf(14);
    NextOf(18);
    Record pRecord = NextOf(14);
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(4u, pRecord->nMode);

    client.AppendData("get_param_array 9\n");
    NextOf(11);
    EXPECT_FALSE(Next());
}

TEST_F(TextRequestsTest, TextAndBinaryRequestsAreServedInTheOrderTheyCame) {
    Record pRecord = Feed(SetParameter(1, 1.0) + "apodump");
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(1u, pRecord->nCommand);
    EXPECT_EQ(TarvoFX::kBinary, pRecord->eProtocolVersion);
    EXPECT_FALSE(Next());
    EXPECT_EQ("apodump", Pending());
    pRecord = Feed("\n" + SetParameter(2, 2.0));
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(21u, pRecord->nCommand);
    pRecord = NextOf(1);
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(2u, pRecord->nParam);
}

TEST_F(TextRequestsTest, LineSplitInsideItsKeywordIsServedWhenTheRestArrives) {
    EXPECT_FALSE(Feed("get_pa"));
    EXPECT_EQ("get_pa", Pending());
    Record pRecord = Feed("ram_array 4242\n");
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(11u, pRecord->nCommand);
    EXPECT_EQ((std::vector<uint32_t>{4242}), pRecord->vecParameterIds);
    // Even one byte: it cannot become a binary request.
    EXPECT_FALSE(Feed("v"));
    pRecord = Feed("olume 1\n");
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(28u, pRecord->nCommand);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(TextRequestsTest, LineWithoutAKeywordIsDroppedAlone) {
    EXPECT_FALSE(Feed("hello there\r\nparam 1 2\n"));
    EXPECT_EQ((Strings{"No command in line: hello there\\r"}), Errors());
    EXPECT_EQ("param 1 2\n", Pending());
    NextOf(1);
}

// ---------------------------------------------------------------------------
// Refused lines

TEST_F(TextRequestsTest, ParamWithOneNumberIsRefusedAndTheNextLineStillServed) {
    EXPECT_FALSE(Feed("param 12\nparam 13 1.5\n"));
    EXPECT_EQ((Strings{"sscanf failed on  12 "}), Errors());
    Record pRecord = Next();
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(13u, pRecord->nParam);
}

// Whatever the argument text, a parameter line holds what " %u %lf" reads.
TEST_F(TextRequestsTest, ParameterValuesAreReadAsTheFormatReadsThem) {
    for (const char* szArguments : {" 12 0.5",
                                    " 12 -0.25",
                                    " 7 1.",
                                    " 007 3",
                                    "\t12\t 0.5 \r",
                                    " 12 .5",
                                    " 12 +0.5",
                                    " 12 1e3",
                                    " 12 0x10",
                                    " 12 inf",
                                    " 4294967295 1",
                                    " 99999999999 1",
                                    " 12 0.5junk",
                                    " 12abc 1",
                                    " -3 2",
                                    " 12 0.1234567890123456789",
                                    " 12",
                                    " x 1",
                                    " 1 0.1",
                                    " 1 0.3",
                                    " 1 2.675",
                                    " 1 -1.005",
                                    " 1 123456789012345",
                                    " 1 1234567890123456",
                                    " 1 999999999999999.9",
                                    " 1 0.0000000000000000000001",
                                    " 1 0.00000000000000000000001",
                                    " 1 000000000000000000000000.5",
                                    " 1 4503599627370497.5",
                                    " 1 1.7976931348623157",
                                    " 1 9007199254740993",
                                    " 1 0.000000000000000000000000000001"}) {
        SCOPED_TRACE(szArguments);
        unsigned int nParam = 0;
        double dValue = 0.0;
        const bool bAccepted = sscanf(szArguments, " %u %lf", &nParam, &dValue) == 2;
        client.ResetData();
        capture.Clear();
        Record pRecord = Feed(std::string("param") + szArguments + "\n");
        ASSERT_EQ(bAccepted, pRecord != nullptr);
        if (pRecord) {
            EXPECT_EQ(nParam, pRecord->nParam);
            EXPECT_EQ(dValue, pRecord->dValue);
            EXPECT_EQ(std::signbit(dValue), std::signbit(pRecord->dValue));
        }
    }
}

// Every short decimal, converted without the general scanner, is the double
// the format reads, bit for bit, signed zero included.
TEST_F(TextRequestsTest, ShortDecimalsAreTheDoublesTheFormatReads) {
    std::vector<std::string> vecValues = {"0", "-0", "-0.0", "0.000", "5", "-5.5"};
    uint64_t nState = 12345;
    for (int nIndex = 0; nIndex < 2000; ++nIndex) {
        nState = nState * 6364136223846793005u + 1442695040888963407u;
        std::string strDigits = std::to_string(nState >> 11);
        strDigits.resize(1 + (nState >> 3) % strDigits.size());
        const size_t nPoint = (nState >> 7) % (strDigits.size() + 1);
        std::string strValue = strDigits.substr(0, nPoint);
        strValue += (strValue.empty() ? "0." : ".") + strDigits.substr(nPoint);
        vecValues.push_back(((nState >> 1) & 1) != 0 ? "-" + strValue : strValue);
    }
    for (const std::string& strValue : vecValues) {
        SCOPED_TRACE(strValue);
        client.ResetData();
        Record pRecord = Feed("param 3 " + strValue + "\n");
        ASSERT_TRUE(pRecord);
        const double dExpected = strtod(strValue.c_str(), nullptr);
        EXPECT_EQ(0, memcmp(&dExpected, &pRecord->dValue, sizeof(dExpected)));
    }
}

TEST_F(TextRequestsTest, RefusedLinesOfEachFormatGoAlone) {
    for (const std::string& strLine :
         Strings{"flush_coeff_file\n", "profile x\n", "soundmode\n", "customoutputmode 1\n",
                 "outputmode z\n", "loadpreset \r\n", "loglevel TAG\n", "logoutput 1\n",
                 "set_tag_ex [1:2][0x10]\n", "volume high\n"}) {
        SCOPED_TRACE(strLine);
        capture.Clear();
        EXPECT_FALSE(Feed(strLine + "get_version\n"));
        ASSERT_EQ(1u, Errors().size());
        Record pRecord = Next();
        ASSERT_TRUE(pRecord);
        EXPECT_EQ(7u, pRecord->nCommand);
    }
}

TEST_F(TextRequestsTest, ParameterArraySkipsAnItemThatDoesNotConvert) {
    Record pRecord = Feed("get_param_array 1,x,2\n");
    ASSERT_TRUE(pRecord);
    EXPECT_EQ((std::vector<uint32_t>{1, 2}), pRecord->vecParameterIds);
    EXPECT_EQ((Strings{"Failed convert to int: x"}), Errors());
}

TEST_F(TextRequestsTest, ParameterArrayEndingInABadItemOrEmptyIsDroppedAlone) {
    for (const std::string& strLine : Strings{"get_param_array 1,2,x\n", "get_param_array \r\n"}) {
        EXPECT_FALSE(Feed(strLine + "param 1 1\n")) << strLine;
        NextOf(1);
    }
    EXPECT_EQ((Strings{"Failed convert to int: x"}), Errors());
}

TEST_F(TextRequestsTest, RecordingOffNeedsTheStatusAloneAndOnNeedsAPath) {
    Record pRecord = Feed("set_recording 0\n");
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(0u, pRecord->nStatus);
    EXPECT_STREQ("", pRecord->szPath);

    for (const std::string& strLine :
         Strings{"set_recording 1\n", "set_recording 0 /p\n", "set_recording 2 /p\n"}) {
        EXPECT_FALSE(Feed(strLine + "apodump\n")) << strLine;
        NextOf(21);
    }
    EXPECT_EQ(
        (Strings{"sscanf failed on  1 ", "sscanf failed on  0 /p ", "sscanf failed on  2 /p "}),
        Errors());
}

// Every word field holds its longest word; a longer word is refused, never
// cut to the field width.
TEST_F(TextRequestsTest, OverLongWordsAreRefusedWithoutTouchingLaterLines) {
    const std::string strPath1024(1024, 'p');
    const std::string strName255(255, 'n');

    Record pRecord = ExpectRecord("loadpreset " + strPath1024 + "\n", 15);
    EXPECT_EQ(strPath1024, pRecord->szPath);
    pRecord = ExpectRecord("flush_coeff_file " + strPath1024 + "\n", 23);
    EXPECT_EQ(strPath1024, pRecord->szPath);
    pRecord = ExpectRecord("set_recording 1 " + strPath1024.substr(1) + "\n", 13);
    EXPECT_EQ(strPath1024.substr(1), pRecord->szPath);
    pRecord = ExpectRecord("loglevel " + strName255 + " 3\n", 20);
    EXPECT_EQ(strName255, pRecord->szName);
    pRecord = ExpectRecord("logoutput " + strName255 + " 1\n", 27);
    EXPECT_EQ(strName255, pRecord->szName);

    client.ResetData();
    for (const std::string& strLine :
         Strings{"loadpreset " + strPath1024 + "q\n", "flush_coeff_file " + strPath1024 + "q\n",
                 // the digits after the cut would otherwise be read as the level
                 "loglevel " + strName255 + "7 3\n", "logoutput " + strName255 + "1 1\n"}) {
        capture.Clear();
        EXPECT_FALSE(Feed(strLine + "meters_enable\n"));
        ASSERT_EQ(1u, Errors().size());
        EXPECT_EQ(0u, Errors()[0].rfind("Argument too long in ", 0));
        pRecord = Next();
        ASSERT_TRUE(pRecord);
        EXPECT_EQ(25u, pRecord->nCommand);
    }

    // A recording refusal goes alone too.
    EXPECT_FALSE(Feed("set_recording 1 " + strPath1024 + "\nmeters_enable\n"));
    EXPECT_EQ("meters_enable\n", Pending());
}

// ---------------------------------------------------------------------------
// Waiting for the line feed

TEST_F(TextRequestsTest, MetersEnableWaitsForItsLineFeed) {
    EXPECT_FALSE(Feed("meters_enable"));
    EXPECT_FALSE(Next());
    EXPECT_EQ("meters_enable", Pending());
    Record pRecord = Feed("\n");
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(25u, pRecord->nCommand);
}

TEST_F(TextRequestsTest, TextLineWaitsByteByByte) {
    const std::string strLine = "param 12 0.5\n";
    for (size_t nByte = 0; nByte + 1 < strLine.size(); ++nByte) {
        EXPECT_FALSE(Feed(strLine.substr(nByte, 1))) << nByte;
        EXPECT_EQ(strLine.substr(0, nByte + 1), Pending());
    }
    Record pRecord = Feed("\n");
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(12u, pRecord->nParam);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(TextRequestsTest, PipelinedLinesComeOutInOrder) {
    std::string strLines;
    for (int nParam = 0; nParam < 30; ++nParam) {
        strLines += "param " + std::to_string(nParam) + " 1\n";
    }
    client.AppendData(strLines);
    for (uint32_t nParam = 0; nParam < 30; ++nParam) {
        Record pRecord = Next();
        ASSERT_TRUE(pRecord);
        EXPECT_EQ(nParam, pRecord->nParam);
    }
    EXPECT_FALSE(Next());
}

}  // namespace
