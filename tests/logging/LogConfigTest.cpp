// The configuration file, read at first use of the process-wide log object.
// Each scenario needs a fresh object, so each runs in a process of its own
// (CTest runs every test case separately); the files live in a configuration
// root that only these tests read and write, one test at a time.
#include <android/log.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "logging/FileLogOutput.h"
#include "logging/StreamCapture.h"
#include "logging/TarvoLog.h"
#include "logging/TarvoLogImpl.h"
#include "logging/TextLines.h"
#include "support/LogCapture.h"
#include "support/LogInit.h"
#include "utils/TempDir.h"

using TarvoFX::TarvoLog;
using TarvoFX::TarvoLogImpl;
using TestSupport::Lines;
using TestSupport::StreamCapture;
using TestSupport::TempDir;

namespace {

enum { VENDOR_FILE = 0, SYSTEM_FILE = 1 };
enum { SLOT_STDOUT = 2, SLOT_STDERR = 3, SLOT_FILE = 4 };

const char* const kTag = "TARVO_LOG_FXModule";

// "MM-DD hh:mm:ss:mmm <pid> <tid> " of a record logged by this thread.
std::string StampPattern() {
    return "\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d:\\d\\d\\d " + std::to_string(getpid()) + " " +
           std::to_string(gettid()) + " ";
}

void MakeParentFolders(const std::string& strPath) {
    for (size_t nSlash = strPath.find('/', 1); nSlash != std::string::npos;
         nSlash = strPath.find('/', nSlash + 1)) {
        mkdir(strPath.substr(0, nSlash).c_str(), 0755);
    }
}

class LogConfigTest : public ::testing::Test {
protected:
    void SetUp() override {
        static bool s_bLogObjectUsed = false;
        if (s_bLogObjectUsed) {
            GTEST_SKIP() << "needs a fresh log object: run each test in its own process (ctest)";
        }
        s_bLogObjectUsed = true;
        RemoveConfigFiles();
    }
    void TearDown() override { RemoveConfigFiles(); }

    static std::string ConfigPath(int nFile) { return TarvoLogImpl::s_caszConfigFilePaths[nFile]; }

    static void WriteConfig(int nFile, const std::string& strText) {
        MakeParentFolders(ConfigPath(nFile));
        TempDir::WriteFile(ConfigPath(nFile), strText);
    }

    static void RemoveConfigFiles() {
        for (int nFile : {VENDOR_FILE, SYSTEM_FILE}) {
            const std::string strPath = ConfigPath(nFile);
            if (unlink(strPath.c_str()) != 0) {
                rmdir(strPath.c_str());
            }
        }
    }

    // First use of the log object; returns once loading has finished.
    TarvoLog& Start() {
        TarvoLog& log = TarvoLog::Instance();
        EXPECT_TRUE(TestSupport::WaitForLogInit());
        return log;
    }

    static std::shared_ptr<TarvoFX::LogOutput> Output(int nSlot) {
        return TarvoLog::Instance().m_pImpl->GetOutput(nSlot);
    }

    static std::vector<int> Levels() {
        std::vector<int> vecLevels;
        for (int nTag = 0; nTag < TarvoFX::TARVO_LOG_TAG_COUNT; ++nTag) {
            vecLevels.push_back(TarvoLog::Instance().GetTagLevel(nTag));
        }
        return vecLevels;
    }

    // Levels indexed like the tag table: FXLibrary, FXModule, JNI, OpenSLES,
    // MediaPlayerJni, UnitTest, Preset, AlgFx, DefaultLog.
    static std::vector<int> AllLevels(int nLevel) {
        return std::vector<int>(TarvoFX::TARVO_LOG_TAG_COUNT, nLevel);
    }

    bool WaitUntilFileWritten() {
        auto pFile = std::dynamic_pointer_cast<TarvoFX::FileLogOutput>(Output(SLOT_FILE));
        return pFile && pFile->WaitUntilWritten();
    }

    TestSupport::LogCapture capture;
    TempDir dir;
};

TEST_F(LogConfigTest, WithoutAFileTheDefaultsStayAndNothingIsReported) {
    TarvoLog& log = Start();
    EXPECT_EQ(AllLevels(2), Levels());
    EXPECT_TRUE(log.m_pImpl->IsAndroidOnly());
    EXPECT_TRUE(capture.Records().empty());
    TARVO_LOGI("info %d", 1);
    TARVO_LOGD("debug %d", 2);
    EXPECT_EQ(std::vector<std::string>{"info 1"}, capture.Messages());
    // Run-time changes are accepted once loading has finished.
    EXPECT_TRUE(log.SetLogLevel(kTag, 1));
}

TEST_F(LogConfigTest, ExampleFileSetsEveryTagAndEnablesStderrAndTheFile) {
    const std::string strLog = dir.Path("app.log");
    WriteConfig(VENDOR_FILE,
                "[TarvoLogTag]\n"
                "TARVO_LOG_ALL=1\n"
                "[TarvoLogOutput]\n"
                "STDERR_LOG=1\n"
                "FILE_LOG://" +
                    strLog + "=1\n");
    StreamCapture err(stderr);
    TarvoLog& log = Start();
    EXPECT_EQ(AllLevels(1), Levels());
    EXPECT_FALSE(log.m_pImpl->IsAndroidOnly());
    TARVO_LOGD("debug %d", 5);
    ASSERT_TRUE(WaitUntilFileWritten());

    const std::regex line(StampPattern() + "DEBUG: TARVO_LOG_FXModule debug 5");
    std::vector<std::string> vecErr = Lines(err.Text());
    ASSERT_EQ(1u, vecErr.size());
    EXPECT_TRUE(std::regex_match(vecErr[0], line)) << vecErr[0];
    std::vector<std::string> vecFile = Lines(TempDir::ReadFile(strLog));
    ASSERT_EQ(1u, vecFile.size());
    EXPECT_TRUE(std::regex_match(vecFile[0], line)) << vecFile[0];
    // The platform log too (beside the queue's own debug records).
    EXPECT_TRUE(capture.Contains("debug 5"));
}

TEST_F(LogConfigTest, TraceLevelShowsTheLoadRecordAndStdoutCarriesTimeAndIds) {
    WriteConfig(VENDOR_FILE,
                "[TarvoLogTag]\nTARVO_LOG_FXModule=0\n[TarvoLogOutput]\nSTDOUT_LOG=1\n");
    StreamCapture out(stdout);
    Start();
    TARVO_LOG_ENTRY("virtual bool TarvoFX::VeltraEffectAPIBase::ClearParams()");
    const std::string strOut = out.Text();

    std::vector<TestSupport::LogRecord> records = capture.Records();
    ASSERT_LE(1u, records.size());
    EXPECT_EQ(ANDROID_LOG_VERBOSE, records[0].nPriority);
    EXPECT_EQ("TarvoLog::TarvoLog LoadIni succeed from " + ConfigPath(VENDOR_FILE),
              records[0].strMessage);
    EXPECT_EQ("Entering function virtual bool TarvoFX::VeltraEffectAPIBase::ClearParams()",
              records.back().strMessage);
    EXPECT_TRUE(std::regex_search(
        strOut,
        std::regex(StampPattern() + "DEBUG: TARVO_LOG_FXModule Entering function virtual bool "
                                    "TarvoFX::VeltraEffectAPIBase::ClearParams\\(\\)\n")))
        << strOut;
}

// The sample installed under share/ and copied to the device: every line it
// holds parses, and its settings take effect.
TEST_F(LogConfigTest, TheShippedSampleLoadsWithoutWarningAndTakesEffect) {
    WriteConfig(VENDOR_FILE, TempDir::ReadFile(VELTRA_SAMPLE_CONFIG));
    TarvoLog& log = Start();
    EXPECT_EQ(AllLevels(3), Levels());
    EXPECT_TRUE(log.m_pImpl->IsAndroidOnly());
    EXPECT_TRUE(capture.Messages(ANDROID_LOG_WARN).empty());
}

TEST_F(LogConfigTest, SystemFileIsReadWhenTheVendorFileIsMissing) {
    WriteConfig(SYSTEM_FILE, "[TarvoLogTag]\nTARVO_LOG_FXModule=0\n");
    Start();
    EXPECT_EQ(0, TarvoLog::Instance().GetTagLevel(TarvoFX::TARVO_LOG_TAG_FXMODULE));
    EXPECT_TRUE(
        capture.Contains("TarvoLog::TarvoLog LoadIni succeed from " + ConfigPath(SYSTEM_FILE)));
}

TEST_F(LogConfigTest, TheTextEndsAtTheFirstZeroByte) {
    WriteConfig(VENDOR_FILE,
                std::string("[TarvoLogTag]\nTARVO_LOG_JNI=3\n\0TARVO_LOG_Preset=4\n", 50));
    Start();
    EXPECT_EQ(3, TarvoLog::Instance().GetTagLevel(TarvoFX::TARVO_LOG_TAG_JNI));
    EXPECT_EQ(2, TarvoLog::Instance().GetTagLevel(TarvoFX::TARVO_LOG_TAG_PRESET));
}

// A vendor "file" that opens but cannot be read (a folder) counts as missing.
TEST_F(LogConfigTest, SystemFileIsReadWhenTheVendorPathCannotBeRead) {
    MakeParentFolders(ConfigPath(VENDOR_FILE));
    ASSERT_EQ(0, mkdir(ConfigPath(VENDOR_FILE).c_str(), 0755));
    WriteConfig(SYSTEM_FILE, "[TarvoLogTag]\nTARVO_LOG_FXModule=0\n");
    Start();
    EXPECT_TRUE(
        capture.Contains("TarvoLog::TarvoLog LoadIni succeed from " + ConfigPath(SYSTEM_FILE)));
}

TEST_F(LogConfigTest, SpacesAroundTheEqualsSignKeepTheKeyFromMatching) {
    WriteConfig(VENDOR_FILE, "[TarvoLogTag]\nTARVO_LOG_FXModule = 0\n");
    Start();
    EXPECT_EQ(AllLevels(2), Levels());
    EXPECT_EQ(std::vector<std::string>{"TarvoLogImpl::SetLogLevel can't find log tag"
                                       "TARVO_LOG_FXModule "},
              capture.Messages(ANDROID_LOG_WARN));
}

TEST_F(LogConfigTest, LaterLinesOverrideTheAllName) {
    WriteConfig(VENDOR_FILE, "[TarvoLogTag]\nTARVO_LOG_ALL=1\nTARVO_LOG_JNI=4\n");
    Start();
    std::vector<int> expected = AllLevels(1);
    expected[TarvoFX::TARVO_LOG_TAG_JNI] = 4;
    EXPECT_EQ(expected, Levels());
    EXPECT_TRUE(capture.Messages(ANDROID_LOG_WARN).empty());
}

TEST_F(LogConfigTest, OnlyTheValueOneEnablesAnOutput) {
    WriteConfig(VENDOR_FILE,
                "[TarvoLogOutput]\nSTDERR_LOG=1\nSTDOUT_LOG=1\nSTDERR_LOG=2\nSTDOUT_LOG=-1\n");
    TarvoLog& log = Start();
    EXPECT_FALSE(Output(SLOT_STDERR)->IsEnabled());
    EXPECT_FALSE(Output(SLOT_STDOUT)->IsEnabled());
    EXPECT_TRUE(log.m_pImpl->IsAndroidOnly());
    EXPECT_TRUE(capture.Records().empty());
}

TEST_F(LogConfigTest, CommentsAndSectionHeaders) {
    WriteConfig(VENDOR_FILE,
                "TARVO_LOG_FXLibrary=0\n"   // outside any section
                "[TarvoLogTag]   \n"        // trailing blanks: still the tag section
                "   # TARVO_LOG_JNI=0\n"    // comment after blanks
                ";TARVO_LOG_OpenSLES=0\n"   // comment
                "\tTARVO_LOG_Preset=3\r\n"  // blanks and CR around a key line
                "[ TarvoLogTag ]\n"         // another section: both modes off
                "TARVO_LOG_AlgFx=0\n"       //
                "[TarvoLogTag]\r\n"         //
                "TARVO_LOG_UnitTest=1\n"    //
                "[tarvologtag]\n"           // names are case-sensitive
                "TARVO_LOG_DefaultLog=0\n"  //
                "\t[TarvoLogOutput]\n"      //
                "STDOUT_LOG=1\n"            //
                "[Other]\n"                 //
                "STDERR_LOG=1\n");
    Start();
    std::vector<int> expected = AllLevels(2);
    expected[TarvoFX::TARVO_LOG_TAG_PRESET] = 3;
    expected[TarvoFX::TARVO_LOG_TAG_UNITTEST] = 1;
    EXPECT_EQ(expected, Levels());
    EXPECT_TRUE(Output(SLOT_STDOUT)->IsEnabled());
    EXPECT_FALSE(Output(SLOT_STDERR)->IsEnabled());
    EXPECT_TRUE(capture.Messages(ANDROID_LOG_WARN).empty());
}

TEST_F(LogConfigTest, BadValuesAndNamesAreReportedAndSkipped) {
    WriteConfig(VENDOR_FILE,
                "[TarvoLogTag]\n"
                "TARVO_LOG_JNI=abc\n"
                "TARVO_LOG_Preset=3x\n"
                "TARVO_LOG_AlgFx=7\n"
                "TARVO_LOG_OpenSLES=99999999999\n"
                "TARVO_LOG_UnitTest\n"
                "TARVO_LOG_DefaultLog= -0\n"
                "[TarvoLogOutput]\n"
                "SYS_LOG=1\n"
                "NO_SUCH_LOG=1\n");
    Start();
    std::vector<int> expected = AllLevels(2);
    expected[TarvoFX::TARVO_LOG_TAG_PRESET] = 3;
    expected[TarvoFX::TARVO_LOG_TAG_DEFAULTLOG] = 0;
    EXPECT_EQ(expected, Levels());
    const std::vector<std::string> warnings = {
        "TarvoLogImpl::LoadFromIniFile invalid argument TARVO_LOG_JNI=abc",
        "TarvoLogImpl::SetLogLevelTARVO_LOG_AlgFx : log level 7 is not valid",
        "TarvoLogImpl::SetLogLevel can't find log tagTARVO_LOG_AlgFx",
        "TarvoLogImpl::LoadFromIniFile invalid argument TARVO_LOG_OpenSLES=99999999999",
        "TarvoLogImpl::LoadFromIniFile invalid argument TARVO_LOG_UnitTest",
        "TarvoLogImpl::SetLogOutput can't find log output SYS_LOG",
        "TarvoLogImpl::SetLogOutput can't find log output NO_SUCH_LOG",
    };
    EXPECT_EQ(warnings, capture.Messages(ANDROID_LOG_WARN));
}

// With the platform log off, file records still carry time and ids.
TEST_F(LogConfigTest, FileOutputAppendsFlushedLines) {
    const std::string strLog = dir.Path("app.log");
    TempDir::WriteFile(strLog, "kept\n");
    WriteConfig(VENDOR_FILE, "[TarvoLogOutput]\nANDROID_LOG=0\nFILE_LOG://" + strLog + "=1\n");
    TarvoLog& log = Start();
    EXPECT_FALSE(log.m_pImpl->IsAndroidOnly());
    TARVO_LOGI("first %d", 1);
    TARVO_LOGE("second");
    ASSERT_TRUE(WaitUntilFileWritten());

    std::vector<std::string> vecLines = Lines(TempDir::ReadFile(strLog));
    ASSERT_EQ(4u, vecLines.size());
    EXPECT_EQ("kept", vecLines[0]);
    EXPECT_TRUE(std::regex_match(vecLines[1],
                                 std::regex(StampPattern() + "INFO: TARVO_LOG_FXModule first 1")))
        << vecLines[1];
    EXPECT_TRUE(std::regex_match(
        vecLines[2],
        std::regex(StampPattern() +
                   "ERROR: TARVO_LOG_FXModule tests/logging/LogConfigTest.cpp:\\d+, ")))
        << vecLines[2];
    EXPECT_TRUE(std::regex_match(vecLines[3],
                                 std::regex(StampPattern() + "ERROR: TARVO_LOG_FXModule second")))
        << vecLines[3];
    EXPECT_TRUE(capture.Records().empty());
}

TEST_F(LogConfigTest, FileLogAloneEnablesTheOutputWithoutWritingAnything) {
    WriteConfig(VENDOR_FILE, "[TarvoLogOutput]\nFILE_LOG=1\n");
    TarvoLog& log = Start();
    EXPECT_TRUE(Output(SLOT_FILE)->IsEnabled());
    EXPECT_FALSE(log.m_pImpl->IsAndroidOnly());
    TARVO_LOGI("only to the platform log");
    ASSERT_TRUE(WaitUntilFileWritten());
    EXPECT_EQ(std::vector<std::string>{"only to the platform log"}, capture.Messages());
}

TEST_F(LogConfigTest, TimeTextIsDroppedAgainWhenOnlyThePlatformLogRemains) {
    WriteConfig(VENDOR_FILE, "[TarvoLogOutput]\nSTDOUT_LOG=1\n");
    TarvoLog& log = Start();
    EXPECT_FALSE(log.m_pImpl->IsAndroidOnly());
    {
        StreamCapture out(stdout);
        TARVO_LOGI("with time");
        EXPECT_TRUE(std::regex_match(
            out.Text(), std::regex(StampPattern() + "INFO: TARVO_LOG_FXModule with time\n")));
    }
    ASSERT_TRUE(log.SetLogOutput("STDOUT_LOG", false));
    EXPECT_TRUE(log.m_pImpl->IsAndroidOnly());
    ASSERT_TRUE(log.SetLogOutput("ANDROID_LOG", false));
    EXPECT_FALSE(log.m_pImpl->IsAnyOutputEnabled());
    int nFormatted = -1;
    log.Log(2, kTag, "abc%n", &nFormatted);
    EXPECT_EQ(-1, nFormatted);
}

// A FIFO as the vendor file holds the loader in its open until the test
// writes the configuration.
TEST_F(LogConfigTest, RunTimeChangesAreRefusedWhileLoadingRuns) {
    MakeParentFolders(ConfigPath(VENDOR_FILE));
    ASSERT_EQ(0, mkfifo(ConfigPath(VENDOR_FILE).c_str(), 0600));
    TarvoLog& log = TarvoLog::Instance();
    EXPECT_FALSE(log.m_pImpl->IsInitDone());
    EXPECT_FALSE(log.SetLogLevel("TARVO_LOG_ALL", 0));
    EXPECT_FALSE(log.SetLogOutput("STDOUT_LOG", true));
    EXPECT_EQ(AllLevels(2), Levels());
    EXPECT_FALSE(Output(SLOT_STDOUT)->IsEnabled());
    EXPECT_EQ((std::vector<std::string>{
                  "Init did not finish. Please wait for a while to call SetLogLevel again",
                  "Init did not finish. Please wait for a while to call SetLogOutput again"}),
              capture.Messages(ANDROID_LOG_WARN));

    const int nFd = open(ConfigPath(VENDOR_FILE).c_str(), O_WRONLY);
    ASSERT_LE(0, nFd);
    const std::string strText = "[TarvoLogTag]\nTARVO_LOG_JNI=3\n";
    EXPECT_EQ(static_cast<ssize_t>(strText.size()), write(nFd, strText.data(), strText.size()));
    close(nFd);
    ASSERT_TRUE(TestSupport::WaitForLogInit());
    EXPECT_EQ(3, log.GetTagLevel(TarvoFX::TARVO_LOG_TAG_JNI));
    EXPECT_TRUE(log.SetLogLevel("TARVO_LOG_ALL", 0));
}

// Another thread keeps logging while the loader switches levels and outputs;
// every line logged after the file was opened reaches it whole.
TEST_F(LogConfigTest, LoadingRunsConcurrentlyWithLogging) {
    const std::string strLog = dir.Path("app.log");
    WriteConfig(VENDOR_FILE,
                "[TarvoLogTag]\nTARVO_LOG_ALL=1\n[TarvoLogOutput]\nANDROID_LOG=0\nFILE_LOG://" +
                    strLog + "=1\n");
    TarvoLog& log = TarvoLog::Instance();
    std::thread logger([&log] {
        for (int nLine = 0; nLine < 200000 && !log.m_pImpl->IsInitDone(); ++nLine) {
            TARVO_LOGI("during loading %d", nLine);
        }
    });
    logger.join();
    ASSERT_TRUE(TestSupport::WaitForLogInit());
    TARVO_LOGD("after loading");
    ASSERT_TRUE(WaitUntilFileWritten());

    std::vector<std::string> vecLines = Lines(TempDir::ReadFile(strLog));
    ASSERT_FALSE(vecLines.empty());
    EXPECT_TRUE(std::regex_match(
        vecLines.back(), std::regex(StampPattern() + "DEBUG: TARVO_LOG_FXModule after loading")))
        << vecLines.back();
    for (const std::string& strLine : vecLines) {
        EXPECT_TRUE(std::regex_match(
            strLine, std::regex(".* (INFO: TARVO_LOG_FXModule during loading \\d+|DEBUG: .*)")))
            << strLine;
    }
}

// The process exits right after logging: the log object's destruction at
// exit writes every queued line before the file closes. At level 0 the file
// output's worker also logs its own steps while it winds down, through the
// object being destroyed.
TEST(LogExitTest, LinesLoggedJustBeforeExitAreAllInTheFile) {
    GTEST_FLAG_SET(death_test_style, "fast");
    for (int nLevel : {2, 0}) {
        TempDir dir;
        const std::string strLog = dir.Path("exit.log");
        const int kLines = 900;
        EXPECT_EXIT(
            {
                TestSupport::WaitForLogInit();
                TarvoLog::Instance().SetLogOutput(("FILE_LOG://" + strLog).c_str(), true);
                TarvoLog::Instance().SetLogLevel(kTag, nLevel);
                for (int nLine = 0; nLine < kLines; ++nLine) {
                    TARVO_LOGI("line %d", nLine);
                }
                std::exit(0);
            },
            ::testing::ExitedWithCode(0), "")
            << "level " << nLevel;

        std::vector<std::string> vecLines = Lines(TempDir::ReadFile(strLog));
        ASSERT_EQ(static_cast<size_t>(kLines), vecLines.size()) << "level " << nLevel;
        for (int nLine = 0; nLine < kLines; ++nLine) {
            const std::string strEnd = "INFO: TARVO_LOG_FXModule line " + std::to_string(nLine);
            EXPECT_EQ(strEnd, vecLines[nLine].substr(vecLines[nLine].size() - strEnd.size()));
        }
    }
}

}  // namespace
