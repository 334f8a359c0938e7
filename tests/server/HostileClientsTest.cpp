// Clients that misbehave, on purpose or not: more connections than select
// can watch, garbage, a byte at a time, endless lines, frames cut off, a
// process out of descriptors. A well-behaved client is answered throughout.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/select.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
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

    // The descriptors this process has open.
    static size_t OpenDescriptors() {
        size_t nCount = 0;
        if (DIR* pDir = opendir("/proc/self/fd")) {
            while (readdir(pDir) != nullptr) {
                ++nCount;
            }
            closedir(pDir);
        }
        return nCount;
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

// The process has used up the descriptor numbers select can watch (an
// application may hold many files): a connection accepted now is refused,
// and connections are served again once numbers are free.
TEST_F(HostileClientsTest, ConnectionsBeyondWhatSelectWatchesAreRefusedOthersServed) {
    const rlim_t nNeeded = FD_SETSIZE + 64;
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
    std::vector<int> vecFillers;
    while (vecFillers.empty() || vecFillers.back() < FD_SETSIZE) {
        const int nFD = open("/dev/null", O_RDONLY | O_CLOEXEC);
        ASSERT_GE(nFD, 0);
        vecFillers.push_back(nFD);
    }
    {
        TestClient beyond(nPort);
        EXPECT_TRUE(beyond.WaitForClose());
    }
    EXPECT_EQ(1u, CountServerErrors("select watches descriptors below 1024 only"));
    EXPECT_TRUE(QueryAnswers(good, 1, 1.0));
    for (int nFD : vecFillers) {
        close(nFD);
    }
    TestClient late(nPort);
    ASSERT_TRUE(late.Send("param 7 0.5\n"));
    EXPECT_TRUE(WaitUntil([&] { return listener.HasCall("ParameterSet 7 0.5"); }));
}

// The shapes of a busy or hostile network around one working client, at the
// cap: a wave of silent connections between two of its requests, peers that
// trickle bytes, hold unfinished lines or stream letters, a second wave once
// those have had their grace, peers that close or reset, and newcomers with
// requests. The working client is answered every time and keeps its place;
// the peers give way to one another, and newcomers are refused while none
// may.
TEST_F(HostileClientsTest, WorkingClientKeepsItsPlaceWhilePeersComeAndGo) {
    constexpr size_t kPlaces = CBaseServer::kMaxClients - 1;  // beside the working client
    constexpr size_t kWave = 2 * CBaseServer::kMaxClients;
    const size_t nBaseline = OpenDescriptors();
    TestClient tool(nPort);
    ASSERT_TRUE(QueryAnswers(tool, 1, 1.0));

    // Silent connections, twice the cap, in one go: the first take the free
    // places, the rest are refused, and the working client stays.
    std::vector<TestClient> vecPeers;
    for (size_t nIndex = 0; nIndex < kWave; ++nIndex) {
        vecPeers.emplace_back(nPort);
    }
    ASSERT_TRUE(WaitUntil([&] { return CountServerErrors("may give way") == kWave - kPlaces; }));
    for (size_t nIndex = kPlaces; nIndex < kWave; ++nIndex) {
        EXPECT_TRUE(vecPeers[nIndex].WaitForClose()) << nIndex;
    }
    ASSERT_TRUE(QueryAnswers(tool, 1, 1.0));

    // Within their grace the peers trickle an unfinished line, hold a larger
    // one, or stream letters; none of it makes a request.
    std::mt19937 random(7);
    // Letters without a line feed: a text line that never ends, so never a
    // request and never discarded.
    std::string strGarbage(4096, 'a');
    for (char& cByte : strGarbage) {
        cByte = static_cast<char>('a' + random() % 26);
    }
    for (size_t nIndex = 0; nIndex < kPlaces; ++nIndex) {
        if (nIndex % 3 == 1) {
            ASSERT_TRUE(vecPeers[nIndex].Send("param 1 " + std::string(64 * 1024, '1')));
        } else if (nIndex % 3 == 2) {
            ASSERT_TRUE(vecPeers[nIndex].Send(strGarbage));
        }
    }
    for (char cByte : std::string("param 1 0.")) {
        for (size_t nIndex = 0; nIndex < kPlaces; nIndex += 3) {
            ASSERT_TRUE(vecPeers[nIndex].Send(std::string(1, cByte)));
        }
        ASSERT_TRUE(QueryAnswers(tool, 1, 1.0));
    }

    // Their grace over, a second wave takes their places; it is refused
    // beyond them.
    pTCPServer->Advance(CBaseServer::kFirstRequestGrace);
    std::vector<TestClient> vecSecond;
    for (size_t nIndex = 0; nIndex < kWave; ++nIndex) {
        vecSecond.emplace_back(nPort);
    }
    for (size_t nIndex = 0; nIndex < kPlaces; ++nIndex) {
        EXPECT_TRUE(vecPeers[nIndex].WaitForClose()) << nIndex;
    }
    ASSERT_TRUE(
        WaitUntil([&] { return CountServerErrors("may give way") == 2 * (kWave - kPlaces); }));
    EXPECT_EQ(kPlaces, CountServerErrors("no request within 3000 ms of connecting"));
    ASSERT_TRUE(QueryAnswers(tool, 1, 1.0));

    // Peers that close or reset give way at once, within their grace, to
    // newcomers that make requests.
    for (size_t nIndex = 0; nIndex < kPlaces; ++nIndex) {
        if (nIndex % 2 == 0) {
            const linger reset{1, 0};
            setsockopt(vecSecond[nIndex].FD(), SOL_SOCKET, SO_LINGER, &reset, sizeof(reset));
        }
        vecSecond[nIndex].Close();
    }
    std::vector<TestClient> vecNewcomers;
    for (size_t nIndex = 0; nIndex < kPlaces; ++nIndex) {
        vecNewcomers.emplace_back(nPort);
        EXPECT_TRUE(QueryAnswers(vecNewcomers.back(), 1, 1.0)) << nIndex;
        ASSERT_TRUE(QueryAnswers(tool, 1, 1.0));
    }

    // Everybody else leaves: the server holds what it held before, and a
    // newcomer is served.
    vecPeers.clear();
    vecSecond.clear();
    vecNewcomers.clear();
    ASSERT_TRUE(QueryAnswers(tool, 1, 1.0));
    EXPECT_TRUE(WaitUntil([&] { return OpenDescriptors() == nBaseline + 2; }));
    TestClient late(nPort);
    EXPECT_TRUE(QueryAnswers(late, 1, 1.0));
    ASSERT_TRUE(QueryAnswers(tool, 1, 1.0));
    EXPECT_FALSE(tool.HasInputNow()) << "the working client was closed";
    EXPECT_EQ(0u, CountServerErrors("no request for"));
}

// A storm of connections waiting in the backlog is taken a share per round:
// a client's request that arrived with it is served after one share of
// accepts, not after the whole storm.
TEST_F(HostileClientsTest, ConnectionStormDelaysARequestByOneShareOfAccepts) {
    constexpr size_t kStorm = 12 * CBaseServer::kAcceptsPerRound;
    EnableDebugRecords();
    TestClient tool(nPort);
    // The query goes out at once, not when the server acknowledges the set
    // before it.
    const int nNoDelay = 1;
    ASSERT_EQ(0, setsockopt(tool.FD(), IPPROTO_TCP, TCP_NODELAY, &nNoDelay, sizeof(nNoDelay)));
    ASSERT_TRUE(QueryAnswers(tool, 1, 1.0));
    // The server thread is held in an executor while the storm and the
    // query arrive.
    listener.CloseGate();
    ASSERT_TRUE(tool.Send("param 2 0.5\n"));
    ASSERT_TRUE(listener.WaitForCallAtGate());
    std::vector<TestClient> vecStorm;
    for (size_t nIndex = 0; nIndex < kStorm; ++nIndex) {
        vecStorm.emplace_back(nPort);
    }
    ASSERT_TRUE(tool.Send(RequestParameter(1)));
    capture.Clear();
    listener.OpenGate();
    ASSERT_EQ(ParameterReply(1, 1.0), tool.Read(16));
    ASSERT_TRUE(WaitUntil([&] { return CountServerErrors("may give way") == kStorm - 15; }));
    size_t nAcceptedFirst = 0;
    for (const std::string& strMessage : capture.Messages()) {
        if (strMessage.rfind("Received from: ", 0) == 0 &&
            strMessage.find(" num bytes: 8 ") != std::string::npos) {
            break;
        }
        nAcceptedFirst += strMessage.rfind("New incoming connection ", 0) == 0 ||
                                  strMessage.rfind("Refusing connection ", 0) == 0
                              ? 1
                              : 0;
    }
    EXPECT_EQ(CBaseServer::kAcceptsPerRound, nAcceptedFirst);
}

// Clients that have made requests keep their places against any number of
// newcomers until they have made none for long; a newcomer that nobody may
// give way to is accepted and closed at once.
TEST_F(HostileClientsTest, ServedClientsGiveWayOnlyAfterALongSilence) {
    std::vector<TestClient> vecClients;
    for (size_t nIndex = 0; nIndex < CBaseServer::kMaxClients; ++nIndex) {
        vecClients.emplace_back(nPort);
        ASSERT_TRUE(QueryAnswers(vecClients.back(), 1, 1.0));
    }
    pTCPServer->Advance(CBaseServer::kFirstRequestGrace);
    {
        TestClient refused(nPort);
        EXPECT_TRUE(refused.WaitForClose());
    }
    EXPECT_EQ(1u, CountServerErrors("Refusing connection"));
    EXPECT_EQ(1u, CountServerErrors("none of the 16 clients may give way"));
    // All but the first two speak again; then those two have been silent
    // for the long silence, the first the longer: it is the one that goes.
    for (size_t nIndex = 2; nIndex < vecClients.size(); ++nIndex) {
        ASSERT_TRUE(QueryAnswers(vecClients[nIndex], 1, 1.0));
    }
    pTCPServer->Advance(CBaseServer::kLongSilence - std::chrono::milliseconds(1));
    TestClient newcomer(nPort);
    EXPECT_TRUE(QueryAnswers(newcomer, 1, 1.0));
    EXPECT_TRUE(vecClients.front().WaitForClose());
    EXPECT_EQ(1u, CountServerErrors("no request for 300 s"));
    EXPECT_TRUE(QueryAnswers(vecClients[1], 1, 1.0));
    {
        TestClient refused(nPort);
        EXPECT_TRUE(refused.WaitForClose());
    }
    EXPECT_EQ(2u, CountServerErrors("none of the 16 clients may give way"));
    for (size_t nIndex = 1; nIndex < vecClients.size(); ++nIndex) {
        EXPECT_TRUE(QueryAnswers(vecClients[nIndex], 1, 1.0)) << nIndex;
    }
}

// Peers that sent part of a request and closed hold every place when a
// newcomer arrives: their input and the end of their streams are still
// unread. The newcomer waits for the places they free instead of being
// refused, and nothing of what they sent is mistaken for a request.
TEST_F(HostileClientsTest, NewcomerTakesThePlaceOfPeersThatAreGone) {
    std::vector<TestClient> vecClients;
    for (size_t nIndex = 0; nIndex < CBaseServer::kMaxClients; ++nIndex) {
        vecClients.emplace_back(nPort);
        ASSERT_TRUE(QueryAnswers(vecClients.back(), 1, 1.0));
    }
    // The server thread is held in a request while the others leave.
    listener.CloseGate();
    ASSERT_TRUE(vecClients.front().Send("param 2 0.5\n"));
    ASSERT_TRUE(listener.WaitForCallAtGate());
    for (size_t nIndex = 1; nIndex < vecClients.size(); ++nIndex) {
        ASSERT_TRUE(vecClients[nIndex].Send("param 3 0."));
        vecClients[nIndex].Close();
    }
    TestClient newcomer(nPort);
    ASSERT_TRUE(newcomer.Send(RequestParameter(1)));
    listener.OpenGate();
    EXPECT_EQ(ParameterReply(1, 1.0), newcomer.Read(16));
    EXPECT_EQ(0u, CountServerErrors("Refusing connection"));
    EXPECT_FALSE(listener.HasCall("ParameterSet 3 0"));
}

// A client that floods has its share of each round: a newcomer is accepted
// and served long before the flood is over.
TEST_F(HostileClientsTest, FloodingClientYieldsToANewcomerAfterItsShare) {
    constexpr int kFlood = 400;
    std::string strFlood;
    for (int nIndex = 0; nIndex < kFlood; ++nIndex) {
        strFlood += "param 2 " + std::to_string(nIndex) + "\n";
    }
    TestClient flooding(nPort);
    listener.CloseGate();
    ASSERT_TRUE(flooding.Send(strFlood));
    ASSERT_TRUE(listener.WaitForCallAtGate());
    // Connected and sent while the server thread is held at the gate.
    TestClient newcomer(nPort);
    ASSERT_TRUE(newcomer.Send(RequestParameter(1)));
    listener.OpenGate();
    ASSERT_EQ(ParameterReply(1, 1.0), newcomer.Read(16));
    const std::vector<std::string> vecCalls = listener.Calls();
    const auto itQuery = std::find(vecCalls.begin(), vecCalls.end(), "ParameterGet 1");
    ASSERT_NE(vecCalls.end(), itQuery);
    EXPECT_LE(itQuery - vecCalls.begin(), 3 * static_cast<int>(CBaseServer::kRequestsPerRound));
    ASSERT_TRUE(listener.WaitForCalls(kFlood + 1));
}

// Unfinished input is bounded for all clients together, not only for each:
// when nothing buffered makes a request, the largest input goes.
TEST_F(HostileClientsTest, UnfinishedInputOfAllClientsIsBoundedTogether) {
    TestClient good(nPort);
    ASSERT_TRUE(QueryAnswers(good, 1, 1.0));
    const std::string strUnfinished(CBaseServer::kMaxPendingInput - 16 * 1024, 'x');
    std::vector<TestClient> vecClients;
    for (int nIndex = 0; nIndex < 5; ++nIndex) {
        vecClients.emplace_back(nPort);
        ASSERT_TRUE(vecClients.back().Send(strUnfinished));
    }
    ASSERT_TRUE(WaitUntil([&] { return CountServerErrors("while all clients hold") > 0; }));
    EXPECT_EQ(0u, CountServerErrors("no complete request in"));
    EXPECT_TRUE(QueryAnswers(good, 1, 1.0));
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
