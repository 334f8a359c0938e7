// The encoders and decoders that tuning clients use agree with the library's
// parser and reply builders: every request a client builds is read back by
// the parser as the same values, in every dialect, and every reply the
// executors write decodes to what they were given.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "NetworkManager/CommandExecute/VTServerReplies.h"
#include "NetworkManager/TuningProtocol.h"
#include "network/ParserTestSupport.h"

using TarvoFX::kBinary;
using TarvoFX::kBinaryFramed;
using TarvoFX::kText;
using TarvoFX::SParameterValue;
namespace TP = TarvoFX::TuningProtocol;

namespace {

class TuningProtocolTest : public TestSupport::ParserTest {
protected:
    // Each binary request as sent unframed and framed, then the text line.
    std::vector<Record> ParseAll(const TP::Bytes& request, const std::string& strLine) {
        std::vector<Record> records;
        for (const TP::Bytes& bytes : {request, TP::Framed(request)}) {
            records.push_back(Feed(std::string(bytes.begin(), bytes.end())));
        }
        if (!strLine.empty()) {
            records.push_back(Feed(strLine));
        }
        EXPECT_TRUE(Pending().empty());
        return records;
    }
};

TEST_F(TuningProtocolTest, ParameterRequests) {
    for (const Record& pRecord : ParseAll(TP::SetParameter(12, 0.1), TP::ParamLine(12, 0.1))) {
        ASSERT_TRUE(pRecord);
        EXPECT_EQ(1u, pRecord->nCommand);
        EXPECT_EQ(12u, pRecord->nParam);
        EXPECT_EQ(0.1, pRecord->dValue);  // the text form reads back exactly too
    }
    const std::vector<SParameterValue> pairs = {{1, -2.5}, {7, 1e-9}};
    for (const Record& pRecord : ParseAll(TP::SetParameterArray(pairs), "")) {
        ASSERT_TRUE(pRecord);
        ASSERT_EQ(2u, pRecord->vecParameters.size());
        EXPECT_EQ(7u, pRecord->vecParameters[1].nParam);
        EXPECT_EQ(1e-9, pRecord->vecParameters[1].dValue);
    }
    for (const Record& pRecord : ParseAll(TP::RequestParameter(9), "")) {
        ASSERT_TRUE(pRecord);
        EXPECT_EQ(10u, pRecord->nCommand);
        EXPECT_EQ(9u, pRecord->nParam);
    }
    for (const Record& pRecord :
         ParseAll(TP::RequestParameterArray({3, 4}), TP::GetParamArrayLine({3, 4}))) {
        ASSERT_TRUE(pRecord);
        EXPECT_EQ(11u, pRecord->nCommand);
        EXPECT_EQ(std::vector<uint32_t>({3, 4}), pRecord->vecParameterIds);
    }
}

TEST_F(TuningProtocolTest, ModeRecordingAndPresetRequests) {
    for (const Record& pRecord : ParseAll(TP::SetOutputMode(2), TP::ModeLine(TP::kOutputMode, 2))) {
        ASSERT_TRUE(pRecord);
        EXPECT_EQ(14u, pRecord->nCommand);
        EXPECT_EQ(2u, pRecord->nMode);
    }
    for (const Record& pRecord : ParseAll(TP::SetSoundMode(3), TP::ModeLine(TP::kSoundMode, 3))) {
        ASSERT_TRUE(pRecord);
        EXPECT_EQ(12u, pRecord->nCommand);
        EXPECT_EQ(3u, pRecord->nMode);
    }
    for (const Record& pRecord :
         ParseAll(TP::SetCustomOutputMode(1, 5), TP::CustomOutputModeLine(1, 5))) {
        ASSERT_TRUE(pRecord);
        EXPECT_EQ(18u, pRecord->nCommand);
        EXPECT_EQ(5u, pRecord->nSecond);
    }
    for (const Record& pRecord :
         ParseAll(TP::SetRecording(true, "/data/rec"), TP::SetRecordingLine(true, "/data/rec"))) {
        ASSERT_TRUE(pRecord);
        EXPECT_EQ(13u, pRecord->nCommand);
        EXPECT_EQ(1u, pRecord->nStatus);
        EXPECT_STREQ("/data/rec", pRecord->szPath);
    }
    for (const Record& pRecord :
         ParseAll(TP::SetRecording(false, ""), TP::SetRecordingLine(false, ""))) {
        ASSERT_TRUE(pRecord);
        EXPECT_EQ(0u, pRecord->nStatus);
    }
    for (const Record& pRecord : ParseAll(TP::LoadPreset("/p.mps"), TP::LoadPresetLine("/p.mps"))) {
        ASSERT_TRUE(pRecord);
        EXPECT_EQ(15u, pRecord->nCommand);
        EXPECT_STREQ("/p.mps", pRecord->szPath);
    }
    // The lone calibration request is read once a further byte follows; framed
    // and as text it stands alone.
    const TP::Bytes framed = TP::Framed(TP::CalibrateKv());
    Record pRecord = Feed(std::string(framed.begin(), framed.end()));
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(24u, pRecord->nCommand);
    pRecord = Feed(TP::KeywordLine(TP::kCalibrateKv));
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(24u, pRecord->nCommand);
}

TEST_F(TuningProtocolTest, TextOnlyRequests) {
    Record pRecord = Feed(TP::LogLevelLine("TARVO_LOG_JNI", 3));
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(20u, pRecord->nCommand);
    EXPECT_STREQ("TARVO_LOG_JNI", pRecord->szName);
    EXPECT_EQ(3, pRecord->nLevel);
    pRecord = Feed(TP::LogOutputLine("STDOUT_LOG", true));
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(27u, pRecord->nCommand);
    EXPECT_EQ(1, pRecord->nFlag);
    pRecord = Feed(TP::SetTagExLine(1, 2, 0x10, 0xABCD));
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(22u, pRecord->nCommand);
    EXPECT_EQ(0xABCDu, pRecord->nTagEnable);
    pRecord = Feed(TP::VolumeLine(0.3));
    ASSERT_TRUE(pRecord);
    EXPECT_EQ(0.3, pRecord->dVolume);
    for (const std::string& strKeyword : {TP::kApoDump, TP::kMetersEnable, TP::kMetersDisable}) {
        ASSERT_TRUE(Feed(TP::KeywordLine(strKeyword))) << strKeyword;
    }
    EXPECT_TRUE(Pending().empty());
}

TEST(TuningRepliesTest, RepliesDecodeToWhatTheExecutorsWrote) {
    std::vector<uint8_t> reply;
    TarvoFX::GetDataFromParameter(7, 0.25, kBinary, reply);
    SParameterValue value{0, 0};
    ASSERT_EQ(TP::ParameterReplySize(), reply.size());
    ASSERT_TRUE(TP::DecodeParameterReply(reply, value));
    EXPECT_EQ(7u, value.nParam);
    EXPECT_EQ(0.25, value.dValue);

    const std::vector<unsigned int> ids = {3, 4};
    const std::vector<double> values = {1.5, -2.0};
    for (TarvoFX::ProtocolVersion eVersion : {kBinary, kBinaryFramed, kText}) {
        TarvoFX::GetDataFromParameterArray(ids, values, 2, eVersion, reply);
        // Nothing is complete until the whole reply is there.
        const std::vector<uint8_t> partial(reply.begin(), reply.end() - 1);
        const size_t nPartial = TP::ParameterArrayReplySize(partial, eVersion);
        EXPECT_TRUE(nPartial == 0 || nPartial > partial.size()) << eVersion;
        ASSERT_EQ(reply.size(), TP::ParameterArrayReplySize(reply, eVersion)) << eVersion;
        std::vector<SParameterValue> decoded;
        ASSERT_TRUE(TP::DecodeParameterArrayReply(reply, eVersion, decoded)) << eVersion;
        ASSERT_EQ(2u, decoded.size());
        EXPECT_EQ(4u, decoded[1].nParam);
        EXPECT_EQ(-2.0, decoded[1].dValue);
        // A reply of another dialect is refused.
        const auto eOther = eVersion == kText ? kBinary : kText;
        EXPECT_FALSE(TP::DecodeParameterArrayReply(reply, eOther, decoded)) << eVersion;
    }
}

}  // namespace
