// Clients that misbehave, on purpose or not: more connections than select
// can watch, garbage, a byte at a time, endless lines, frames cut off, a
// process out of descriptors. A well-behaved client is answered throughout.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/select.h>
#include <unistd.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "NetworkManager/CBaseServer.h"
#include "server/TuningServerFixture.h"
#include "support/Emulator.h"

using namespace TarvoFX;
using namespace TestSupport;

namespace {

class HostileClientsTest : public TuningServerTest {
protected:
    void SetUp() override {
        TuningServerTest::SetUp();
        listener.SetKnown(1, 1.0);
    }

    size_t CountServerErrors(const std::string& strPart) {
        size_t nCount = 0;
        for (const std::string& strError : ServerErrors()) {
            nCount += strError.find(strPart) != std::string::npos ? 1 : 0;
        }
        return nCount;
    }

    // Lowers the descriptor limit until accept fails, then raises it again:
    // 0 when the server logged the failure, kept listening and then served
    // the connection that had waited.
    int RunOutOfDescriptors() {
        // Made while descriptors are still available.
        const int nSocket = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (nSocket < 0) {
            return 2;
        }
        TestClient waiting = TestClient::Adopt(nSocket);
        // Every number below the lowest free one is taken: with that as the
        // limit no descriptor can be made.
        const int nFree = open("/dev/null", O_RDONLY | O_CLOEXEC);
        close(nFree);
        rlimit limit{};
        getrlimit(RLIMIT_NOFILE, &limit);
        const rlimit original = limit;
        limit.rlim_cur = static_cast<rlim_t>(nFree);
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0) {
            return 3;
        }
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(nPort));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(nSocket, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0) {
            return 4;
        }
        if (!WaitUntil([&] { return CountServerErrors("accept() failed 24 error") > 0; })) {
            fprintf(stderr, "no accept failure was logged\n");
            return 5;
        }
        if (!pServer->IsEnabled() || !pTCPServer->IsListening()) {
            fprintf(stderr, "the server stopped\n");
            return 6;
        }
        setrlimit(RLIMIT_NOFILE, &original);
        if (!waiting.Send("param 12 0.5\n") ||
            !WaitUntil([&] { return listener.HasCall("ParameterSet 12 0.5"); })) {
            fprintf(stderr, "the waiting client was not served\n");
            return 7;
        }
        return 0;
    }
};

TEST_F(HostileClientsTest, ConnectionsBeyondWhatSelectWatchesAreRefusedOthersServed) {
    constexpr int kClients = FD_SETSIZE + 100;
    // This process holds both ends of every connection.
    const rlim_t nNeeded = 2 * kClients + 128;
    rlimit limit{};
    ASSERT_EQ(0, getrlimit(RLIMIT_NOFILE, &limit));
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < nNeeded) {
        GTEST_SKIP() << "the hard descriptor limit " << limit.rlim_max << " is below " << nNeeded;
    }
    if (limit.rlim_cur < nNeeded) {
        limit.rlim_cur = nNeeded;
        ASSERT_EQ(0, setrlimit(RLIMIT_NOFILE, &limit));
    }

    TestClient good(nPort);
    ASSERT_TRUE(QueryAnswers(good, 1, 1.0));
    std::vector<TestClient> vecClients;
    size_t nServed = 0;
    size_t nRefused = 0;
    for (int nIndex = 0; nIndex < kClients; ++nIndex) {
        vecClients.emplace_back(nPort);
        TestClient& client = vecClients.back();
        ASSERT_GE(client.FD(), 0) << nIndex;
        const std::string strCall = "ParameterSet " + std::to_string(nIndex + 100) + " 0.5";
        client.Send("param " + std::to_string(nIndex + 100) + " 0.5\n");
        // Each either reaches the listener or is closed by the server.
        bool bServed = false;
        ASSERT_TRUE(WaitUntil([&] {
            bServed = listener.HasCall(strCall);
            return bServed || client.HasInputNow();
        })) << nIndex;
        if (bServed) {
            ++nServed;
        } else {
            EXPECT_TRUE(client.WaitForClose());
            ++nRefused;
        }
        if (nIndex % 256 == 0) {
            ASSERT_TRUE(QueryAnswers(good, 1, 1.0)) << nIndex;
        }
    }
    EXPECT_GT(nServed, 0u);
    EXPECT_GE(nRefused, 100u);
    EXPECT_EQ(nRefused, CountServerErrors("select watches descriptors below 1024 only"));
    EXPECT_TRUE(pTCPServer->IsListening());
    EXPECT_TRUE(QueryAnswers(good, 1, 1.0));
    // Room again once clients leave.
    vecClients.clear();
    TestClient late(nPort);
    ASSERT_TRUE(late.Send("param 7 0.5\n"));
    EXPECT_TRUE(WaitUntil([&] { return listener.HasCall("ParameterSet 7 0.5"); }));
}

TEST_F(HostileClientsTest, GarbageIsDiscardedAndOthersServed) {
    TestClient garbage(nPort);
    TestClient good(nPort);
    std::mt19937 random(42);
    std::string strGarbage;
    for (int nIndex = 0; nIndex < 64 * 1024; ++nIndex) {
        strGarbage += static_cast<char>(random() & 0xFF);
    }
    for (int nRound = 0; nRound < 8; ++nRound) {
        ASSERT_TRUE(garbage.Send(strGarbage));
        ASSERT_TRUE(QueryAnswers(good, 1, 1.0));
    }
    ASSERT_TRUE(garbage.Send(std::string(8, '\xFF')));
    EXPECT_TRUE(QueryAnswers(good, 1, 1.0));
    EXPECT_TRUE(pServer->IsEnabled());
}

TEST_F(HostileClientsTest, SlowClientSendingOneByteAtATimeIsServedAndBlocksNobody) {
    TestClient slow(nPort);
    TestClient good(nPort);
    const std::string strRequests = "param 12 0.5\n" + Frame(RequestParameter(1));
    for (char cByte : strRequests) {
        ASSERT_TRUE(slow.Send(std::string(1, cByte)));
        ASSERT_TRUE(QueryAnswers(good, 1, 1.0));
    }
    EXPECT_EQ(ParameterReply(1, 1.0), slow.Read(16));
    EXPECT_TRUE(listener.HasCall("ParameterSet 12 0.5"));
}

TEST_F(HostileClientsTest, EndlessTextLineIsDroppedAtTheBoundAndTheClientRecovers) {
    TestClient endless(nPort);
    TestClient good(nPort);
    const std::string strLine = "param 1 " + std::string(CBaseServer::kMaxPendingInput + 4096, 'x');
    ASSERT_TRUE(endless.Send(strLine));
    ASSERT_TRUE(WaitUntil([&] { return CountServerErrors("no complete request in") > 0; }));
    EXPECT_TRUE(QueryAnswers(good, 1, 1.0));
    // The line feed that finally comes ends the remains; the next line counts.
    ASSERT_TRUE(endless.Send("\nparam 5 1\n"));
    EXPECT_TRUE(WaitUntil([&] { return listener.HasCall("ParameterSet 5 1"); }));
    EXPECT_EQ(1u, CountServerErrors("no complete request in"));
}

TEST_F(HostileClientsTest, PipelinedRequestsBeyondTheBoundAreAllServed) {
    constexpr int kRequests = 24000;
    std::string strBurst;
    for (int nIndex = 0; nIndex < kRequests; ++nIndex) {
        strBurst += "param " + std::to_string(nIndex) + " 0.5\n";
    }
    ASSERT_GT(strBurst.size(), CBaseServer::kMaxPendingInput);
    TestClient client(nPort);
    ASSERT_TRUE(client.Send(strBurst));
    ASSERT_TRUE(listener.WaitForCalls(kRequests));
    EXPECT_EQ("ParameterSet " + std::to_string(kRequests - 1) + " 0.5", listener.Calls().back());
    EXPECT_EQ(0u, CountServerErrors("no complete request in"));
}

TEST_F(HostileClientsTest, ClientLeavingMidFrameIsDroppedWithItsBytes) {
    EnableDebugRecords();
    TestClient good(nPort);
    {
        TestClient leaving(nPort);
        ASSERT_TRUE(leaving.Send(Frame(U32(1) + U32(9) + F64(0.5)).substr(0, 13)));
    }
    EXPECT_TRUE(QueryAnswers(good, 1, 1.0));
    ASSERT_TRUE(WaitUntil([&] {
        for (const std::string& strMessage : capture.Messages(ANDROID_LOG_DEBUG)) {
            if (strMessage.rfind("Closing connection to: ", 0) == 0) {
                return true;
            }
        }
        return false;
    }));
    EXPECT_TRUE(QueryAnswers(good, 1, 1.0));
    EXPECT_EQ((std::vector<std::string>{"ParameterGet 1", "ParameterGet 1"}), listener.Calls());
    EXPECT_TRUE(ServerErrors().empty());
}

TEST_F(HostileClientsTest, AcceptOutOfDescriptorsKeepsListening) {
#ifdef VELTRA_TEST_UBSAN_VPTR
    // The sanitizer's dynamic-type check opens a pipe to probe memory; with
    // no descriptor left it reports every virtual call as a fault.
    GTEST_SKIP() << "runs in the builds without the dynamic-type check";
#endif
    // The limit is lowered in a child process of its own.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TestSupport::StartDeathTestChildrenThroughEmulator();
    // The child ends its server thread and leaves through exit, so that the
    // log object's threads are joined as well.
    EXPECT_EXIT(
        {
            const int nResult = RunOutOfDescriptors();
            pServer.reset();
            exit(nResult);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
