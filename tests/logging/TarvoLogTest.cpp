#include <android/log.h>
#include <gtest/gtest.h>

#include <sys/types.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "Utils/FileWriter.h"
#include "logging/TarvoLog.h"
#include "logging/TarvoLogImpl.h"
#include "support/LogCapture.h"
#include "support/LogInit.h"

using TarvoFX::TarvoLog;
using TestSupport::LogCapture;

namespace {

const char* const kTag = "TARVO_LOG_FXModule";

class TarvoLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(TestSupport::WaitForLogInit());
        // Back to the defaults, whatever an earlier test in this process changed.
        TarvoLog::Instance().SetLogLevel("TARVO_LOG_ALL", 2);
        TarvoLog::Instance().SetLogOutput("ANDROID_LOG", true);
        capture.Clear();
    }
    void TearDown() override {
        TarvoLog::Instance().SetLogLevel("TARVO_LOG_ALL", 2);
        TarvoLog::Instance().SetLogOutput("ANDROID_LOG", true);
    }

    LogCapture capture;
};

TEST_F(TarvoLogTest, FreshObjectStartsWithInfoLevelsAndOnlyThePlatformLog) {
    TarvoLog log(false);
    for (int nTag = 0; nTag < TarvoFX::TARVO_LOG_TAG_COUNT; ++nTag) {
        EXPECT_EQ(2, log.GetTagLevel(nTag)) << TarvoLog::s_caszTarvoLogTags[nTag];
    }
    EXPECT_TRUE(log.m_pImpl->IsAnyOutputEnabled());
    EXPECT_TRUE(log.m_pImpl->IsAndroidOnly());
    EXPECT_TRUE(log.m_pImpl->IsInitDone());
}

TEST_F(TarvoLogTest, DefaultLevelsPassInfoAndErrorButNotDebugOrTrace) {
    TARVO_LOGI("info %d", 1);
    TARVO_LOGD("debug %d", 2);
    TARVO_LOG_ENTRY("virtual bool TarvoFX::VeltraEffectAPIBase::ClearParams()");
    TARVO_LOGE("error %s", "x");

    std::vector<TestSupport::LogRecord> records = capture.Records();
    ASSERT_EQ(3u, records.size());
    EXPECT_EQ(ANDROID_LOG_INFO, records[0].nPriority);
    EXPECT_EQ(kTag, records[0].strTag);
    EXPECT_EQ("info 1", records[0].strMessage);
    EXPECT_EQ(ANDROID_LOG_ERROR, records[1].nPriority);
    EXPECT_EQ("error x", records[2].strMessage);
}

TEST_F(TarvoLogTest, LevelsZeroAndOneBothLetTraceAndDebugThrough) {
    for (int nLevel : {0, 1}) {
        capture.Clear();
        ASSERT_TRUE(TarvoLog::Instance().SetLogLevel(kTag, nLevel));
        TARVO_LOG_ENTRY("virtual bool TarvoFX::VeltraEffectAPIBase::ClearParams()");
        TARVO_LOGD("VeltraEffectAPIBase::SetSoundMode nSoundMode %d", 4);

        std::vector<TestSupport::LogRecord> records = capture.Records();
        ASSERT_EQ(2u, records.size()) << "level " << nLevel;
        EXPECT_EQ(ANDROID_LOG_VERBOSE, records[0].nPriority);
        EXPECT_EQ("Entering function virtual bool TarvoFX::VeltraEffectAPIBase::ClearParams()",
                  records[0].strMessage);
        EXPECT_EQ(ANDROID_LOG_DEBUG, records[1].nPriority);
        EXPECT_EQ("VeltraEffectAPIBase::SetSoundMode nSoundMode 4", records[1].strMessage);
    }
}

TEST_F(TarvoLogTest, HigherTagLevelsSuppressInfoButNotErrors) {
    ASSERT_TRUE(TarvoLog::Instance().SetLogLevel(kTag, 3));
    TARVO_LOGI("info");
    TARVO_LOGE("still %d", 4);
    EXPECT_EQ(2u, capture.Records().size());
    // Another tag's level does not matter for FXModule call sites.
    ASSERT_TRUE(TarvoLog::Instance().SetLogLevel(kTag, 2));
    ASSERT_TRUE(TarvoLog::Instance().SetLogLevel("TARVO_LOG_JNI", 4));
    capture.Clear();
    TARVO_LOGI("info");
    EXPECT_EQ(1u, capture.Records().size());
}

TEST_F(TarvoLogTest, SuppressedCallSitesDoNotEvaluateTheirArguments) {
    int nEvaluated = 0;
    auto count = [&] { return ++nEvaluated; };
    TARVO_LOGD("debug %d", count());
    EXPECT_EQ(0, nEvaluated);
    TARVO_LOGI("info %d", count());
    EXPECT_EQ(1, nEvaluated);
}

TEST_F(TarvoLogTest, LevelsOutsideZeroToFourAreDropped) {
    TarvoLog& log = TarvoLog::Instance();
    log.Log(5, kTag, "five");
    log.Log(-1, kTag, "minus one");
    log.LogDirect(5, kTag, "five");
    log.LogDirect(-1, kTag, "minus one");
    EXPECT_TRUE(capture.Records().empty());
}

TEST_F(TarvoLogTest, ErrorFormWritesLocationRecordThenMessage) {
    const int nLine = __LINE__ + 1;
    TARVO_LOGE("Failed create effect nPriority %d nSessionID %d", 0, 7);

    std::vector<TestSupport::LogRecord> records = capture.Records();
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ(ANDROID_LOG_ERROR, records[0].nPriority);
    EXPECT_EQ("tests/logging/TarvoLogTest.cpp:" + std::to_string(nLine) + ", ",
              records[0].strMessage);
    EXPECT_EQ(ANDROID_LOG_ERROR, records[1].nPriority);
    EXPECT_EQ("Failed create effect nPriority 0 nSessionID 7", records[1].strMessage);
}

TEST_F(TarvoLogTest, EachLevelMapsToItsPlatformPriority) {
    TarvoLog& log = TarvoLog::Instance();
    for (int nLevel = 0; nLevel <= 4; ++nLevel) {
        log.Log(nLevel, kTag, "level %d", nLevel);
    }
    std::vector<TestSupport::LogRecord> records = capture.Records();
    ASSERT_EQ(5u, records.size());
    for (int nLevel = 0; nLevel <= 4; ++nLevel) {
        EXPECT_EQ(nLevel + 2, records[nLevel].nPriority);
        EXPECT_EQ("level " + std::to_string(nLevel), records[nLevel].strMessage);
    }
}

TEST_F(TarvoLogTest, LongMessagesAreCutTo1023Characters) {
    std::string strLong(3000, 'x');
    TarvoLog::Instance().Log(2, kTag, "%s", strLong.c_str());
    std::vector<std::string> messages = capture.Messages();
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(std::string(1023, 'x'), messages[0]);

    // So are warnings built from a long argument, which skip the formatting.
    capture.Clear();
    EXPECT_FALSE(TarvoLog::Instance().SetLogLevel(strLong.c_str(), 1));
    messages = capture.Messages(ANDROID_LOG_WARN);
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ("TarvoLogImpl::SetLogLevel can't find log tag" + strLong.substr(0, 1023 - 44),
              messages[0]);
}

// Plain conversions are rendered without vsnprintf, anything else through
// it; either way a message reads as vsnprintf renders it, cut included.
TEST_F(TarvoLogTest, MessagesReadAsVsnprintfRendersThem) {
    // The formats are the literals below, passed through one helper.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-security"
    auto expectSame = [&](const char* szFormat, auto... args) {
        char szExpected[1024];
        std::snprintf(szExpected, sizeof(szExpected), szFormat, args...);
        capture.Clear();
        TarvoLog::Instance().Log(2, kTag, szFormat, args...);
        EXPECT_EQ(std::vector<std::string>{szExpected}, capture.Messages()) << szFormat;
    };
#pragma GCC diagnostic pop
    const char* volatile szNull = nullptr;
    const std::string strLong(1020, 'x');
    expectSame("%d|%i|%u|%x|%X|%d", INT_MIN, -1, UINT_MAX, 0xbeefu, 0xbeefu, 0);
    expectSame("%ld %lu %lld %llu %zu %zd %lx", LONG_MIN, ULONG_MAX, LLONG_MIN, ULLONG_MAX,
               SIZE_MAX, static_cast<ssize_t>(-5), 0xabcUL);
    expectSame("%s and %s, 100%% %c.", "text", static_cast<const char*>(szNull), 'z');
    expectSame("a%cb", 0);
    expectSame("%s%d", strLong.c_str(), 12345);
    expectSame("%5d|%-3s|%.2f|%05x|%hd|%%%d", 42, "a", 1.5, 7u, 3, 9);
    expectSame("no conversion, trailing %");
}

TEST_F(TarvoLogTest, NullTagOrFormatDoNotCrash) {
    TarvoLog::Instance().Log(2, nullptr, "no tag");
    TarvoLog::Instance().LogDirect(2, nullptr, "no tag");
    TarvoLog::Instance().Log(2, kTag, nullptr);
    std::vector<TestSupport::LogRecord> records = capture.Records();
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ("no tag", records[0].strMessage);
}

TEST_F(TarvoLogTest, WithEveryOutputDisabledNothingIsFormatted) {
    TarvoLog& log = TarvoLog::Instance();
    int nWritten = -1;
    log.Log(2, kTag, "abc%n", &nWritten);
    EXPECT_EQ(3, nWritten);  // formatted while an output is on

    ASSERT_TRUE(log.SetLogOutput("ANDROID_LOG", false));
    EXPECT_FALSE(log.m_pImpl->IsAnyOutputEnabled());
    EXPECT_FALSE(log.m_pImpl->IsAndroidOnly());
    capture.Clear();
    nWritten = -1;
    log.Log(2, kTag, "abc%n", &nWritten);
    log.LogDirect(2, kTag, "abc%n", &nWritten);
    TARVO_LOGE("error %n", &nWritten);
    EXPECT_EQ(-1, nWritten);
    EXPECT_TRUE(capture.Records().empty());

    ASSERT_TRUE(log.SetLogOutput("ANDROID_LOG", true));
    EXPECT_TRUE(log.m_pImpl->IsAndroidOnly());
    TARVO_LOGI("back");
    EXPECT_EQ(std::vector<std::string>{"back"}, capture.Messages());
}

// What a destructor that runs after the log object has closed at exit meets.
TEST_F(TarvoLogTest, ClosedObjectWritesNothingFormatsNothingAndRefusesChanges) {
    TarvoLog log(false);
    log.Close();
    int nWritten = -1;
    log.Log(4, kTag, "abc%n", &nWritten);
    log.LogDirect(4, kTag, "abc%n", &nWritten);
    EXPECT_EQ(-1, nWritten);
    EXPECT_FALSE(log.SetLogLevel(kTag, 0));
    EXPECT_FALSE(log.SetLogOutput("ANDROID_LOG", true));
    EXPECT_TRUE(capture.Records().empty());
}

TEST_F(TarvoLogTest, LogDirectReachesThePlatformLogWithTheSameChecks) {
    TarvoLog& log = TarvoLog::Instance();
    TARVO_DIRECT_LOGD("hidden %d", 1);
    TARVO_DIRECT_LOGE("FileWriter::Open %s fail %s", "/x", "No such file or directory");
    std::vector<std::string> errors = capture.Messages(ANDROID_LOG_ERROR);
    ASSERT_EQ(2u, errors.size());
    EXPECT_EQ(0u, errors[0].find("tests/logging/TarvoLogTest.cpp:"));
    EXPECT_EQ("FileWriter::Open /x fail No such file or directory", errors[1]);
    EXPECT_EQ(2u, capture.Records().size());

    ASSERT_TRUE(log.SetLogOutput("ANDROID_LOG", false));
    capture.Clear();
    log.LogDirect(4, kTag, "gone");
    EXPECT_TRUE(capture.Records().empty());
}

TEST_F(TarvoLogTest, SetLogLevelAcceptsEveryTableTagAndTheAllName) {
    TarvoLog& log = TarvoLog::Instance();
    ASSERT_TRUE(log.SetLogLevel("TARVO_LOG_ALL", 1));
    for (int nTag = 0; nTag < TarvoFX::TARVO_LOG_TAG_COUNT; ++nTag) {
        EXPECT_EQ(1, log.GetTagLevel(nTag));
    }
    for (int nTag = 0; nTag < TarvoFX::TARVO_LOG_TAG_COUNT; ++nTag) {
        ASSERT_TRUE(log.SetLogLevel(TarvoLog::s_caszTarvoLogTags[nTag], 4 - nTag % 5));
        EXPECT_EQ(4 - nTag % 5, log.GetTagLevel(nTag));
    }
    EXPECT_TRUE(capture.Records().empty());
}

TEST_F(TarvoLogTest, SetLogLevelRejectsBadInputWithItsWarnings) {
    TarvoLog& log = TarvoLog::Instance();
    // Warnings pass whatever the tag levels are.
    ASSERT_TRUE(log.SetLogLevel("TARVO_LOG_ALL", 4));
    capture.Clear();

    EXPECT_FALSE(log.SetLogLevel("TARVO_LOG_JNI", 7));
    EXPECT_FALSE(log.SetLogLevel("TARVO_LOG_JNI", -1));
    EXPECT_FALSE(log.SetLogLevel(nullptr, 1));
    EXPECT_FALSE(log.SetLogLevel("tarvo_log_jni", 1));
    EXPECT_FALSE(log.SetLogLevel("TARVO_LOG_FXModule ", 1));
    EXPECT_FALSE(log.SetLogLevel("", 1));

    std::vector<std::string> expected = {
        "TarvoLogImpl::SetLogLevelTARVO_LOG_JNI : log level 7 is not valid",
        "TarvoLogImpl::SetLogLevel can't find log tagTARVO_LOG_JNI",
        "TarvoLogImpl::SetLogLevelTARVO_LOG_JNI : log level -1 is not valid",
        "TarvoLogImpl::SetLogLevel can't find log tagTARVO_LOG_JNI",
        "TarvoLogImpl::SetLogLevel szTagName is NULL",
        "TarvoLogImpl::SetLogLevel can't find log tagtarvo_log_jni",
        "TarvoLogImpl::SetLogLevel can't find log tagTARVO_LOG_FXModule ",
        "TarvoLogImpl::SetLogLevel can't find log tag",
    };
    EXPECT_EQ(expected, capture.Messages(ANDROID_LOG_WARN));
    EXPECT_EQ(expected.size(), capture.Records().size());
    for (int nTag = 0; nTag < TarvoFX::TARVO_LOG_TAG_COUNT; ++nTag) {
        EXPECT_EQ(4, log.GetTagLevel(nTag));
    }
}

TEST_F(TarvoLogTest, SetLogOutputRejectsUnknownReservedAndNullNames) {
    TarvoLog& log = TarvoLog::Instance();
    EXPECT_FALSE(log.SetLogOutput(nullptr, true));
    EXPECT_FALSE(log.SetLogOutput("SYS_LOG", true));
    EXPECT_FALSE(log.SetLogOutput("android_log", false));
    EXPECT_FALSE(log.SetLogOutput("ANDROID_LOG ", false));
    std::vector<std::string> expected = {
        "TarvoLogImpl::SetLogOutput szOutputName is NULL",
        "TarvoLogImpl::SetLogOutput can't find log output SYS_LOG",
        "TarvoLogImpl::SetLogOutput can't find log output android_log",
        "TarvoLogImpl::SetLogOutput can't find log output ANDROID_LOG ",
    };
    EXPECT_EQ(expected, capture.Messages(ANDROID_LOG_WARN));
    EXPECT_TRUE(log.m_pImpl->IsAndroidOnly());
}

TEST_F(TarvoLogTest, TwoThreadsLoggingAtOnceNeverTearRecords) {
    const std::string strA(300, 'a');
    const std::string strB(300, 'b');
    const int kCount = 2000;
    auto writer = [](const std::string& strText) {
        for (int i = 0; i < kCount; ++i) {
            TARVO_LOGI("%s %d", strText.c_str(), i);
        }
    };
    std::thread first(writer, strA);
    std::thread second(writer, strB);
    first.join();
    second.join();

    std::vector<std::string> messages = capture.Messages();
    ASSERT_EQ(2u * kCount, messages.size());
    int nNextA = 0;
    int nNextB = 0;
    for (const std::string& strMessage : messages) {
        // Each record is whole and each thread's records keep their order.
        if (strMessage[0] == 'a') {
            EXPECT_EQ(strA + " " + std::to_string(nNextA++), strMessage);
        } else {
            EXPECT_EQ(strB + " " + std::to_string(nNextB++), strMessage);
        }
    }
    EXPECT_EQ(kCount, nNextA);
    EXPECT_EQ(kCount, nNextB);
}

// Seconds since the epoch of a moment of 2021 in UTC, with the process's
// time zone set to UTC.
time_t Utc2021(int nMonth, int nDay, int nHour, int nMinute, int nSecond) {
    setenv("TZ", "UTC", 1);
    tzset();
    struct tm moment = {};
    moment.tm_year = 2021 - 1900;
    moment.tm_mon = nMonth - 1;
    moment.tm_mday = nDay;
    moment.tm_hour = nHour;
    moment.tm_min = nMinute;
    moment.tm_sec = nSecond;
    return timegm(&moment);
}

TEST(FormatLogTimeTest, RendersMonthDayTimeAndTruncatedMilliseconds) {
    EXPECT_EQ("01-01 09:05:03:007",
              TarvoFX::FormatLogTime(timespec{Utc2021(1, 1, 9, 5, 3), 7999999}));
    EXPECT_EQ("03-18 21:15:16:042",
              TarvoFX::FormatLogTime(timespec{Utc2021(3, 18, 21, 15, 16), 42900000}));
}

// Records of one second share the converted seconds; a change of the time
// zone within that second is still seen by the next record.
TEST(FormatLogTimeTest, ZoneChangeWithinTheSameSecondIsSeen) {
    const time_t nSeconds = Utc2021(6, 30, 23, 59, 59);
    EXPECT_EQ("06-30 23:59:59:001", TarvoFX::FormatLogTime(timespec{nSeconds, 1000000}));
    EXPECT_EQ("06-30 23:59:59:999", TarvoFX::FormatLogTime(timespec{nSeconds, 999999999}));

    setenv("TZ", "UTC-2", 1);
    tzset();
    EXPECT_EQ("07-01 01:59:59:500", TarvoFX::FormatLogTime(timespec{nSeconds, 500000000}));

    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ("06-30 23:59:59:500", TarvoFX::FormatLogTime(timespec{nSeconds, 500000000}));
    // Another second is converted again.
    EXPECT_EQ("07-01 00:00:00:000", TarvoFX::FormatLogTime(timespec{nSeconds + 1, 0}));
}

}  // namespace
