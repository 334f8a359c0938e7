// Shared helpers of the message tests: byte literals and a log capture with
// every level of the module's tag switched on.
#pragma once

#include <android/log.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <regex>
#include <string>
#include <vector>

#include "logging/TarvoLog.h"
#include "support/LogCapture.h"
#include "support/LogInit.h"

namespace MessageTest {

inline std::vector<char> Bytes(std::initializer_list<int> bytes) {
    std::vector<char> result;
    for (int nByte : bytes) {
        result.push_back(static_cast<char>(nByte));
    }
    return result;
}

inline std::string PointerText(const void* p) {
    char szText[32];
    std::snprintf(szText, sizeof(szText), "%p", p);
    return szText;
}

class LoggedMessageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(TestSupport::WaitForLogInit());
        ASSERT_TRUE(TarvoFX::TarvoLog::Instance().SetLogLevel("TARVO_LOG_FXModule", 0));
        capture.Clear();
    }
    void TearDown() override { TarvoFX::TarvoLog::Instance().SetLogLevel("TARVO_LOG_ALL", 2); }

    // The module's records as "<priority> <message>" lines.
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        for (const TestSupport::LogRecord& record : capture.Records()) {
            EXPECT_EQ("TARVO_LOG_FXModule", record.strTag);
            lines.push_back(std::to_string(record.nPriority) + " " + record.strMessage);
        }
        return lines;
    }

    // The two records of an error: the location line, then the message.
    static void ExpectError(const std::vector<std::string>& lines, size_t nAt,
                            const std::string& strMessage) {
        ASSERT_GT(lines.size(), nAt + 1);
        EXPECT_TRUE(std::regex_match(lines[nAt],
                                     std::regex("6 Shared/VTCommands/[A-Za-z]+\\.cpp:[0-9]+, ")))
            << lines[nAt];
        EXPECT_EQ("6 " + strMessage, lines[nAt + 1]);
    }

    TestSupport::LogCapture capture;
};

}  // namespace MessageTest
