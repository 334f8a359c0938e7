#include <android/log.h>
#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <string>

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
