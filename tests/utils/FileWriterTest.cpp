#include <android/log.h>
#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "Utils/FileWriter.h"
#include "utils/LogRecordsTest.h"
#include "utils/TempDir.h"

using TarvoFX::FileWriter;
using TestSupport::TempDir;

namespace {

// Descriptors of this process open on files below strFolder. Counting only
// those keeps the count free of what other threads (the log object's, the
// sanitizers') open and close meanwhile.
int CountOpenDescriptors(const std::string& strFolder) {
    int nCount = 0;
    if (DIR* pDir = opendir("/proc/self/fd")) {
        while (dirent* pEntry = readdir(pDir)) {
            char szTarget[4096];
            const std::string strLink = std::string("/proc/self/fd/") + pEntry->d_name;
            const ssize_t nLength = readlink(strLink.c_str(), szTarget, sizeof(szTarget) - 1);
            if (nLength > 0 &&
                std::string(szTarget, static_cast<size_t>(nLength)).rfind(strFolder, 0) == 0) {
                ++nCount;
            }
        }
        closedir(pDir);
    }
    return nCount;
}

class FileWriterTest : public TestSupport::LogRecordsTest {
protected:
    TempDir dir;
};

TEST_F(FileWriterTest, OpenInMissingDirectoryFailsWithTwoErrorRecords) {
    FileWriter writer;
    std::string strPath = dir.Path("missing/out.log");
    EXPECT_FALSE(writer.Open(strPath, "a+"));
    EXPECT_FALSE(writer.IsOpen());

    EXPECT_EQ(
        std::vector<std::string>{"FileWriter::Open " + strPath + " fail " + std::strerror(ENOENT)},
        ErrorMessages("Shared/Utils/FileWriter.cpp"));
    EXPECT_EQ(2u, capture.Records().size());
}

TEST_F(FileWriterTest, CallsWithoutAnOpenFileDoNothing) {
    FileWriter writer;
    writer.Write("lost\n");
    writer.Flush();
    writer.Close();
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_TRUE(capture.Records().empty());
}

TEST_F(FileWriterTest, WritesLinesInOrderAndAppendsToExistingText) {
    std::string strPath = dir.Path("out.log");
    TempDir::WriteFile(strPath, "old\n");
    FileWriter writer;
    ASSERT_TRUE(writer.Open(strPath, "a+"));
    writer.Write("first\n");
    writer.Write("second");
    writer.Flush();
    EXPECT_EQ("old\nfirst\nsecond", TempDir::ReadFile(strPath));
    writer.Close();
    EXPECT_FALSE(writer.IsOpen());
}

TEST_F(FileWriterTest, DestructorClosesAndFlushesTheFile) {
    std::string strPath = dir.Path("out.log");
    int nDescriptors = CountOpenDescriptors(dir.Path(""));
    {
        FileWriter writer;
        ASSERT_TRUE(writer.Open(strPath, "w"));
        writer.Write("pending");
    }
    EXPECT_EQ("pending", TempDir::ReadFile(strPath));
    EXPECT_EQ(nDescriptors, CountOpenDescriptors(dir.Path("")));
}

TEST_F(FileWriterTest, SecondOpenClosesTheEarlierFile) {
    std::string strFirst = dir.Path("first.log");
    std::string strSecond = dir.Path("second.log");
    int nDescriptors = CountOpenDescriptors(dir.Path(""));
    FileWriter writer;
    ASSERT_TRUE(writer.Open(strFirst, "a+"));
    writer.Write("one");
    ASSERT_TRUE(writer.Open(strSecond, "a+"));
    // The earlier file was closed (and so flushed), not leaked.
    EXPECT_EQ("one", TempDir::ReadFile(strFirst));
    EXPECT_EQ(nDescriptors + 1, CountOpenDescriptors(dir.Path("")));
    writer.Write("two");
    writer.Close();
    EXPECT_EQ("two", TempDir::ReadFile(strSecond));
    EXPECT_EQ(nDescriptors, CountOpenDescriptors(dir.Path("")));
}

TEST_F(FileWriterTest, FailedReopenLeavesNoFileOpen) {
    std::string strPath = dir.Path("out.log");
    int nDescriptors = CountOpenDescriptors(dir.Path(""));
    FileWriter writer;
    ASSERT_TRUE(writer.Open(strPath, "a+"));
    writer.Write("kept");
    EXPECT_FALSE(writer.Open(dir.Path("missing/out.log"), "a+"));
    EXPECT_FALSE(writer.IsOpen());
    writer.Write("dropped");
    EXPECT_EQ("kept", TempDir::ReadFile(strPath));
    EXPECT_EQ(nDescriptors, CountOpenDescriptors(dir.Path("")));
}

// Another process appending to the same file must never find a text of ours
// split across two writes: one that does not fit in what is left of the
// buffer makes the buffer go out first.
TEST_F(FileWriterTest, TextThatDoesNotFitTheBufferIsNotSplit) {
    std::string strPath = dir.Path("out.log");
    FileWriter writer;
    ASSERT_TRUE(writer.Open(strPath, "a+"));
    const std::string strFirst(FileWriter::BUFFER_SIZE - 100, 'a');
    const std::string strSecond(200, 'b');
    writer.Write(strFirst);
    EXPECT_EQ("", TempDir::ReadFile(strPath));
    writer.Write(strSecond);
    EXPECT_EQ(strFirst, TempDir::ReadFile(strPath));
    writer.Flush();
    EXPECT_EQ(strFirst + strSecond, TempDir::ReadFile(strPath));
}

// Only a regular file is ever written: a link's target stays as it was (a
// dangling one is not created), and a FIFO nobody reads, a device or a
// folder is refused at once instead of holding the writer.
TEST_F(FileWriterTest, OnlyRegularFilesAreOpenedAndLinksAreNotFollowed) {
    TempDir::WriteFile(dir.Path("data"), "data\n");
    ASSERT_EQ(0, symlink(dir.Path("data").c_str(), dir.Path("link").c_str()));
    ASSERT_EQ(0, symlink(dir.Path("absent").c_str(), dir.Path("dangling").c_str()));
    ASSERT_EQ(0, mkfifo(dir.Path("fifo").c_str(), 0600));
    FileWriter writer;
    for (const std::string strPath : {dir.Path("link"), dir.Path("dangling"), dir.Path("fifo"),
                                      std::string("/dev/null"), dir.Path("")}) {
        SCOPED_TRACE(strPath);
        EXPECT_FALSE(writer.Open(strPath, "a+"));
        writer.Write("forged\n");
        writer.Close();
    }
    EXPECT_EQ("data\n", TempDir::ReadFile(dir.Path("data")));
    EXPECT_NE(0, access(dir.Path("absent").c_str(), F_OK));
    const std::vector<std::string> vecErrors = ErrorMessages("Shared/Utils/FileWriter.cpp");
    ASSERT_EQ(5u, vecErrors.size());
    EXPECT_EQ("FileWriter::Open " + dir.Path("link") + " fail it is a symbolic link", vecErrors[0]);
    EXPECT_EQ("FileWriter::Open " + dir.Path("fifo") + " fail it is not a regular file",
              vecErrors[2]);
}

// With a bound, the file never holds more than the bound (a line longer than
// it alone), the older lines move to ".1", and no line is split.
TEST_F(FileWriterTest, BoundedFileStartsAfreshAndKeepsThePreviousAsDotOne) {
    const std::string strPath = dir.Path("out.log");
    TempDir::WriteFile(dir.Path("out.log.1"), "older\n");
    FileWriter writer;
    writer.SetSizeBound(100);
    ASSERT_TRUE(writer.Open(strPath, "a+"));
    std::string strAll;
    for (int nLine = 0; nLine < 40; ++nLine) {
        const std::string strLine = "line " + std::to_string(nLine) + "\n";
        writer.Write(strLine);
        strAll += strLine;
    }
    writer.Flush();
    const std::string strNewest = TempDir::ReadFile(strPath);
    const std::string strPrevious = TempDir::ReadFile(dir.Path("out.log.1"));
    EXPECT_LE(strNewest.size(), 100u);
    EXPECT_LE(strPrevious.size(), 100u);
    EXPECT_GT(strNewest.size() + strPrevious.size(), 100u);
    // The two files hold the newest lines, whole and in order.
    EXPECT_EQ(strAll.substr(strAll.size() - strPrevious.size() - strNewest.size()),
              strPrevious + strNewest);
    EXPECT_EQ('\n', strPrevious.back());
    EXPECT_EQ(0u, strNewest.rfind("line ", 0));
    EXPECT_EQ(0u, strPrevious.rfind("line ", 0));
}

TEST(FormatFileNameTimeTest, RendersACompactLocalStamp) {
    setenv("TZ", "UTC", 1);
    tzset();
    struct tm moment = {};
    moment.tm_year = 2020 - 1900;
    moment.tm_mon = 2;
    moment.tm_mday = 18;
    moment.tm_hour = 21;
    moment.tm_min = 15;
    moment.tm_sec = 16;
    EXPECT_EQ("_20200318211516_", TarvoFX::FormatFileNameTime(timegm(&moment)));

    setenv("TZ", "UTC-2", 1);
    tzset();
    EXPECT_EQ("_20200318231516_", TarvoFX::FormatFileNameTime(timegm(&moment)));
}

TEST(FormatFileNameTimeTest, CurrentTimeHasTheStampShape) {
    std::string strStamp = TarvoFX::FormatFileNameTime();
    ASSERT_EQ(16u, strStamp.size());
    EXPECT_EQ('_', strStamp.front());
    EXPECT_EQ('_', strStamp.back());
    EXPECT_EQ(std::string::npos, strStamp.substr(1, 14).find_first_not_of("0123456789"));
}

}  // namespace
