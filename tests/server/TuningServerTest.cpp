// The tuning server end to end over loopback TCP: requests in every dialect
// reach the listener, queries are answered in the dialect they came in, and
// the server thread starts and stops as asked.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "HostPlatform/Properties.h"
#include "server/TuningServerFixture.h"

using namespace TarvoFX;
using namespace TestSupport;

namespace {

// ---------------------------------------------------------------------------
// Requests and replies

TEST_F(TuningServerTest, TextParameterLineReachesTheListenerWithoutReply) {
    listener.SetKnown(1, 2.0);
    TestClient client(nPort);
    ASSERT_TRUE(client.Send("param 12 0.5\n"));
    ASSERT_TRUE(listener.WaitForCalls(1));
    EXPECT_EQ("ParameterSet 12 0.5", listener.Calls()[0]);
    // The first bytes on the connection are the next query's reply.
    EXPECT_TRUE(QueryAnswers(client, 1, 2.0));
}

TEST_F(TuningServerTest, ParameterQueryAnswersSixteenBytesUnframedAndFramed) {
    listener.SetKnown(7, -3.25);
    TestClient client(nPort);
    ASSERT_TRUE(client.Send(RequestParameter(7)));
    EXPECT_EQ(ParameterReply(7, -3.25), client.Read(16));
    ASSERT_TRUE(client.Send(Frame(RequestParameter(7))));
    EXPECT_EQ(ParameterReply(7, -3.25), client.Read(16));
}

TEST_F(TuningServerTest, ParameterArrayQueryAnswersKnownIdsInEachDialect) {
    listener.SetKnown(4, 1.5);
    listener.SetKnown(5, 0.25);
    TestClient client(nPort);

    ASSERT_TRUE(client.Send("get_param_array 3,4,5\n"));
    EXPECT_EQ("get_param_array_response 4=1.50,5=0.25\n", client.ReadLine());

    const std::string strBinary = U32(4) + U32(2) + U32(4) + F64(1.5) + U32(5) + F64(0.25);
    ASSERT_TRUE(client.Send(RequestParameterArray({3, 4, 5})));
    EXPECT_EQ(strBinary, client.Read(strBinary.size()));

    ASSERT_TRUE(client.Send(Frame(RequestParameterArray({3, 4, 5}))));
    EXPECT_EQ(Marker() + U32(32) + strBinary, client.Read(8 + strBinary.size()));
}

TEST_F(TuningServerTest, RefusedQueriesSendNothing) {
    listener.SetKnown(1, 1.0);
    TestClient client(nPort);
    // One at a time: a text line buffered behind binary bytes would take
    // them with it.
    ASSERT_TRUE(client.Send(RequestParameter(99)));
    ASSERT_TRUE(listener.WaitForCalls(1));
    ASSERT_TRUE(client.Send("get_param_array 97,98\n"));
    ASSERT_TRUE(listener.WaitForCalls(2));
    ASSERT_TRUE(client.Send(Frame(RequestParameterArray({96}))));
    // Served in order: the first bytes to arrive answer the last query.
    EXPECT_TRUE(QueryAnswers(client, 1, 1.0));
    EXPECT_EQ((std::vector<std::string>{"ParameterGet 99", "ParameterArrayGet 2",
                                        "ParameterArrayGet 1", "ParameterGet 1"}),
              listener.Calls());
}

// The calibration request is four bytes: sent alone, with nothing after it,
// it is executed at once, unframed and framed.
TEST_F(TuningServerTest, LoneCalibrationRequestIsServedAtOnce) {
    TestClient client(nPort);
    ASSERT_TRUE(client.Send(U32(kCommandCalibrateKv)));
    ASSERT_TRUE(listener.WaitForCalls(1));
    ASSERT_TRUE(client.Send(Frame(U32(kCommandCalibrateKv))));
    ASSERT_TRUE(listener.WaitForCalls(2));
    EXPECT_EQ((std::vector<std::string>{"CalibrateKv", "CalibrateKv"}), listener.Calls());
}

TEST_F(TuningServerTest, EveryTextCommandReachesItsListener) {
    listener.SetKnown(1, 1.0);
    TestClient client(nPort);
    // One line at a time: of several buffered lines the keyword of highest
    // priority is served first and takes the lines before it along.
    const std::pair<const char*, const char*> aLines[] = {
        {"soundmode 3\n", "SoundModeSet 3"},
        {"outputmode 2\n", "OutputModeSet 2"},
        {"customoutputmode 1 2\n", "CustomOutputModeSet 1 2"},
        {"loglevel TAG 3\n", "LogLevelSet TAG 3"},
        {"logoutput file 1\n", "LogOutputSet file 1"},
        {"set_tag_ex [1:2][0x10,0x20]\n", "TagExSet 1 2 16 32"},
        {"set_recording 1 /rec\n", "RecordingEnabled /rec"},
        {"set_recording 0\n", "RecordingDisabled"},
        {"loadpreset /p.mps\n", "MpsFileSet /p.mps"},
        {"apodump\n", "Dump"},
        {"calibrate_kv\n", "CalibrateKv"},
        {"meters_enable\n", "MetersEnabled 1"},
        {"meters_disable\n", "MetersEnabled 0"},
        {"volume 0.5\n", "SystemVolumeSet 0.5"},
    };
    size_t nCalls = 0;
    for (const auto& line : aLines) {
        ASSERT_TRUE(client.Send(line.first));
        ASSERT_TRUE(listener.WaitForCalls(++nCalls)) << line.first;
        EXPECT_EQ(line.second, listener.Calls().back());
    }
    // Commands nobody executes are consumed silently.
    for (const char* szLine : {"get_version\n", "profile 3\n", "flush_coeff_file /f\n"}) {
        ASSERT_TRUE(client.Send(szLine));
        EXPECT_TRUE(QueryAnswers(client, 1, 1.0)) << szLine;
    }
    EXPECT_EQ(nCalls + 3, listener.Calls().size());
}

// Replies with fixed bytes to every command of its number.
class FixedReplyExecutor : public VTServerExecutor {
public:
    FixedReplyExecutor(int32_t nCommand, std::string strReply)
        : m_nCommand(nCommand), m_strReply(std::move(strReply)) {}
    void Execute(CDataAPO*, std::vector<uint8_t>& vecReply) override {
        vecReply.assign(m_strReply.begin(), m_strReply.end());
    }
    int32_t GetCommandType() override { return m_nCommand; }

private:
    int32_t m_nCommand;
    std::string m_strReply;
};

TEST_F(TuningServerTest, ExecutorsOfOneNumberAllRunInPointerOrderEachReplySentAlone) {
    auto pFirst = std::make_shared<FixedReplyExecutor>(kCommandGetVersion, "first");
    auto pSecond = std::make_shared<FixedReplyExecutor>(kCommandGetVersion, "second");
    pServer->RegisterExecutor(pFirst);
    pServer->RegisterExecutor(pSecond);
    pServer->RegisterExecutor(pSecond);
    pServer->RegisterExecutor(nullptr);
    const std::string strExpected =
        std::less<VTServerExecutor*>()(pFirst.get(), pSecond.get()) ? "firstsecond" : "secondfirst";

    TestClient client(nPort);
    ASSERT_TRUE(client.Send("get_version\n"));
    EXPECT_EQ(strExpected, client.Read(strExpected.size()));

    pServer->UnregisterExecutor(pFirst);
    ASSERT_TRUE(client.Send("get_version\n"));
    EXPECT_EQ("second", client.Read(6));
}

// ---------------------------------------------------------------------------
// Lifecycle

TEST_F(TuningServerTest, EnableTwiceKeepsTheRunningServer) {
    EXPECT_TRUE(pServer->Enable());
    EXPECT_TRUE(pServer->IsEnabled());
    EXPECT_EQ(nPort, pTCPServer->GetBoundPort());
    EXPECT_TRUE(ServerErrors().empty()) << "no second Listen";
    listener.SetKnown(1, 1.0);
    TestClient client(nPort);
    EXPECT_TRUE(QueryAnswers(client, 1, 1.0));
}

TEST_F(TuningServerTest, DisableBeforeEnableDoesNothing) {
    auto pTCP = std::make_shared<CTCPServer>(std::make_shared<CCommandsParser>(), 0);
    VTServer server(pTCP);
    EXPECT_TRUE(server.Disable());
    EXPECT_FALSE(server.IsEnabled());
    EXPECT_FALSE(pTCP->IsListening());
    EXPECT_TRUE(capture.Messages(ANDROID_LOG_ERROR).empty());
}

TEST_F(TuningServerTest, DisableWaitsForTheRunningCommandAndItsReply) {
    listener.SetKnown(1, 4.0);
    TestClient client(nPort);
    listener.CloseGate();
    ASSERT_TRUE(client.Send(RequestParameter(1)));
    ASSERT_TRUE(listener.WaitForCallAtGate());

    std::atomic<bool> bDisabled{false};
    std::atomic<bool> bDisableCalled{false};
    std::thread disabler([&] {
        bDisableCalled = true;
        pServer->Disable();
        bDisabled = true;
    });
    ASSERT_TRUE(WaitUntil([&] { return bDisableCalled.load(); }));
    EXPECT_FALSE(bDisabled);
    listener.OpenGate();
    disabler.join();
    EXPECT_FALSE(pServer->IsEnabled());
    // The reply went out before the connection was closed.
    EXPECT_EQ(ParameterReply(1, 4.0), client.Read(16));
    EXPECT_TRUE(client.WaitForClose());
}

TEST_F(TuningServerTest, EnableAfterDisableListensAgain) {
    EXPECT_TRUE(pServer->Disable());
    EXPECT_FALSE(pServer->IsEnabled());
    EXPECT_FALSE(pTCPServer->IsListening());
    EXPECT_TRUE(pServer->Disable());
    ASSERT_TRUE(pServer->Enable());
    listener.SetKnown(1, 1.0);
    TestClient client(pTCPServer->GetBoundPort());
    EXPECT_TRUE(QueryAnswers(client, 1, 1.0));
}

TEST_F(TuningServerTest, ThreadEndsWhenTheSocketLayerStopsByItselfAndEnableRestartsIt) {
    TestClient client(nPort);
    pTCPServer->Close();
    // The thread ends instead of spinning on empty results.
    ASSERT_TRUE(WaitUntil([&] { return !pServer->IsEnabled(); }));
    EXPECT_TRUE(client.WaitForClose());
    EXPECT_EQ(
        (std::vector<std::string>{"The socket layer stopped listening, the server thread ends"}),
        ErrorMessages("Shared/NetworkManager/VTBaseServer.cpp"));

    ASSERT_TRUE(pServer->Enable());
    listener.SetKnown(1, 1.0);
    TestClient again(pTCPServer->GetBoundPort());
    EXPECT_TRUE(QueryAnswers(again, 1, 1.0));
}

TEST_F(TuningServerTest, EnableFailsWhenThePortIsTaken) {
    auto pTCP = std::make_shared<CTCPServer>(std::make_shared<CCommandsParser>(),
                                             static_cast<unsigned int>(nPort));
    VTServer server(pTCP);
    EXPECT_FALSE(server.Enable());
    EXPECT_FALSE(server.IsEnabled());
    EXPECT_EQ((std::vector<std::string>{"m_pServer->Listen() failed"}),
              ErrorMessages("Shared/NetworkManager/VTBaseServer.cpp"));
    EXPECT_TRUE(server.Disable());
}

TEST_F(TuningServerTest, ClientThatSendsAndClosesAtOnceIsServed) {
    {
        TestClient client(nPort);
        ASSERT_TRUE(client.Send("param 12 0.5\n"));
    }
    ASSERT_TRUE(listener.WaitForCalls(1));
    EXPECT_EQ("ParameterSet 12 0.5", listener.Calls()[0]);
    EXPECT_TRUE(WaitUntil([&] { return !pTCPServer->HasClients(); }));
}

TEST_F(TuningServerTest, QueriesOfAClientThatResetAtOnceRaiseNoSignal) {
    listener.SetKnown(1, 1.0);
    {
        TestClient client(nPort);
        ASSERT_TRUE(client.Send(RequestParameter(1) + RequestParameter(1) + RequestParameter(1)));
        // Closing with unread input resets the connection at once.
        linger abort{1, 0};
        ASSERT_EQ(0, setsockopt(client.FD(), SOL_SOCKET, SO_LINGER, &abort, sizeof(abort)));
    }
    ASSERT_TRUE(listener.WaitForCalls(3));
    TestClient other(nPort);
    EXPECT_TRUE(QueryAnswers(other, 1, 1.0));
}

// A request that is refused (consuming its bytes without a record) does not
// hold back the request behind it in the same write.
TEST_F(TuningServerTest, RefusedRequestDoesNotHoldBackTheNextInTheSameWrite) {
    listener.SetKnown(1, 1.0);
    TestClient client(nPort);
    for (const std::string& strRefused :
         {std::string("param x\n"), U32(15) + U32(0), Frame("ab")}) {
        SCOPED_TRACE(testing::PrintToString(strRefused));
        ASSERT_TRUE(client.Send(strRefused + RequestParameter(1)));
        EXPECT_EQ(ParameterReply(1, 1.0), client.Read(16));
    }
}

// The server's end of the connection to the client whose local port is
// nPeerPort: the server runs in this process, so its accepted socket is one
// of ours. Negative until the server has accepted the connection.
int ServerSideOf(int nServerPort, int nPeerPort) {
    for (int nFD = 0; nFD < FD_SETSIZE; ++nFD) {
        sockaddr_in local{};
        sockaddr_in peer{};
        socklen_t nLocal = sizeof(local);
        socklen_t nPeer = sizeof(peer);
        if (getsockname(nFD, reinterpret_cast<sockaddr*>(&local), &nLocal) == 0 &&
            getpeername(nFD, reinterpret_cast<sockaddr*>(&peer), &nPeer) == 0 &&
            local.sin_family == AF_INET && ntohs(local.sin_port) == nServerPort &&
            ntohs(peer.sin_port) == nPeerPort) {
            return nFD;
        }
    }
    return -1;
}

TEST_F(TuningServerTest, ClientThatNeverReadsItsRepliesIsClosedAndOthersServed) {
    listener.SetKnown(1, 1.0);
    TestClient greedy(nPort);
    sockaddr_in self{};
    socklen_t nSelf = sizeof(self);
    ASSERT_EQ(0, getsockname(greedy.FD(), reinterpret_cast<sockaddr*>(&self), &nSelf));
    int nServerSide = -1;
    ASSERT_TRUE(WaitUntil([&] {
        nServerSide = ServerSideOf(nPort, ntohs(self.sin_port));
        return nServerSide >= 0;
    }));
    // Small buffers on both ends, so that one burst of replies outgrows
    // them. Filling the kernel's default (megabytes) instead takes hundreds
    // of bursts against a closed window, and TCP's backed-off timers then
    // stall the client's sends for many seconds.
    int nSmall = 4096;
    ASSERT_EQ(0, setsockopt(greedy.FD(), SOL_SOCKET, SO_RCVBUF, &nSmall, sizeof(nSmall)));
    ASSERT_EQ(0, setsockopt(nServerSide, SOL_SOCKET, SO_SNDBUF, &nSmall, sizeof(nSmall)));
    std::string strBurst;
    for (int nIndex = 0; nIndex < 4096; ++nIndex) {
        strBurst += "get_param_array 1\n";
    }
    auto closing = [&] {
        for (const std::string& strError : ServerErrors()) {
            if (strError.find("does not read its replies") != std::string::npos) {
                return true;
            }
        }
        return false;
    };
    // The server may close the connection before it has taken the whole
    // burst, and the send then fails.
    greedy.Send(strBurst);
    EXPECT_TRUE(WaitUntil(closing));
    // What reaches the closed socket is answered with a reset.
    bool bClosed = false;
    for (int nRound = 0; nRound < 1024 && !bClosed; ++nRound) {
        bClosed = !greedy.Send(strBurst);
    }
    EXPECT_TRUE(bClosed) << "the server kept the connection";
    TestClient other(nPort);
    EXPECT_TRUE(QueryAnswers(other, 1, 1.0));
    EXPECT_TRUE(pServer->Disable());
}

}  // namespace

// Who may connect in each kind of build. Needs an address of this host other
// than loopback: the test command runs it in a network namespace of its own
// that has one (tests/server/in-network-namespace.sh).
TEST_F(TuningServerTest, RemotePeersAreServedOnlyWhereTheDeviceAllows) {
    const char* szRemote = std::getenv("VELTRA_TEST_REMOTE_ADDRESS");
    if (szRemote == nullptr) {
        GTEST_SKIP() << "runs in a network namespace of its own: ctest -R RemotePeers";
    }
    listener.SetKnown(1, 1.0);
    struct Case {
        const char* szDebuggable;
        const char* szRemoteSwitch;
        bool bServesRemote;
        const char* szWhy;
    };
    const Case aCases[] = {
        {"0", "", false, "a consumer build"},
        {"1", "", true, "an engineering build"},
        {"1", "0", false, "persist.vendor.veltra.tuning.remote is \"0\""},
        {"0", "1", true, "persist.vendor.veltra.tuning.remote is \"1\""},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(std::string("ro.debuggable ") + c.szDebuggable + ", switch '" +
                     c.szRemoteSwitch + "'");
        HostPlatform::SetSystemProperty("ro.debuggable", c.szDebuggable);
        HostPlatform::SetSystemProperty("persist.vendor.veltra.tuning.remote", c.szRemoteSwitch);
        ASSERT_TRUE(pServer->Disable());
        ASSERT_TRUE(pServer->Enable());
        nPort = pTCPServer->GetBoundPort();
        TestClient local(nPort);
        EXPECT_TRUE(QueryAnswers(local, 1, 1.0));
        TestClient remote(nPort, szRemote);
        EXPECT_EQ(c.bServesRemote, remote.FD() >= 0);
        if (c.bServesRemote) {
            EXPECT_TRUE(QueryAnswers(remote, 1, 1.0));
        }
        std::string strChoice;
        for (const std::string& strInfo : capture.Messages(ANDROID_LOG_INFO)) {
            if (strInfo.rfind("Tuning server binds port", 0) == 0) {
                strChoice = strInfo;
            }
        }
        EXPECT_NE(std::string::npos, strChoice.find(c.szWhy)) << strChoice;
        EXPECT_NE(std::string::npos,
                  strChoice.find(c.bServesRemote ? "every interface" : "127.0.0.1"));
    }
}
