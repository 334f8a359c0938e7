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
        return ErrorMessages(std::vector<std::string>{strSource});
    }

    // The same for a class whose code is spread over several source files:
    // each location record names one of vecSources.
    std::vector<std::string> ErrorMessages(const std::vector<std::string>& vecSources) {
        std::vector<std::string> vecErrors = capture.Messages(ANDROID_LOG_ERROR);
        EXPECT_EQ(0u, vecErrors.size() % 2);
        std::vector<std::string> vecMessages;
        for (size_t nIndex = 1; nIndex < vecErrors.size(); nIndex += 2) {
            const std::string& strLocation = vecErrors[nIndex - 1];
            EXPECT_TRUE(IsLocationIn(strLocation, vecSources)) << strLocation;
            EXPECT_EQ(", ", strLocation.substr(strLocation.size() - 2)) << strLocation;
            vecMessages.push_back(vecErrors[nIndex]);
        }
        return vecMessages;
    }

    // True when the location record strLocation names one of vecSources.
    static bool IsLocationIn(const std::string& strLocation,
                             const std::vector<std::string>& vecSources) {
        for (const std::string& strSource : vecSources) {
            if (strLocation.rfind(strSource + ":", 0) == 0) {
                return true;
            }
        }
        return false;
    }

    LogCapture capture;
};

}  // namespace TestSupport
