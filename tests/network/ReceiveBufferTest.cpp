#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "NetworkManager/CCommandData.h"
#include "NetworkManager/CCommandsParser.h"
#include "NetworkManager/CDataAPO.h"
#include "NetworkManager/CReceiveBuffer.h"
#include "network/ParserTestSupport.h"

using TarvoFX::CCommandData;
using TarvoFX::CDataAPO;
using TarvoFX::CReceiveBuffer;

namespace {

// ---------------------------------------------------------------------------
// Receive buffer

TEST(ReceiveBufferTest, ConsumesFromTheFrontAcrossCompaction) {
    CReceiveBuffer strData;
    std::string strExpected;
    for (int nRound = 0; nRound < 200; ++nRound) {
        const std::string strChunk(97, static_cast<char>('a' + nRound % 26));
        strData.Append(strChunk);
        strExpected += strChunk;
        strData.Consume(61);
        strExpected.erase(0, 61);
        ASSERT_EQ(strExpected, strData.View());
        ASSERT_EQ('\0', strData.data()[strData.size()]);
    }
    strData.Consume(strData.size() + 10);
    EXPECT_TRUE(strData.empty());
}

TEST(ReceiveBufferTest, MovedFromBufferIsEmpty) {
    CReceiveBuffer strData("abcdef");
    strData.Consume(2);
    CReceiveBuffer moved(std::move(strData));
    EXPECT_EQ("cdef", moved.View());
    EXPECT_TRUE(strData.empty());  // NOLINT(bugprone-use-after-move)
    strData = std::move(moved);
    EXPECT_EQ("cdef", strData.View());
    EXPECT_TRUE(moved.empty());  // NOLINT(bugprone-use-after-move)
}

// Find remembers earlier searches; whatever it remembers, it must answer like
// a fresh search of the pending bytes. Appends split needles across chunks,
// consumption passes remembered matches, and starts move back and forth.
TEST(ReceiveBufferTest, FindAgreesWithAFreshSearchWhileTheBufferChanges) {
    const std::vector<std::string> needles = {"\n", "ab", "aba", "param", "get_param_array", "b"};
    std::mt19937 random(1234);
    CReceiveBuffer strData;
    std::string strShadow;
    for (int nStep = 0; nStep < 20000; ++nStep) {
        const int nAction = static_cast<int>(random() % 10);
        if (nAction < 3) {
            std::string strChunk;
            const size_t nLength = random() % 7;
            for (size_t n = 0; n < nLength; ++n) {
                const char* szAlphabet = "ab\nparm_get";
                strChunk += szAlphabet[random() % 11];
            }
            if (random() % 8 == 0) {
                strChunk += needles[random() % needles.size()];
            }
            strData.Append(strChunk);
            strShadow += strChunk;
        } else if (nAction < 4) {
            const size_t nCount = random() % (strShadow.size() + 2);
            strData.Consume(nCount);
            strShadow.erase(0, nCount);
        } else {
            const std::string& strNeedle = needles[random() % needles.size()];
            const size_t nFrom = random() % (strShadow.size() + 2);
            ASSERT_EQ(strShadow.find(strNeedle, nFrom), strData.Find(strNeedle, nFrom))
                << "step " << nStep << " needle " << strNeedle << " from " << nFrom;
        }
        ASSERT_EQ(strShadow, strData.View());
    }
}

TEST(ReceiveBufferTest, FindsMoreNeedlesThanItRemembers) {
    CReceiveBuffer strData("k0 k1 k2 k3 k4 k5 k6 k7 k8 k9");
    for (int nRound = 0; nRound < 2; ++nRound) {
        for (int nNeedle = 0; nNeedle < 40; ++nNeedle) {
            const std::string strNeedle = "k" + std::to_string(nNeedle % 10) +
                                          std::string(static_cast<size_t>(nNeedle / 10), ' ');
            const std::string strView(strData.View());
            EXPECT_EQ(strView.find(strNeedle), strData.Find(strNeedle)) << strNeedle;
        }
    }
    EXPECT_EQ(0u, strData.Find(""));
}

// ---------------------------------------------------------------------------
// Client input and descriptor data

bool IsOpen(int nFD) {
    return fcntl(nFD, F_GETFD) != -1;
}

int OpenNull() {
    const int nFD = open("/dev/null", O_RDONLY | O_CLOEXEC);
    EXPECT_GE(nFD, 0);
    return nFD;
}

class DescriptorDataTest : public TestSupport::ParserTest {};

TEST_F(DescriptorDataTest, ChunksComeOutSmallestDescriptorListFirst) {
    const int nA = OpenNull();
    const int nB = OpenNull();
    const int nC = OpenNull();
    client.AddFDData({nB}, "second");
    client.AddFDData({nA, nC}, "first");
    Record pRecord = Next();
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(16u, pRecord->nCommand);
    EXPECT_EQ((std::vector<int>{nA, nC}), pRecord->vecFDs);
    EXPECT_EQ("first", pRecord->strFDData);
    EXPECT_EQ(1u, client.GetFDs().size());

    // The record owns its descriptors: releasing it closes them.
    pRecord.reset();
    EXPECT_FALSE(IsOpen(nA));
    EXPECT_FALSE(IsOpen(nC));

    pRecord = Next();
    ASSERT_TRUE(pRecord);
    EXPECT_EQ((std::vector<int>{nB}), pRecord->ReleaseFDs());
    pRecord.reset();
    EXPECT_TRUE(IsOpen(nB));
    close(nB);
    EXPECT_FALSE(Next());
}

TEST_F(DescriptorDataTest, EqualDescriptorListReplacesTheEarlierBytes) {
    const int nFD = OpenNull();
    client.AddFDData({nFD}, "old");
    client.AddFDData({nFD}, "new");
    Record pRecord = Next();
    ASSERT_TRUE(pRecord);
    EXPECT_EQ("new", pRecord->strFDData);
}

TEST_F(DescriptorDataTest, TextComesBeforeAndBinaryAfterDescriptorData) {
    const int nFD = OpenNull();
    client.AddFDData({nFD}, "fd bytes");
    // A text line at the front goes first, a binary request at the front
    // after the descriptor data.
    client.AppendData("apodump\n" + TestSupport::SetParameter(2, 2.0));
    NextOf(21);
    NextOf(16);
    Record pRecord = NextOf(1);
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(2u, pRecord->nParam);
}

TEST_F(DescriptorDataTest, DirectCallWithoutDescriptorDataLogsItsSize) {
    EXPECT_FALSE(parser.ParseFDs(&client));
    EXPECT_EQ((std::vector<std::string>{"pData->GetFDs() size is in correct: 0 "}), Infos());
}

TEST_F(DescriptorDataTest, ClientInputClosesDescriptorsNeverParsedAndMovesThemOnce) {
    const int nFD = OpenNull();
    {
        CCommandData first;
        first.AddFDData({nFD}, "x");
        CCommandData second(std::move(first));
        CCommandData third;
        third = std::move(second);
        EXPECT_TRUE(IsOpen(nFD));
        EXPECT_EQ(1u, third.GetFDs().size());
    }
    EXPECT_FALSE(IsOpen(nFD));
}

}  // namespace
