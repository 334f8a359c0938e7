// A tuning server on an ephemeral TCP port, its clock moved on by the test,
// with all seventeen executors bound to a recording listener.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "NetworkManager/CCommandsParser.h"
#include "NetworkManager/CTCPServer.h"
#include "NetworkManager/VTServer.h"
#include "network/ParserTestSupport.h"
#include "server/ServerTestSupport.h"
#include "utils/LogRecordsTest.h"

namespace TestSupport {

// Command 10: the value of one parameter.
inline std::string RequestParameter(uint32_t nParam) {
    return U32(10) + U32(nParam);
}

// Command 11: the values of several parameters.
inline std::string RequestParameterArray(const std::vector<uint32_t>& vecParams) {
    std::string str = U32(11) + U32(static_cast<uint32_t>(vecParams.size()));
    for (uint32_t nParam : vecParams) {
        str += U32(nParam);
    }
    return str;
}

inline std::string ParameterReply(uint32_t nParam, double dValue) {
    return U32(2) + U32(nParam) + F64(dValue);
}

// The TCP server on an ephemeral port with a clock that stands still until
// the test moves it on, so that the graces and silences the socket layer
// counts pass without waiting for them.
class ClockedTCPServer : public TarvoFX::CTCPServer {
public:
    ClockedTCPServer() : CTCPServer(std::make_shared<TarvoFX::CCommandsParser>(), 0) {
        SetClock([this] { return TimePoint(std::chrono::milliseconds(m_nNow.load())); });
    }
    // Seen by the server from its next round of select on.
    void Advance(std::chrono::milliseconds duration) { m_nNow += duration.count(); }

private:
    std::atomic<int64_t> m_nNow{1000 * 1000};
};

class TuningServerTest : public LogRecordsTest {
protected:
    void SetUp() override {
        LogRecordsTest::SetUp();
        pTCPServer = std::make_shared<ClockedTCPServer>();
        pServer = std::make_unique<TarvoFX::VTServer>(pTCPServer);
        for (const auto& pExecutor : MakeExecutors(&listener)) {
            pServer->RegisterExecutor(pExecutor);
        }
        ASSERT_TRUE(pServer->Enable());
        nPort = pTCPServer->GetBoundPort();
        ASSERT_NE(0, nPort);
    }
    void TearDown() override {
        pServer.reset();
        LogRecordsTest::TearDown();
    }

    // A parameter query round trip; true when the known value came back.
    bool QueryAnswers(TestClient& client, uint32_t nParam, double dValue) {
        return client.Send(RequestParameter(nParam)) &&
               client.Read(16) == ParameterReply(nParam, dValue);
    }

    // The error messages logged from the given source files (others may log too).
    std::vector<std::string> ErrorsFrom(const std::vector<std::string>& vecSources) {
        const std::vector<std::string> vecErrors = capture.Messages(ANDROID_LOG_ERROR);
        std::vector<std::string> vecMessages;
        for (size_t nIndex = 1; nIndex < vecErrors.size(); nIndex += 2) {
            if (IsLocationIn(vecErrors[nIndex - 1], vecSources)) {
                vecMessages.push_back(vecErrors[nIndex]);
            }
        }
        return vecMessages;
    }
    std::vector<std::string> ServerErrors() { return ErrorsFrom(BaseServerSources()); }

    // Declared first: the executors point into it until the server is gone.
    RecordingListener listener;
    std::shared_ptr<ClockedTCPServer> pTCPServer;
    std::unique_ptr<TarvoFX::VTServer> pServer;
    int nPort = 0;
};

}  // namespace TestSupport
