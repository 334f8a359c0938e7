// Base fixture for tests that assert on log records: captures the platform
// log and puts the module tag's level back to the default afterwards.
#pragma once

#include <android/log.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "logging/TarvoLog.h"
#include "support/LogCapture.h"
#include "support/LogInit.h"

namespace TestSupport {

class LogRecordsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(WaitForLogInit());
        capture.Clear();
    }
    void TearDown() override {
        TarvoFX::TarvoLog::Instance().SetLogLevel(TARVO_LOG_FXMODULE_TAG, TarvoFX::LOG_LEVEL_INFO);
    }

    // Lets trace and debug records through.
    void EnableDebugRecords() {
        ASSERT_TRUE(TarvoFX::TarvoLog::Instance().SetLogLevel(TARVO_LOG_FXMODULE_TAG,
                                                              TarvoFX::LOG_LEVEL_DEBUG));
    }

    // The messages of the captured errors, each checked to follow a location
    // record "<strSource>:<line>, ".
    std::vector<std::string> ErrorMessages(const std::string& strSource) {
        std::vector<std::string> vecErrors = capture.Messages(ANDROID_LOG_ERROR);
        EXPECT_EQ(0u, vecErrors.size() % 2);
        std::vector<std::string> vecMessages;
        for (size_t nIndex = 1; nIndex < vecErrors.size(); nIndex += 2) {
            const std::string& strLocation = vecErrors[nIndex - 1];
            EXPECT_EQ(0u, strLocation.rfind(strSource + ":", 0)) << strLocation;
            EXPECT_EQ(", ", strLocation.substr(strLocation.size() - 2)) << strLocation;
            vecMessages.push_back(vecErrors[nIndex]);
        }
        return vecMessages;
    }

    LogCapture capture;
};

}  // namespace TestSupport
