#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "network/ParserTestSupport.h"

using TarvoFX::CCommandsParser;
using TarvoFX::CDataAPO;
using TarvoFX::CReceiveBuffer;
using TestSupport::F64;
using TestSupport::Frame;
using TestSupport::Marker;
using TestSupport::SetParameter;
using TestSupport::U32;
using Strings = std::vector<std::string>;

namespace {

class BinaryRequestsTest : public TestSupport::ParserTest {};

// ---------------------------------------------------------------------------
// Frames

TEST_F(BinaryRequestsTest, FramedSetParameterIsOneRecordOfTheFramedDialect) {
    const std::string strFrame = Frame(SetParameter(7, 0.5));
    ASSERT_EQ(24u, strFrame.size());
    Record pRecord = Feed(strFrame);
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(1u, pRecord->nCommand);
    EXPECT_EQ(TarvoFX::kBinaryFramed, pRecord->eProtocolVersion);
    EXPECT_EQ(7u, pRecord->nParam);
    EXPECT_EQ(0.5, pRecord->dValue);
    EXPECT_EQ("", Pending());
    EXPECT_EQ((Strings{"Received barker received: 0xa1 0xec 0xca 0x11"}), Infos());
}

TEST_F(BinaryRequestsTest, FramePayloadOfTheLargestLengthIsAcceptedAndOneMoreDiscardsAll) {
    EnableDebugRecords();
    const std::string strChunk(20000 - 12, 'c');
    Record pRecord = Feed(Frame(U32(5) + U32(9) + U32(strChunk.size()) + strChunk));
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(5u, pRecord->nCommand);
    EXPECT_EQ(9u, pRecord->nType);
    EXPECT_EQ(strChunk, pRecord->strChunk);
    EXPECT_EQ("", Pending());

    EXPECT_FALSE(Feed(Marker() + U32(20001) + SetParameter(1, 1.0)));
    EXPECT_EQ("", Pending());
    EXPECT_TRUE(capture.Contains("nLen is too big: 20001"));
}

TEST_F(BinaryRequestsTest, FrameWaitsForItsWholePayload) {
    EnableDebugRecords();
    const std::string strFrame = Frame(SetParameter(3, 2.0));
    EXPECT_FALSE(Feed(strFrame.substr(0, 20)));
    EXPECT_EQ(strFrame.substr(0, 20), Pending());
    EXPECT_TRUE(capture.Contains("Not enough received, received 20 instead of 24"));
    EXPECT_TRUE(Feed(strFrame.substr(20)));
}

TEST_F(BinaryRequestsTest, FrameGoesWithAnIncompleteOrUnusedPayload) {
    // The payload announces two pairs but holds one: the frame is gone all the same.
    const std::string strShort = U32(3) + U32(2) + U32(1) + F64(1.0);
    EXPECT_FALSE(Feed(Frame(strShort) + SetParameter(4, 4.0)));
    Record pRecord = Next();
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(4u, pRecord->nParam);

    // Bytes after the request inside the payload are dropped with the frame.
    pRecord = Feed(Frame(SetParameter(5, 5.0) + "tail") + SetParameter(6, 6.0));
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(5u, pRecord->nParam);
    pRecord = Next();
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(6u, pRecord->nParam);
}

TEST_F(BinaryRequestsTest, FramePayloadShorterThanACommandWordIsRejectedAlone) {
    for (const std::string& strPayload : Strings{"", "\x01", std::string("\x07\0\0", 3)}) {
        SCOPED_TRACE(strPayload.size());
        capture.Clear();
        EXPECT_FALSE(Feed(Frame(strPayload) + SetParameter(8, 8.0)));
        EXPECT_EQ((Strings{"Frame payload too short: " + std::to_string(strPayload.size())}),
                  Errors());
        Record pRecord = Next();
        ASSERT_TRUE(pRecord);
        EXPECT_EQ(8u, pRecord->nParam);
    }
}

TEST_F(BinaryRequestsTest, FramedCommandOutsideTheTableIsRefused) {
    EXPECT_FALSE(Feed(Frame(U32(29) + U32(0))));
    EXPECT_FALSE(Feed(Frame(U32(16) + U32(0))));
    EXPECT_EQ((Strings{"nCommand invalid: 29", "Got unexpected data"}), Errors());
    EXPECT_EQ("", Pending());
}

// ---------------------------------------------------------------------------
// Unframed requests

// Only the frame marker or a command number makes binary: any other leading
// word begins a text line, which waits for its line feed and then goes alone.
TEST_F(BinaryRequestsTest, LeadingWordThatIsNoCommandBeginsALine) {
    for (uint32_t nWord : {0u, 29u}) {
        client.ResetData();
        EXPECT_FALSE(Feed(U32(nWord) + SetParameter(1, 1.0)));
        EXPECT_EQ(U32(nWord) + SetParameter(1, 1.0), Pending());
        EXPECT_FALSE(Feed("\n" + SetParameter(2, 2.0)));
        Record pRecord = NextOf(1);
        ASSERT_TRUE(pRecord);
        EXPECT_EQ(2u, pRecord->nParam);
    }
    EXPECT_EQ(2u, Errors().size());
    // Asked for a binary request all the same, the parser discards such bytes.
    capture.Clear();
    CReceiveBuffer strData(U32(29) + SetParameter(1, 1.0));
    EXPECT_FALSE(parser.ParseBinaryData(strData));
    EXPECT_TRUE(strData.empty());
    EXPECT_EQ((Strings{"Invalid Command: 29"}), Errors());
}

TEST_F(BinaryRequestsTest, FewBytesThatMayBecomeBinaryWait) {
    for (const std::string& strStart : Strings{Marker().substr(0, 3), U32(11).substr(0, 2)}) {
        client.ResetData();
        EXPECT_FALSE(Feed(strStart));
        EXPECT_EQ(strStart, Pending());
    }
    Record pRecord = Feed(U32(11).substr(2) + U32(1) + U32(7));
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(11u, pRecord->nCommand);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(BinaryRequestsTest, ParameterArrayWaitsForEveryAnnouncedPair) {
    const std::string strFirst = U32(3) + U32(2) + U32(10) + F64(1.5);
    EXPECT_FALSE(Feed(strFirst));
    EXPECT_EQ(strFirst, Pending());
    EXPECT_TRUE(capture.Contains(
        "strData size is too small, not enougt to read nCountParam 2, strData size 20 "));
    Record pRecord = Feed(U32(11) + F64(-2.0));
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(3u, pRecord->nCommand);
    EXPECT_EQ(TarvoFX::kBinary, pRecord->eProtocolVersion);
    ASSERT_EQ(2u, pRecord->vecParameters.size());
    EXPECT_EQ(10u, pRecord->vecParameters[0].nParam);
    EXPECT_EQ(1.5, pRecord->vecParameters[0].dValue);
    EXPECT_EQ(11u, pRecord->vecParameters[1].nParam);
    EXPECT_EQ(-2.0, pRecord->vecParameters[1].dValue);
    EXPECT_EQ("", Pending());
}

// A request that is complete in its first word is served as soon as that
// word is there, with nothing after it, unframed or framed; a first word that
// begins a frame or a longer request waits for the rest.
TEST_F(BinaryRequestsTest, RequestCompleteInItsFirstWordIsServedAlone) {
    for (uint32_t nCommand : {7u, 24u}) {
        client.ResetData();
        Record pRecord = Feed(U32(nCommand));
        ASSERT_TRUE(pRecord) << nCommand;
        EXPECT_EQ(nCommand, pRecord->nCommand);
        EXPECT_EQ(TarvoFX::kBinary, pRecord->eProtocolVersion);
        EXPECT_EQ("", Pending());
    }
    Record pRecord = Feed(Frame(U32(24)));
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(24u, pRecord->nCommand);
    EXPECT_EQ(TarvoFX::kBinaryFramed, pRecord->eProtocolVersion);
    EXPECT_EQ("", Pending());
    for (const std::string& strStart : Strings{Marker(), Marker() + U32(4), U32(1), U32(3), U32(10),
                                               U32(11), U32(13), U32(15), U32(17)}) {
        client.ResetData();
        EXPECT_FALSE(Feed(strStart));
        EXPECT_EQ(strStart, Pending());
    }
    EXPECT_TRUE(Errors().empty());
}

TEST_F(BinaryRequestsTest, TextKeywordsInsideBinaryBytesStayBinary) {
    const std::string strChunk = "xvolume 0.25\n";
    Record pRecord = Feed(U32(5) + U32(1) + U32(strChunk.size()) + strChunk);
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(5u, pRecord->nCommand);
    EXPECT_EQ(strChunk, pRecord->strChunk);
    EXPECT_EQ("", Pending());

    // A preset path naming a keyword, unframed and framed, with no line feed.
    const std::string strPath = "/data/param_volume_profile.mps";
    const std::string strLoad = U32(15) + U32(strPath.size()) + strPath;
    for (const std::string& strRequest : Strings{strLoad, Frame(strLoad)}) {
        pRecord = Feed(strRequest);
        ASSERT_TRUE(pRecord);
        EXPECT_EQ(15u, pRecord->nCommand);
        EXPECT_EQ(strPath, pRecord->szPath);
        EXPECT_EQ("", Pending());
    }
}

// Announced lengths whose byte total would wrap a 32-bit size never pass the
// size check with the small wrapped total: the request waits or is refused.
TEST_F(BinaryRequestsTest, HugeAnnouncedLengthsNeverPassWrapped) {
    const std::string strFiller(64, '\0');
    const Strings waiting = {
        U32(3) + U32(0x15555556u),           // 8 + 12 * count wraps to 16
        U32(11) + U32(0x40000001u),          // 8 + 4 * count wraps to 12
        U32(5) + U32(0) + U32(0xFFFFFFF8u),  // 12 + size wraps to 4
        U32(17) + U32(0xFFFFFFFDu),          // 8 + length wraps to 5
    };
    for (const std::string& strRequest : waiting) {
        SCOPED_TRACE(testing::PrintToString(strRequest));
        client.ResetData();
        EXPECT_FALSE(Feed(strRequest + strFiller));
        EXPECT_EQ(strRequest + strFiller, Pending());
    }
    const Strings refused = {
        U32(15) + U32(0x80000000u),  // negative when read signed
        U32(13) + U32(1) + U32(0xFFFFFFFFu),
    };
    for (const std::string& strRequest : refused) {
        SCOPED_TRACE(testing::PrintToString(strRequest));
        client.ResetData();
        EXPECT_FALSE(Feed(strRequest + strFiller));
        EXPECT_EQ("", Pending());
    }
}

struct FixedRequest {
    const char* szName;
    std::string strBytes;
    uint32_t nCommand;
    void (*pfnCheck)(const CDataAPO&);
};

TEST_F(BinaryRequestsTest, FixedSizeRequestsCarryTheirFieldsAndWaitForTheirLastByte) {
    const std::vector<FixedRequest> requests = {
        {"parameter value", U32(2) + U32(40) + F64(3.25), 2,
         [](const CDataAPO& r) {
             EXPECT_EQ(40u, r.nParam);
             EXPECT_EQ(3.25, r.dValue);
         }},
        {"request parameter", U32(10) + U32(77), 10,
         [](const CDataAPO& r) { EXPECT_EQ(77u, r.nParam); }},
        {"sound mode", U32(12) + U32(0xFFFFFFFDu), 12,
         [](const CDataAPO& r) { EXPECT_EQ(0xFFFFFFFDu, r.nMode); }},
        {"output mode", U32(14) + U32(6), 14, [](const CDataAPO& r) { EXPECT_EQ(6u, r.nMode); }},
        {"custom output mode", U32(18) + U32(1) + U32(2), 18,
         [](const CDataAPO& r) {
             EXPECT_EQ(1u, r.nFirst);
             EXPECT_EQ(2u, r.nSecond);
         }},
        {"request array", U32(11) + U32(3) + U32(5) + U32(6) + U32(7), 11,
         [](const CDataAPO& r) {
             EXPECT_EQ((std::vector<uint32_t>{5, 6, 7}), r.vecParameterIds);
         }},
        {"empty array", U32(4) + U32(0), 4,
         [](const CDataAPO& r) { EXPECT_TRUE(r.vecParameters.empty()); }},
        {"get chunk", U32(6) + U32(2) + U32(3) + "abc", 6,
         [](const CDataAPO& r) {
             EXPECT_EQ(2u, r.nType);
             EXPECT_EQ("abc", r.strChunk);
         }},
        {"close ashmem", U32(17) + U32(4) + std::string("re\0n", 4), 17,
         [](const CDataAPO& r) { EXPECT_EQ(std::string("re\0n", 4), r.strAshmemName); }},
        {"recording on", U32(13) + U32(1) + U32(4) + "/rec", 13,
         [](const CDataAPO& r) {
             EXPECT_EQ(1u, r.nStatus);
             EXPECT_STREQ("/rec", r.szPath);
         }},
        {"recording off", U32(13) + U32(0), 13,
         [](const CDataAPO& r) {
             EXPECT_EQ(0u, r.nStatus);
             EXPECT_STREQ("", r.szPath);
         }},
        {"load preset", U32(15) + U32(6) + "/p.mps", 15,
         [](const CDataAPO& r) { EXPECT_STREQ("/p.mps", r.szPath); }},
    };
    const std::string strNext = SetParameter(99, 9.0);
    for (const FixedRequest& request : requests) {
        SCOPED_TRACE(request.szName);
        // Every proper prefix waits and keeps its bytes.
        for (size_t nLength = 0; nLength < request.strBytes.size(); ++nLength) {
            client.ResetData();
            EXPECT_FALSE(Feed(request.strBytes.substr(0, nLength))) << nLength;
            EXPECT_EQ(nLength, Pending().size());
        }
        client.ResetData();
        Record pRecord = Feed(request.strBytes + strNext);
        ASSERT_TRUE(pRecord);
        EXPECT_EQ(request.nCommand, pRecord->nCommand);
        EXPECT_EQ(TarvoFX::kBinary, pRecord->eProtocolVersion);
        request.pfnCheck(*pRecord);
        EXPECT_EQ(strNext, Pending());
        client.ResetData();
    }
}

TEST_F(BinaryRequestsTest, CalibrationAndVersionRequestsCarryNothing) {
    Record pRecord = Feed(U32(24) + U32(7) + "z");
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(24u, pRecord->nCommand);
    pRecord = Next();
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(7u, pRecord->nCommand);
    EXPECT_EQ("z", Pending());
}

TEST_F(BinaryRequestsTest, CommandsOnlyTheTextDialectHasAreRefused) {
    for (uint32_t nCommand : {8u, 9u, 16u, 19u, 20u, 21u, 22u, 23u, 25u, 26u, 27u, 28u}) {
        CReceiveBuffer strData(U32(nCommand) + U32(0));
        EXPECT_FALSE(parser.ParseCommandData(strData)) << nCommand;
        EXPECT_TRUE(strData.empty());
    }
    EXPECT_EQ(Strings(12, "Got unexpected data"), Errors());
}

TEST_F(BinaryRequestsTest, RecordingRefusesBadStatusAndLongPathWithEverythingBuffered) {
    EXPECT_FALSE(Feed(U32(13) + U32(2) + SetParameter(1, 1.0)));
    EXPECT_EQ("", Pending());
    EXPECT_FALSE(Feed(U32(13) + U32(1) + U32(1024) + std::string(1024, 'p')));
    EXPECT_EQ("", Pending());
    EXPECT_EQ((Strings{"Received invalid statuc 2", "Received invalid path size 1024"}), Errors());

    Record pRecord = Feed(U32(13) + U32(1) + U32(1023) + std::string(1023, 'p') + "x");
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(std::string(1023, 'p'), pRecord->szPath);
}

TEST_F(BinaryRequestsTest, RecordingWaitsWithItsOwnMessages) {
    EXPECT_FALSE(Feed(U32(13) + U32(1) + "\x06"));
    EXPECT_FALSE(Feed(std::string("\0\0\0/ab", 6)));
    EXPECT_EQ((Strings{"Received barker received: 0x0d 0x00 0x00 0x00",
                       "strData size is too small 9, didn't receive enough for path len",
                       "Received barker received: 0x0d 0x00 0x00 0x00",
                       "strData size is too small 15, didn't receive enough for record prefix"}),
              Infos());
    Record pRecord = Feed("cde");
    ASSERT_TRUE(pRecord);
    EXPECT_STREQ("/abcde", pRecord->szPath);
}

TEST_F(BinaryRequestsTest, RefusedLoadPresetDoesNotBlockLaterRequests) {
    // An empty path is dropped alone.
    EXPECT_FALSE(Feed(U32(15) + U32(0) + SetParameter(1, 1.0)));
    Record pRecord = Next();
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(1u, pRecord->nParam);

    // A path longer than the field cannot be skipped: what is buffered goes.
    for (uint32_t nLength : {1025u, 0x80000000u, 0xFFFFFFFFu}) {
        EXPECT_FALSE(Feed(U32(15) + U32(nLength) + SetParameter(2, 2.0)));
        EXPECT_EQ("", Pending());
        pRecord = Feed(SetParameter(3, 3.0));
        ASSERT_TRUE(pRecord);
        EXPECT_EQ(3u, pRecord->nParam);
    }
    EXPECT_TRUE(capture.Contains(
        "the length of file path is wrong 0, it should be less then 1024 or meaningful"));
    EXPECT_TRUE(capture.Contains(
        "the length of file path is wrong -2147483648, it should be less then 1024 or meaningful"));

    pRecord = Feed(U32(15) + U32(1024) + std::string(1024, 'f') + "x");
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(std::string(1024, 'f'), pRecord->szPath);
}

TEST_F(BinaryRequestsTest, DebugRecordsOfRecordingAndPreset) {
    EnableDebugRecords();
    EXPECT_TRUE(Feed(U32(13) + U32(1) + U32(3) + "/r/" + U32(15) + U32(2) + "/x" + "tail"));
    EXPECT_TRUE(Next());
    EXPECT_TRUE(capture.Contains("ParseEnableRecording() recording status 1 prefix /r/"));
    EXPECT_TRUE(
        capture.Contains("ParseLoadPreset() file path /x  size = 14   nLengthFilePath = 2"));
}

TEST_F(BinaryRequestsTest, CloseAshmemNeedsANinthByte) {
    EXPECT_FALSE(Feed(U32(17) + U32(0)));
    Record pRecord = Feed("q");
    ASSERT_TRUE(pRecord);
    EXPECT_EQ("", pRecord->strAshmemName);
    EXPECT_EQ("q", Pending());
}

TEST_F(BinaryRequestsTest, PipelinedRequestsComeOutOneAtATimeInOrder) {
    std::string strBytes;
    for (uint32_t nParam = 0; nParam < 50; ++nParam) {
        strBytes +=
            nParam % 2 == 0 ? Frame(SetParameter(nParam, nParam)) : SetParameter(nParam, nParam);
    }
    client.AppendData(strBytes + "!");
    for (uint32_t nParam = 0; nParam < 50; ++nParam) {
        Record pRecord = Next();
        ASSERT_TRUE(pRecord);
        EXPECT_EQ(nParam, pRecord->nParam);
        EXPECT_EQ(nParam % 2 == 0 ? TarvoFX::kBinaryFramed : TarvoFX::kBinary,
                  pRecord->eProtocolVersion);
    }
    EXPECT_FALSE(Next());
    EXPECT_EQ("!", Pending());
}

TEST_F(BinaryRequestsTest, EachBinaryDialectWaitsByteByByte) {
    for (const std::string& strRequest :
         {SetParameter(21, 0.125), Frame(SetParameter(21, 0.125))}) {
        for (size_t nByte = 0; nByte + 1 < strRequest.size(); ++nByte) {
            EXPECT_FALSE(Feed(strRequest.substr(nByte, 1))) << nByte;
            EXPECT_EQ(strRequest.substr(0, nByte + 1), Pending());
        }
        Record pRecord = Feed(strRequest.substr(strRequest.size() - 1));
        ASSERT_TRUE(pRecord);
        EXPECT_EQ(21u, pRecord->nParam);
        EXPECT_EQ("", Pending());
    }
    EXPECT_TRUE(Errors().empty());
}

}  // namespace
