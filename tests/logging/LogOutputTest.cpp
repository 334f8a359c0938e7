// The stream and file outputs on their own: line format, file opening and
// switching, the drop mark after a full queue, and writing everything queued
// before the file closes.
#include <android/log.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "TarvoInterprocess/Message.h"
#include "TarvoInterprocess/MessageQueue.h"
#include "TarvoInterprocess/ThreadedQueue.h"
#include "logging/FileLogMessages.h"
#include "logging/FileLogOutput.h"
#include "logging/StreamCapture.h"
#include "logging/StreamLogOutput.h"
#include "logging/TarvoLog.h"
#include "logging/TarvoLogImpl.h"
#include "logging/TextLines.h"
#include "utils/LogRecordsTest.h"
#include "utils/QueueTestSupport.h"
#include "utils/TempDir.h"

using TarvoFX::FileLogOutput;
using TarvoFX::FileLogTarget;
using TarvoFX::StreamLogOutput;
using TarvoFX::WriteLineMessage;
using TestSupport::Lines;
using TestSupport::TempDir;

namespace {

const char* const kTag = "TARVO_LOG_FXModule";

TEST(StreamLogOutputTest, WritesOneLineWithTimeIdsLevelWordTagAndMessage) {
    TestSupport::StreamCapture capture(stdout);
    TarvoFX::StdoutLogOutput output;
    output.Write("03-18 21:15:16:042", 812, 830, 2, kTag, "hello");
    output.Write("", 0, 0, 0, kTag, "trace");
    output.Write("", 0, 0, 1, kTag, "debug");
    output.Write("", 0, 0, 3, kTag, "warning");
    output.Write("", 0, 0, 4, kTag, "error 100%");
    const std::string strText = capture.Text();

    EXPECT_EQ(
        "03-18 21:15:16:042 812 830 INFO: TARVO_LOG_FXModule hello\n"
        " 0 0 DEBUG: TARVO_LOG_FXModule trace\n"
        " 0 0 DEBUG: TARVO_LOG_FXModule debug\n"
        " 0 0 WARNING: TARVO_LOG_FXModule warning\n"
        " 0 0 ERROR: TARVO_LOG_FXModule error 100%\n",
        strText);
}

TEST(StreamLogOutputTest, NamesAndStreamsOfTheTwoStandardOutputs) {
    TarvoFX::StdoutLogOutput out;
    TarvoFX::StderrLogOutput err;
    EXPECT_EQ("STDOUT_LOG", out.GetName());
    EXPECT_EQ("STDERR_LOG", err.GetName());
    EXPECT_FALSE(out.IsEnabled());
    EXPECT_FALSE(err.EnableByName("STDOUT_LOG", true));
    EXPECT_TRUE(err.EnableByName("STDERR_LOG", true));
    EXPECT_TRUE(err.IsEnabled());

    TestSupport::StreamCapture capture(stderr);
    err.Write("t", 1, 2, 2, kTag, "to stderr");
    EXPECT_EQ("t 1 2 INFO: TARVO_LOG_FXModule to stderr\n", capture.Text());
}

class FileLogOutputTest : public TestSupport::LogRecordsTest {
protected:
    std::string Read(const std::string& strName) { return TempDir::ReadFile(dir.Path(strName)); }

    TempDir dir;
};

TEST_F(FileLogOutputTest, EnablingWithAPathAppendsFlushedLines) {
    TempDir::WriteFile(dir.Path("app.log"), "earlier\n");
    FileLogOutput output;
    EXPECT_FALSE(output.IsEnabled());
    ASSERT_TRUE(output.EnableByName(("FILE_LOG://" + dir.Path("app.log")).c_str(), true));
    EXPECT_TRUE(output.IsEnabled());
    output.Write("03-18 21:15:16:042", 812, 830, 2, kTag, "first");
    output.Write("03-18 21:15:16:043", 812, 831, 4, kTag, "second");
    ASSERT_TRUE(output.WaitUntilWritten());

    // Flushed by the worker: readable while the output still holds the file.
    EXPECT_EQ(
        "earlier\n"
        "03-18 21:15:16:042 812 830 INFO: TARVO_LOG_FXModule first\n"
        "03-18 21:15:16:043 812 831 ERROR: TARVO_LOG_FXModule second\n",
        Read("app.log"));
}

// Nobody waits for the worker here: it flushes what it has written before
// it waits for more lines.
TEST_F(FileLogOutputTest, LinesReachTheFileBeforeTheWorkerWaits) {
    FileLogOutput output;
    ASSERT_TRUE(output.EnableByName(("FILE_LOG://" + dir.Path("app.log")).c_str(), true));
    for (int nLine = 0; nLine < 3; ++nLine) {
        output.Write("t", 1, 2, 2, kTag, "line " + std::to_string(nLine));
    }
    EXPECT_TRUE(TestSupport::WaitUntil([&] { return Lines(Read("app.log")).size() == 3; }));
    EXPECT_EQ(
        "t 1 2 INFO: TARVO_LOG_FXModule line 0\n"
        "t 1 2 INFO: TARVO_LOG_FXModule line 1\n"
        "t 1 2 INFO: TARVO_LOG_FXModule line 2\n",
        Read("app.log"));
}

TEST_F(FileLogOutputTest, FileLogAloneEnablesWithoutAFileAndOtherNamesDoNotMatch) {
    FileLogOutput output;
    EXPECT_TRUE(output.EnableByName("FILE_LOG", true));
    EXPECT_TRUE(output.IsEnabled());
    output.Write("t", 1, 2, 2, kTag, "goes nowhere");
    ASSERT_TRUE(output.WaitUntilWritten());

    EXPECT_FALSE(output.EnableByName("FILE_LO", false));
    EXPECT_FALSE(output.EnableByName("file_log://x", false));
    EXPECT_FALSE(output.EnableByName(nullptr, false));
    EXPECT_TRUE(output.IsEnabled());
    EXPECT_TRUE(output.EnableByName("FILE_LOG", false));
    EXPECT_FALSE(output.IsEnabled());
    EXPECT_TRUE(capture.Messages(ANDROID_LOG_ERROR).empty());
}

TEST_F(FileLogOutputTest, NewPathTakesLaterLinesAndDisablingClosesTheFile) {
    FileLogOutput output;
    ASSERT_TRUE(output.EnableByName(("FILE_LOG://" + dir.Path("one.log")).c_str(), true));
    output.Write("t", 1, 2, 2, kTag, "to one");
    ASSERT_TRUE(output.EnableByName(("FILE_LOG://" + dir.Path("two.log")).c_str(), true));
    output.Write("t", 1, 2, 2, kTag, "to two");
    ASSERT_TRUE(output.EnableByName("FILE_LOG", false));
    // Disabled outputs are not called by the log; a direct call finds no file.
    output.Write("t", 1, 2, 2, kTag, "after close");
    ASSERT_TRUE(output.WaitUntilWritten());

    EXPECT_EQ("t 1 2 INFO: TARVO_LOG_FXModule to one\n", Read("one.log"));
    EXPECT_EQ("t 1 2 INFO: TARVO_LOG_FXModule to two\n", Read("two.log"));
}

TEST_F(FileLogOutputTest, UnopenableFileIsReportedAndLinesAreDropped) {
    FileLogOutput output;
    const std::string strPath = dir.Path("missing/app.log");
    ASSERT_TRUE(output.EnableByName(("FILE_LOG://" + strPath).c_str(), true));
    output.Write("t", 1, 2, 2, kTag, "dropped");
    ASSERT_TRUE(output.WaitUntilWritten());
    EXPECT_TRUE(output.IsEnabled());
    EXPECT_EQ(
        std::vector<std::string>{"FileWriter::Open " + strPath + " fail No such file or directory"},
        ErrorMessages("Shared/Utils/FileWriter.cpp"));
}

TEST_F(FileLogOutputTest, DestructionWritesEveryQueuedLineBeforeClosing) {
    const int kLines = FileLogOutput::QUEUE_CAPACITY - 1;
    {
        FileLogOutput output;
        ASSERT_TRUE(output.EnableByName(("FILE_LOG://" + dir.Path("app.log")).c_str(), true));
        for (int nLine = 0; nLine < kLines; ++nLine) {
            output.Write("t", 1, 2, 2, kTag, "line " + std::to_string(nLine));
        }
    }
    std::vector<std::string> vecLines = Lines(Read("app.log"));
    ASSERT_EQ(static_cast<size_t>(kLines), vecLines.size());
    for (int nLine = 0; nLine < kLines; ++nLine) {
        EXPECT_EQ("t 1 2 INFO: TARVO_LOG_FXModule line " + std::to_string(nLine), vecLines[nLine]);
    }
    EXPECT_TRUE(capture.Messages(ANDROID_LOG_ERROR).empty());
}

// The mark is decided by the message's gap flag, or by a drop reported to a
// file open or close queued in between.
TEST_F(FileLogOutputTest, LineAfterDroppedLinesStartsWithTheMark) {
    auto pTarget = std::make_shared<FileLogTarget>();
    ASSERT_TRUE(pTarget->writer.Open(dir.Path("app.log"), "a+"));
    WriteLineMessage plain(pTarget.get(), "plain\n");
    plain.Execute();
    WriteLineMessage afterGap(pTarget.get(), "after gap\n");
    afterGap.MarkGapBefore();
    afterGap.Execute();
    TarvoFX::OpenFileMessage reopen(pTarget.get(), dir.Path("app.log"), "a+");
    reopen.MarkGapBefore();
    reopen.Execute();
    WriteLineMessage afterReopen(pTarget.get(), "after reopen\n");
    afterReopen.Execute();
    WriteLineMessage next(pTarget.get(), "next\n");
    next.Execute();

    EXPECT_EQ("plain\n* after gap\n* after reopen\nnext\n", Read("app.log"));
}

// The worker held at a gate: the queue fills up and refuses lines until the
// gate opens.
TEST_F(FileLogOutputTest, FullQueueDropsLinesReportsItAndMarksTheNextWrittenLine) {
    const std::string strFull = "MessageQueue::Enqueue() Message Queue full";
    {
        FileLogOutput output;
        ASSERT_TRUE(output.EnableByName(("FILE_LOG://" + dir.Path("app.log")).c_str(), true));
        TestSupport::Recorder recorder;
        TestSupport::Gate started;
        TestSupport::Gate release;
        ASSERT_TRUE(output.RunOnWorker(
            std::make_shared<TestSupport::BlockingMessage>(recorder, 1, started, release)));
        ASSERT_TRUE(started.Wait());
        int nWritten = 0;
        while (capture.Messages(ANDROID_LOG_ERROR).empty() && nWritten < 20000) {
            output.Write("t", 1, 2, 2, kTag, std::to_string(nWritten++));
        }
        ASSERT_EQ(std::vector<std::string>{strFull},
                  ErrorMessages("Alg/Shared/TarvoInterprocess/MessageQueue.cpp"));
        release.Open();
        ASSERT_TRUE(output.WaitUntilWritten());
        output.Write("t", 1, 2, 2, kTag, "after the drop");
        output.Write("t", 1, 2, 2, kTag, "unmarked");
        ASSERT_TRUE(output.WaitUntilWritten());
    }
    std::vector<std::string> vecLines = Lines(Read("app.log"));
    ASSERT_LE(3u, vecLines.size());
    // Every accepted line arrived, in order, and only the refused one is missing.
    for (size_t nLine = 0; nLine + 2 < vecLines.size(); ++nLine) {
        EXPECT_EQ("t 1 2 INFO: TARVO_LOG_FXModule " + std::to_string(nLine), vecLines[nLine]);
    }
    EXPECT_EQ("* t 1 2 INFO: TARVO_LOG_FXModule after the drop", vecLines[vecLines.size() - 2]);
    EXPECT_EQ("t 1 2 INFO: TARVO_LOG_FXModule unmarked", vecLines.back());
}

// A producer that waits for the worker finds its lines in the file when it
// wakes, even though the worker has not run out of messages (and flushed on
// its own) since: the marker it waited for flushed them.
TEST_F(FileLogOutputTest, WaitingProducerFindsItsLinesWrittenWhenItWakes) {
    auto pTarget = std::make_shared<FileLogTarget>();
    pTarget->bFlushBeforeWait = true;
    TarvoFX::TarvoInterprocess::ThreadedQueue queue(
        std::make_shared<TarvoFX::TarvoInterprocess::MessageQueue>(10), false);
    queue.Enqueue(
        std::make_shared<TarvoFX::OpenFileMessage>(pTarget.get(), dir.Path("app.log"), "a+"),
        false);
    queue.Enqueue(std::make_shared<WriteLineMessage>(pTarget.get(), "line\n"));
    ASSERT_TRUE(queue.Enqueue(std::make_shared<TarvoFX::FlushMarkerMessage>(pTarget)));
    EXPECT_EQ("line\n", Read("app.log"));
    queue.Enqueue(std::make_shared<TarvoFX::CloseFileMessage>(pTarget.get()), false);
    queue.Stop();
}

// A FIFO nobody reads is refused, so neither a line nor the end waits on it;
// a bounded output keeps its two files within the bound.
TEST_F(FileLogOutputTest, FifoHoldsNothingUpAndFilesStayWithinTheBound) {
    ASSERT_EQ(0, mkfifo(dir.Path("fifo").c_str(), 0600));
    {
        FileLogOutput output;
        ASSERT_TRUE(output.EnableByName(("FILE_LOG://" + dir.Path("fifo")).c_str(), true));
        output.Write("t", 1, 2, 2, kTag, "lost");
        ASSERT_TRUE(output.WaitUntilWritten());
    }
    EXPECT_EQ(1u, ErrorMessages("Shared/Utils/FileWriter.cpp").size());

    FileLogOutput bounded(1000);
    ASSERT_TRUE(bounded.EnableByName(("FILE_LOG://" + dir.Path("app.log")).c_str(), true));
    for (int nLine = 0; nLine < 200; ++nLine) {
        bounded.Write("t", 1, 2, 2, kTag, "line " + std::to_string(nLine));
    }
    ASSERT_TRUE(bounded.WaitUntilWritten());
    EXPECT_LE(Read("app.log").size(), 1000u);
    EXPECT_LE(Read("app.log.1").size(), 1000u);
    EXPECT_EQ("t 1 2 INFO: TARVO_LOG_FXModule line 199", Lines(Read("app.log")).back());
}

// A log object of its own (no configuration loading) with every output on.
class FanOutTest : public FileLogOutputTest {
protected:
    void SetUp() override {
        FileLogOutputTest::SetUp();
        pLog = std::make_unique<TarvoFX::TarvoLog>(false);
        ASSERT_TRUE(pLog->SetLogOutput("STDOUT_LOG", true));
        ASSERT_TRUE(pLog->SetLogOutput("STDERR_LOG", true));
        ASSERT_TRUE(pLog->SetLogOutput(("FILE_LOG://" + dir.Path("app.log")).c_str(), true));
        capture.Clear();
    }
    void TearDown() override {
        pLog.reset();
        FileLogOutputTest::TearDown();
    }
    bool WaitUntilFileWritten() {
        auto pFile = std::dynamic_pointer_cast<FileLogOutput>(pLog->m_pImpl->GetOutput(4));
        return pFile && pFile->WaitUntilWritten();
    }

    std::unique_ptr<TarvoFX::TarvoLog> pLog;
};

// Text from outside (a tuning client's line, a path) cannot start a record
// of its own or drive a terminal in any output.
TEST_F(FanOutTest, ControlBytesAreEscapedInEveryOutput) {
    TestSupport::StreamCapture out(stdout);
    pLog->Log(2, kTag, "peer\n03-18 21:15:16:042 1 2 ERROR: forged\r\x1b[31m\x7f\tend");
    pLog->LogDirect(2, kTag, "direct\nline");
    ASSERT_TRUE(WaitUntilFileWritten());
    const std::string strEscaped =
        "peer\\n03-18 21:15:16:042 1 2 ERROR: forged\\r\\x1b[31m\\x7f\tend";
    const std::vector<std::string> vecFile = Lines(Read("app.log"));
    ASSERT_EQ(1u, vecFile.size());
    EXPECT_NE(std::string::npos, vecFile[0].find("INFO: TARVO_LOG_FXModule " + strEscaped));
    EXPECT_EQ(1u, Lines(out.Text()).size());
    EXPECT_EQ((std::vector<std::string>{strEscaped, "direct\\nline"}),
              capture.Messages(ANDROID_LOG_INFO));
}

TEST_F(FanOutTest, LogDirectReachesOnlyThePlatformLogWhateverElseIsOn) {
    TestSupport::StreamCapture out(stdout);
    TestSupport::StreamCapture err(stderr);
    pLog->LogDirect(2, kTag, "direct %d", 1);
    ASSERT_TRUE(WaitUntilFileWritten());
    EXPECT_EQ("", out.Text());
    EXPECT_EQ("", err.Text());
    EXPECT_EQ("", Read("app.log"));
    EXPECT_EQ(std::vector<std::string>{"direct 1"}, capture.Messages());

    pLog->Log(2, kTag, "everywhere %d", 2);
    ASSERT_TRUE(WaitUntilFileWritten());
    const std::string strEnd = " INFO: TARVO_LOG_FXModule everywhere 2\n";
    EXPECT_NE(std::string::npos, out.Text().find(strEnd));
    EXPECT_NE(std::string::npos, err.Text().find(strEnd));
    EXPECT_NE(std::string::npos, Read("app.log").find(strEnd));
}

TEST_F(FanOutTest, ConcurrentWritersNeverTearLines) {
    const int kCount = 400;  // per thread; both fit in the file queue together
    const std::string strA(300, 'a');
    const std::string strB(300, 'b');
    TestSupport::StreamCapture err(stderr);
    auto writer = [this](const std::string& strText) {
        for (int nIndex = 0; nIndex < kCount; ++nIndex) {
            pLog->Log(2, kTag, "%s %d", strText.c_str(), nIndex);
        }
    };
    std::thread first(writer, strA);
    std::thread second(writer, strB);
    first.join();
    second.join();
    ASSERT_TRUE(WaitUntilFileWritten());

    for (const std::string& strText : {err.Text(), Read("app.log")}) {
        std::vector<std::string> vecLines = Lines(strText);
        ASSERT_EQ(2u * kCount, vecLines.size());
        int anNext[2] = {0, 0};
        for (const std::string& strLine : vecLines) {
            const size_t nStart = strLine.find("TARVO_LOG_FXModule ") + 19;
            const int nWriter = strLine.compare(nStart, 1, "a") == 0 ? 0 : 1;
            EXPECT_EQ((nWriter == 0 ? strA : strB) + " " + std::to_string(anNext[nWriter]++),
                      strLine.substr(nStart));
        }
        EXPECT_EQ(kCount, anNext[0]);
        EXPECT_EQ(kCount, anNext[1]);
    }
}

}  // namespace
