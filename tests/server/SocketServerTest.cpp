// The socket layer driven from the test's own thread: listening, the order
// in which clients are served, lazy closing, and tear-down.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "NetworkManager/CCommandsParser.h"
#include "NetworkManager/CTCPServer.h"
#include "server/ServerTestSupport.h"
#include "utils/LogRecordsTest.h"

using namespace TarvoFX;
using TestSupport::TestClient;

namespace {

// Lets the tests reach the listening socket.
class TransparentTCPServer : public CTCPServer {
public:
    TransparentTCPServer() : CTCPServer(std::make_shared<CCommandsParser>(), 0) {}
    int ListenSocket() const { return m_nListenSocket; }
};

class SocketServerTest : public TestSupport::LogRecordsTest {
protected:
    void SetUp() override {
        LogRecordsTest::SetUp();
        ASSERT_TRUE(server.Listen());
        nPort = server.GetBoundPort();
        ASSERT_NE(0, nPort);
    }

    // The next command, taken on this thread; its record is released.
    std::pair<int, uint32_t> Next() {
        CDataSocket dataSocket = server.WaitOnCommand();
        std::unique_ptr<CDataAPO> pData(dataSocket.m_pData);
        return {dataSocket.m_nSocket, pData ? pData->nCommand : 0};
    }

    std::vector<std::string> Errors() { return ErrorMessages(TestSupport::BaseServerSources()); }

    TransparentTCPServer server;
    int nPort = 0;
};

bool IsOpen(int nFD) {
    return fcntl(nFD, F_GETFD) != -1;
}

TEST_F(SocketServerTest, SecondListenFailsAndLeavesTheFirstSocketServing) {
    const int nListenSocket = server.ListenSocket();
    EXPECT_FALSE(server.Listen());
    EXPECT_EQ((std::vector<std::string>{"server enabled already, please call Close before Lister"}),
              Errors());
    EXPECT_EQ(nListenSocket, server.ListenSocket());
    EXPECT_EQ(nPort, server.GetBoundPort());

    TestClient client(nPort);
    ASSERT_TRUE(client.Send("apodump\n"));
    EXPECT_EQ(kCommandDump, Next().second);
}

TEST_F(SocketServerTest, LowestSocketIsServedFirstOneCommandPerCall) {
    // Both clients are accepted first, each with a command of its own.
    TestClient low(nPort);
    ASSERT_TRUE(low.Send("apodump\n"));
    const int nLow = Next().first;
    TestClient high(nPort);
    ASSERT_TRUE(high.Send("apodump\n"));
    const int nHigh = Next().first;
    ASSERT_LT(nLow, nHigh);

    // The higher socket's commands arrive first; both are buffered before
    // the server receives anything.
    ASSERT_TRUE(high.Send("meters_enable\nmeters_disable\n"));
    ASSERT_TRUE(low.Send("soundmode 1\noutputmode 2\n"));
    pollfd afds[2] = {{nLow, POLLIN, 0}, {nHigh, POLLIN, 0}};
    ASSERT_TRUE(TestSupport::WaitUntil(
        [&] { return poll(afds, 2, 0) == 2 && afds[0].revents && afds[1].revents; }));

    std::vector<std::pair<int, uint32_t>> vecServed;
    for (int nIndex = 0; nIndex < 4; ++nIndex) {
        vecServed.push_back(Next());
    }
    EXPECT_EQ((std::vector<std::pair<int, uint32_t>>{{nLow, kCommandSetSoundMode},
                                                     {nLow, kCommandSetOutputMode},
                                                     {nHigh, kCommandMetersEnable},
                                                     {nHigh, kCommandMetersDisable}}),
              vecServed);
}

TEST_F(SocketServerTest, ClientThatSendsAndClosesAtOnceIsServedThenClosed) {
    EnableDebugRecords();
    int nFirst = 0;
    {
        TestClient client(nPort);
        ASSERT_TRUE(client.Send("param 12 0.5\nvolume 0.5\n"));
    }
    const auto first = Next();
    nFirst = first.first;
    EXPECT_EQ(kCommandSetParameter, first.second);
    // The volume line that followed is served before the closed socket goes.
    EXPECT_EQ(std::make_pair(nFirst, static_cast<uint32_t>(kCommandSetSystemVolume)), Next());
    EXPECT_FALSE(capture.Contains("Closing connection to: " + std::to_string(nFirst)));

    TestClient other(nPort);
    ASSERT_TRUE(other.Send("apodump\n"));
    EXPECT_EQ(kCommandDump, Next().second);
    EXPECT_TRUE(capture.Contains("Closing connection to: " + std::to_string(nFirst)));
}

// A burst of connections is queued by the system (the backlog is its
// maximum) and taken in one pass; each connection probes a silent peer.
TEST_F(SocketServerTest, PendingConnectionsAreAllAcceptedInOnePassAndProbed) {
    EnableDebugRecords();
    constexpr size_t kBurst = CBaseServer::kMaxClients;
    std::vector<TestClient> vecClients;
    for (size_t nIndex = 0; nIndex < kBurst; ++nIndex) {
        vecClients.emplace_back(nPort);
        ASSERT_GE(vecClients.back().FD(), 0);
    }
    ASSERT_TRUE(vecClients.front().Send("apodump\n"));
    const int nSocket = Next().first;
    size_t nAccepted = 0;
    for (const std::string& strDebug : capture.Messages(ANDROID_LOG_DEBUG)) {
        nAccepted += strDebug.rfind("New incoming connection ", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(kBurst, nAccepted);

    const std::vector<std::pair<int, int>> vecOptions = {{SOL_SOCKET, SO_KEEPALIVE},
                                                         {IPPROTO_TCP, TCP_KEEPIDLE},
                                                         {IPPROTO_TCP, TCP_KEEPINTVL},
                                                         {IPPROTO_TCP, TCP_KEEPCNT},
                                                         {IPPROTO_TCP, TCP_NODELAY}};
    std::vector<int> vecValues;
    for (const auto& option : vecOptions) {
        int nValue = -1;
        socklen_t nLength = sizeof(nValue);
        EXPECT_EQ(0, getsockopt(nSocket, option.first, option.second, &nValue, &nLength));
        vecValues.push_back(nValue);
    }
    EXPECT_EQ((std::vector<int>{1, CBaseServer::kKeepAliveIdle, CBaseServer::kKeepAliveInterval,
                                CBaseServer::kKeepAliveProbes, 1}),
              vecValues);
}

TEST_F(SocketServerTest, CloseFromAnotherThreadWakesTheWaitAndClosesEveryClient) {
    TestClient client(nPort);
    CDataSocket result{-1, nullptr};
    std::thread waiter([&] { result = server.WaitOnCommand(); });
    EXPECT_TRUE(TestSupport::WaitUntil([&] { return server.HasClients(); }));
    server.Close();
    waiter.join();
    EXPECT_EQ(0, result.m_nSocket);
    EXPECT_EQ(nullptr, result.m_pData);
    EXPECT_FALSE(server.IsListening());
    EXPECT_FALSE(server.HasClients());
    EXPECT_TRUE(client.WaitForClose());
    // Nothing more to wait for.
    EXPECT_EQ(nullptr, server.WaitOnCommand().m_pData);
}

TEST_F(SocketServerTest, SendAfterCloseSendsNothing) {
    TestClient client(nPort);
    ASSERT_TRUE(client.Send("apodump\n"));
    const int nSocket = Next().first;
    server.Close();
    server.Send(nSocket, "abc", 3);
    EXPECT_EQ((std::vector<std::string>{"Cannot send data, server is down"}), Errors());
    EXPECT_TRUE(client.WaitForClose());
    server.Close();
    EXPECT_EQ((std::vector<std::string>{"Cannot send data, server is down"}), Errors());
}

TEST_F(SocketServerTest, SendReachesConnectedClientsOnly) {
    TestClient client(nPort);
    ASSERT_TRUE(client.Send("apodump\n"));
    const int nSocket = Next().first;
    server.Send(nSocket, "abc", 3);
    EXPECT_EQ("abc", client.Read(3));

    // Some other descriptor of the process.
    int anPipe[2];
    ASSERT_EQ(0, pipe2(anPipe, O_CLOEXEC));
    server.Send(anPipe[1], "abc", 3);
    EXPECT_EQ((std::vector<std::string>{"Cannot send data, " + std::to_string(anPipe[1]) +
                                        " is not a connected client"}),
              Errors());
    pollfd pfd{anPipe[0], POLLIN, 0};
    EXPECT_EQ(0, poll(&pfd, 1, 0));
    close(anPipe[0]);
    close(anPipe[1]);
}

TEST_F(SocketServerTest, ListeningSocketThatFailsIsClosedOnceAndListenWorksAgain) {
    EnableDebugRecords();
    TestClient client(nPort);
    ASSERT_TRUE(client.Send("apodump\n"));
    ASSERT_EQ(kCommandDump, Next().second);
    // Replace the listening socket by something that is readable but no
    // socket: accept fails for good.
    const int nListenSocket = server.ListenSocket();
    const int nNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(nNull, 0);
    ASSERT_EQ(nListenSocket, dup2(nNull, nListenSocket));
    close(nNull);

    EXPECT_EQ(nullptr, server.WaitOnCommand().m_pData);
    EXPECT_FALSE(server.IsListening());
    EXPECT_FALSE(IsOpen(nListenSocket));
    EXPECT_TRUE(client.WaitForClose()) << "clients go with the listening socket";

    // The number is reused by something else; Close must leave it alone.
    int anPipe[2];
    ASSERT_EQ(0, pipe2(anPipe, O_CLOEXEC));
    const bool bPipeHasIt = anPipe[0] == nListenSocket || anPipe[1] == nListenSocket;
    if (!bPipeHasIt) {
        ASSERT_EQ(nListenSocket, dup2(anPipe[0], nListenSocket));
    }
    server.Close();
    EXPECT_TRUE(IsOpen(nListenSocket));
    EXPECT_TRUE(capture.Contains("server already closed"));
    if (!bPipeHasIt) {
        close(nListenSocket);
    }
    close(anPipe[0]);
    close(anPipe[1]);

    ASSERT_TRUE(server.Listen());
    TestClient again(server.GetBoundPort());
    ASSERT_TRUE(again.Send("apodump\n"));
    EXPECT_EQ(kCommandDump, Next().second);
}

}  // namespace
