// The executors on their own: what each passes to its listener, and the
// reply bytes of the two queries in every dialect.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "NetworkManager/CommandExecute/VTServerReplies.h"
#include "network/ParserTestSupport.h"
#include "server/ServerTestSupport.h"

using namespace TarvoFX;
using TestSupport::F64;
using TestSupport::Marker;
using TestSupport::RecordingListener;
using TestSupport::U32;

namespace {

std::string Bytes(const std::vector<uint8_t>& vecReply) {
    return std::string(vecReply.begin(), vecReply.end());
}

class ExecutorsTest : public TestSupport::LogRecordsTest {
protected:
    // Runs the executor registered for the record's number; the reply bytes.
    std::string Run(CDataAPO& record) {
        std::vector<uint8_t> vecReply;
        int nRun = 0;
        for (const auto& pExecutor : TestSupport::MakeExecutors(&listener)) {
            if (pExecutor->GetCommandType() == static_cast<int32_t>(record.nCommand)) {
                pExecutor->Execute(&record, vecReply);
                ++nRun;
            }
        }
        EXPECT_EQ(1, nRun) << "executors for command " << record.nCommand;
        return Bytes(vecReply);
    }

    // Runs a record of nCommand filled by fill; the listener call it made.
    std::string CallFor(uint32_t nCommand, const std::function<void(CDataAPO&)>& fill) {
        CDataAPO record;
        record.nCommand = nCommand;
        fill(record);
        EXPECT_EQ("", Run(record)) << "a setter does not reply";
        return LastCall();
    }

    std::string LastCall() {
        std::vector<std::string> vecCalls = listener.Calls();
        return vecCalls.empty() ? "" : vecCalls.back();
    }

    RecordingListener listener;
};

TEST_F(ExecutorsTest, EachCommandNumberHasOneExecutorAndTheOthersNone) {
    std::vector<int32_t> vecNumbers;
    for (const auto& pExecutor : TestSupport::MakeExecutors(&listener)) {
        vecNumbers.push_back(pExecutor->GetCommandType());
    }
    std::sort(vecNumbers.begin(), vecNumbers.end());
    EXPECT_EQ(
        (std::vector<int32_t>{1, 3, 10, 11, 12, 13, 14, 15, 18, 20, 21, 22, 24, 25, 26, 27, 28}),
        vecNumbers);
}

TEST_F(ExecutorsTest, SettersPassTheRecordsValuesOn) {
    EXPECT_EQ("ParameterSet 12 0.5", CallFor(kCommandSetParameter, [](CDataAPO& record) {
                  record.nParam = 12;
                  record.dValue = 0.5;
              }));
    EXPECT_EQ("ParameterArraySet 3=1.5 7=-2",
              CallFor(kCommandSetParameterArray, [](CDataAPO& record) {
                  record.vecParameters = {{3, 1.5}, {7, -2}};
              }));
    EXPECT_EQ("TagExSet 1 2 16 32", CallFor(kCommandSetTagEx, [](CDataAPO& record) {
                  record.nOutputMode = 1;
                  record.nSoundMode = 2;
                  record.nTagDisable = 0x10;
                  record.nTagEnable = 0x20;
              }));
    EXPECT_EQ("SystemVolumeSet 0.25",
              CallFor(kCommandSetSystemVolume, [](CDataAPO& record) { record.dVolume = 0.25; }));
    EXPECT_EQ("MpsFileSet /data/p.mps", CallFor(kCommandLoadPreset, [](CDataAPO& record) {
                  strcpy(record.szPath, "/data/p.mps");
              }));
    EXPECT_EQ("LogLevelSet TARVO_LOG_FXModule 1",
              CallFor(kCommandSetLogLevel, [](CDataAPO& record) {
                  strcpy(record.szName, "TARVO_LOG_FXModule");
                  record.nLevel = 1;
              }));
}

TEST_F(ExecutorsTest, ModesAndMasksKeepTheirLow16Bits) {
    EXPECT_EQ("SoundModeSet -1",
              CallFor(kCommandSetSoundMode, [](CDataAPO& record) { record.nMode = 0x1FFFF; }));
    EXPECT_EQ("OutputModeSet 5",
              CallFor(kCommandSetOutputMode, [](CDataAPO& record) { record.nMode = 0x30005; }));
    EXPECT_EQ("CustomOutputModeSet 2 65535",
              CallFor(kCommandSetCustomOutputMode, [](CDataAPO& record) {
                  record.nFirst = 0x10002;
                  record.nSecond = 0xFFFFFFFF;
              }));
    // The modes of the tag command pass whole, its masks as signed 16 bits.
    EXPECT_EQ("TagExSet 65537 3 -32768 -1", CallFor(kCommandSetTagEx, [](CDataAPO& record) {
                  record.nOutputMode = 0x10001;
                  record.nSoundMode = 3;
                  record.nTagDisable = 0x18000;
                  record.nTagEnable = 0xFFFF;
              }));
}

TEST_F(ExecutorsTest, RecordingOnlyStatusOneEnablesAndOnlyFlagOneSwitchesAnOutputOn) {
    auto recording = [](uint32_t nStatus) {
        return [nStatus](CDataAPO& record) {
            record.nStatus = nStatus;
            strcpy(record.szPath, "/sdcard/rec");
        };
    };
    EXPECT_EQ("RecordingEnabled /sdcard/rec", CallFor(kCommandSetRecording, recording(1)));
    EXPECT_EQ("RecordingDisabled", CallFor(kCommandSetRecording, recording(0)));
    EXPECT_EQ("RecordingDisabled", CallFor(kCommandSetRecording, recording(2)));

    auto output = [](int32_t nFlag) {
        return [nFlag](CDataAPO& record) {
            strcpy(record.szName, "file");
            record.nFlag = nFlag;
        };
    };
    EXPECT_EQ("LogOutputSet file 1", CallFor(kCommandSetLogOutput, output(1)));
    EXPECT_EQ("LogOutputSet file 0", CallFor(kCommandSetLogOutput, output(2)));
}

TEST_F(ExecutorsTest, CommandsWithoutArgumentsAndTheSharedMetersListener) {
    for (uint32_t nCommand :
         {kCommandDump, kCommandCalibrateKv, kCommandMetersEnable, kCommandMetersDisable}) {
        CDataAPO record;
        record.nCommand = nCommand;
        EXPECT_EQ("", Run(record));
    }
    EXPECT_EQ(
        (std::vector<std::string>{"Dump", "CalibrateKv", "MetersEnabled 1", "MetersEnabled 0"}),
        listener.Calls());
}

TEST_F(ExecutorsTest, WithoutListenerOrRecordNothingHappens) {
    for (const auto& pExecutor : TestSupport::MakeExecutors(nullptr)) {
        CDataAPO record;
        record.nCommand = static_cast<uint32_t>(pExecutor->GetCommandType());
        record.vecParameterIds = {1};
        std::vector<uint8_t> vecReply;
        pExecutor->Execute(&record, vecReply);
        EXPECT_TRUE(vecReply.empty());
    }
    for (const auto& pExecutor : TestSupport::MakeExecutors(&listener)) {
        std::vector<uint8_t> vecReply;
        pExecutor->Execute(nullptr, vecReply);
        EXPECT_TRUE(vecReply.empty());
    }
    EXPECT_TRUE(listener.Calls().empty());
}

TEST_F(ExecutorsTest, ParameterQueryAnswersSixteenBytesInEveryDialectOrNothing) {
    listener.SetKnown(7, 1.25);
    const std::string strExpected = U32(2) + U32(7) + F64(1.25);
    for (ProtocolVersion eVersion : {kBinary, kBinaryFramed, kText}) {
        CDataAPO record;
        record.nCommand = kCommandRequestParameter;
        record.eProtocolVersion = eVersion;
        record.nParam = 7;
        EXPECT_EQ(strExpected, Run(record)) << eVersion;
    }
    CDataAPO unknown;
    unknown.nCommand = kCommandRequestParameter;
    unknown.nParam = 8;
    EXPECT_EQ("", Run(unknown));
    EXPECT_EQ("ParameterGet 8", LastCall());
}

TEST_F(ExecutorsTest, ParameterArrayQueryAnswersOnlyKnownIdsInTheRequestsDialect) {
    listener.SetKnown(4, 2.5);
    listener.SetKnown(9, -1.0 / 3);
    CDataAPO record;
    record.nCommand = kCommandRequestParameterArray;
    record.vecParameterIds = {3, 4, 9};

    record.eProtocolVersion = kText;
    EXPECT_EQ("get_param_array_response 4=2.50,9=-0.33\n", Run(record));

    const std::string strBinary = U32(4) + U32(2) + U32(4) + F64(2.5) + U32(9) + F64(-1.0 / 3);
    record.eProtocolVersion = kBinary;
    EXPECT_EQ(strBinary, Run(record));
    record.eProtocolVersion = kBinaryFramed;
    EXPECT_EQ(Marker() + U32(32) + strBinary, Run(record));

    record.vecParameterIds = {3, 5};
    EXPECT_EQ("", Run(record)) << "none known";
    listener.RefuseArrays();
    record.vecParameterIds = {4};
    EXPECT_EQ("", Run(record)) << "refused";
}

TEST_F(ExecutorsTest, OneKnownIdFramedIsTwentyEightBytes) {
    listener.SetKnown(4, 0.75);
    CDataAPO record;
    record.nCommand = kCommandRequestParameterArray;
    record.eProtocolVersion = kBinaryFramed;
    record.vecParameterIds = {3, 4};
    EXPECT_EQ(Marker() + U32(20) + U32(4) + U32(1) + U32(4) + F64(0.75), Run(record));
}

TEST_F(ExecutorsTest, ReplyBuildersHonourTheCountAndRefuseUnknownDialects) {
    const std::vector<unsigned int> vecIds = {1, 0xFFFFFFFF, 3};
    const std::vector<double> vecValues = {1.0, 2.005, 1e20};
    std::vector<uint8_t> vecReply;
    GetDataFromParameterArray(vecIds, vecValues, 2, kText, vecReply);
    EXPECT_EQ("get_param_array_response 1=1.00,-1=2.00\n", Bytes(vecReply)) << "ids signed";
    // A count beyond the vectors is cut to them.
    GetDataFromParameterArrayInBinary(vecIds, vecValues, 9, kBinary, vecReply);
    EXPECT_EQ(8u + 12 * 3, vecReply.size());
    GetDataFromParameterArrayInText(vecIds, vecValues, 3, kText, vecReply);
    EXPECT_EQ("get_param_array_response 1=1.00,-1=2.00,3=100000000000000000000.00\n",
              Bytes(vecReply));
    // Every entry reads as "%d=%.02f" writes it: ties, signs, tiny and huge
    // values, and random bit patterns.
    std::vector<double> vecSamples = {0.125,  2.005, 0.145, 123.455, -0.0,  1e-10,
                                      -1e300, 0.995, 1e16,  -2.5,    1e308, 5e-324};
    std::mt19937_64 random(7);
    for (int nIndex = 0; nIndex < 2000; ++nIndex) {
        const uint64_t nBits = random();
        double dValue = 0.0;
        memcpy(&dValue, &nBits, sizeof(dValue));
        vecSamples.push_back(std::isfinite(dValue) ? dValue : 1.0 / (nIndex + 1));
    }
    for (double dValue : vecSamples) {
        GetDataFromParameterArrayInText({0xFFFFFFFF}, {dValue}, 1, kText, vecReply);
        const int nLength = snprintf(nullptr, 0, "%d=%.02f", -1, dValue);
        std::string strExpected(static_cast<size_t>(nLength) + 1, '\0');
        snprintf(&strExpected[0], strExpected.size(), "%d=%.02f", -1, dValue);
        strExpected.pop_back();
        ASSERT_EQ("get_param_array_response " + strExpected + "\n", Bytes(vecReply)) << dValue;
    }
    // A value of hundreds of digits is written whole.
    GetDataFromParameterArrayInText({7}, {-1e300}, 1, kText, vecReply);
    char szHuge[400];
    snprintf(szHuge, sizeof(szHuge), "%.02f", -1e300);
    EXPECT_EQ("get_param_array_response 7=" + std::string(szHuge) + "\n", Bytes(vecReply));

    std::vector<uint8_t> vecUnknown;
    GetDataFromParameterArray(vecIds, vecValues, 3, static_cast<ProtocolVersion>(5), vecUnknown);
    EXPECT_TRUE(vecUnknown.empty());
    EXPECT_EQ((std::vector<std::string>{"Received unsupported format 5"}),
              ErrorMessages("Shared/NetworkManager/CommandExecute/VTServerReplies.cpp"));
}

}  // namespace
