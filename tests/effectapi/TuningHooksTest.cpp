// The effect object's tuning server end to end: a client on a real socket,
// the library's server, executors and effect object, and the simulated
// effect's journal.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utils/Errors.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "HostPlatform/AudioServer.h"
#include "HostPlatform/Properties.h"
#include "VeltraEffectAPI/VeltraEffectAPIBase.h"
#include "support/WireBytes.h"
#include "utils/TempDir.h"

using HostPlatform::AudioServer;
using HostPlatform::Bytes;
using HostPlatform::JournalEntry;

namespace {

constexpr auto kBound = std::chrono::seconds(20);

using WireText::F64;
using WireText::U32;

Bytes B(const std::string& str) {
    return Bytes(str.begin(), str.end());
}

// A free port on the loopback address, found by binding port 0.
int FreePort() {
    int nFD = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t nLength = sizeof(addr);
    if (bind(nFD, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        getsockname(nFD, reinterpret_cast<sockaddr*>(&addr), &nLength) != 0) {
        close(nFD);
        return -1;
    }
    close(nFD);
    return ntohs(addr.sin_port);
}

class Client {
public:
    explicit Client(int nPort) : m_nFD(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in addr = {};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(nPort));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(m_nFD, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
            close(m_nFD);
            m_nFD = -1;
        }
    }
    ~Client() {
        if (m_nFD >= 0) {
            close(m_nFD);
        }
    }
    bool Connected() const { return m_nFD >= 0; }
    bool Send(const std::string& str) {
        return send(m_nFD, str.data(), str.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(str.size());
    }
    // Up to nCount bytes, fewer when the connection ends or the bound passes.
    std::string Read(size_t nCount) {
        std::string str;
        while (str.size() < nCount &&
               Readable(static_cast<int>(std::chrono::milliseconds(kBound).count()))) {
            char acBuffer[512];
            ssize_t n = recv(m_nFD, acBuffer, std::min(sizeof(acBuffer), nCount - str.size()), 0);
            if (n <= 0) {
                break;
            }
            str.append(acBuffer, static_cast<size_t>(n));
        }
        return str;
    }
    std::string ReadLine() {
        std::string str;
        while (str.empty() || str.back() != '\n') {
            std::string strByte = Read(1);
            if (strByte.empty()) {
                break;
            }
            str += strByte;
        }
        return str;
    }
    bool Readable(int nTimeoutMs) {
        pollfd pfd{m_nFD, POLLIN, 0};
        return poll(&pfd, 1, nTimeoutMs) == 1;
    }

private:
    int m_nFD;
};

class TuningHooksTest : public ::testing::Test {
protected:
    void SetUp() override {
        HostPlatform::SetSystemProperty("ro.build.version.sdk", "28");
        AudioServer::Instance().Reset();
        AudioServer::Instance().SetObserver([this](const JournalEntry&) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_cv.notify_all();
        });
        pEffect.reset(TarvoFX::VeltraEffectFactory::CreateVeltraEffect("Veltra3", 13, nullptr));
        ASSERT_TRUE(pEffect->Init(0, 1));
        AudioServer::Instance().ClearJournal();
    }
    void TearDown() override {
        pEffect.reset();
        AudioServer::Instance().Reset();
    }

    // Enables the server on a free port; returns it.
    int Serve() {
        for (int nTry = 0; nTry < 5; ++nTry) {
            int nPort = FreePort();
            if (nPort > 0 && pEffect->SetTcpIpEnable(true, nPort)) {
                return nPort;
            }
        }
        ADD_FAILURE() << "no port to serve on";
        return -1;
    }

    // Waits until the journal holds at least nCount commands with nCode.
    std::vector<JournalEntry> WaitForCommands(uint32_t nCode, size_t nCount) {
        std::vector<JournalEntry> found;
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cv.wait_for(lock, kBound, [&] {
            found.clear();
            for (const JournalEntry& entry : AudioServer::Instance().Commands()) {
                if (entry.nCode == nCode) {
                    found.push_back(entry);
                }
            }
            return found.size() >= nCount;
        });
        return found;
    }

    std::unique_ptr<TarvoFX::IVeltraEffectAPI> pEffect;
    std::mutex m_mutex;
    std::condition_variable m_cv;
};

TEST_F(TuningHooksTest, DisableBeforeAnyEnableBuildsNothing) {
    EXPECT_TRUE(pEffect->SetTcpIpEnable(false, 1234));
    EXPECT_TRUE(pEffect->SetTcpIpEnable(false, 0));
}

TEST_F(TuningHooksTest, TextParameterLineSetsForEveryModeAndSubType) {
    Client client(Serve());
    ASSERT_TRUE(client.Connected());
    ASSERT_TRUE(client.Send("param 12 0.5\n"));
    std::vector<JournalEntry> sets = WaitForCommands(0x1000F, 2);
    ASSERT_EQ(2u, sets.size());
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(B(U32(1) + U32(0xFFFFFFFD) + U32(0xFFFFFFFD) + U32(i == 0 ? 0 : 0xFFFFFFFF) +
                    U32(12) + F64(0.5) + std::string(1, '\0')),
                  sets[i].request);
    }
    EXPECT_EQ(2u, AudioServer::Instance().Commands().size());
}

TEST_F(TuningHooksTest, ParameterQueryAnswersSixteenBytes) {
    Client client(Serve());
    ASSERT_TRUE(client.Send(U32(1) + U32(7) + F64(0.25)));  // binary set
    ASSERT_TRUE(client.Send(U32(10) + U32(7)));             // binary query
    EXPECT_EQ(U32(2) + U32(7) + F64(0.25), client.Read(16));
}

TEST_F(TuningHooksTest, ArrayQueriesAnswerInTheirDialect) {
    Client client(Serve());
    ASSERT_TRUE(client.Send("param 3 1.5\n"));
    ASSERT_EQ(2u, WaitForCommands(0x1000F, 2).size());

    ASSERT_TRUE(client.Send("get_param_array 3,4\n"));
    EXPECT_EQ("get_param_array_response 3=1.50,4=0.00\n", client.ReadLine());

    const std::string strBinary = U32(11) + U32(1) + U32(3);
    ASSERT_TRUE(client.Send(strBinary));
    EXPECT_EQ(U32(4) + U32(1) + U32(3) + F64(1.5), client.Read(20));

    ASSERT_TRUE(client.Send(std::string("\xA1\xEC\xCA\x11", 4) + U32(12) + strBinary));
    EXPECT_EQ(std::string("\xA1\xEC\xCA\x11", 4) + U32(20) + U32(4) + U32(1) + U32(3) + F64(1.5),
              client.Read(28));
}

// Requests written together reach the effect in the order they were
// written: a query after a set answers the new value.
TEST_F(TuningHooksTest, PipelinedRequestsReachTheEffectInOrder) {
    Client client(Serve());
    ASSERT_TRUE(client.Send("param 4260 0.75\nget_param_array 4260\n"));
    EXPECT_EQ("get_param_array_response 4260=0.75\n", client.ReadLine());

    ASSERT_TRUE(client.Send("volume 0.5\nparam 12 0.5\nloadpreset /data/param.mps\n"));
    ASSERT_EQ(1u, WaitForCommands(0x10000, 1).size());
    std::vector<uint32_t> vecCodes;
    for (const JournalEntry& entry : AudioServer::Instance().Commands()) {
        vecCodes.push_back(entry.nCode);
    }
    EXPECT_EQ(
        (std::vector<uint32_t>{0x1000F, 0x1000F, 0x1003C, 0x1003A, 0x1000F, 0x1000F, 0x10000}),
        vecCodes);
}

TEST_F(TuningHooksTest, RefusedQuerySendsNothing) {
    Client client(Serve());
    AudioServer::Instance().RefuseCommand(0x1003C, android::BAD_VALUE);
    ASSERT_TRUE(client.Send(U32(10) + U32(7)));
    // A later request shows the query was handled before it.
    ASSERT_TRUE(client.Send("outputmode 2\n"));
    ASSERT_EQ(1u, WaitForCommands(0x10008, 1).size());
    EXPECT_FALSE(client.Readable(0));
}

TEST_F(TuningHooksTest, TextCommandsReachTheEffect) {
    Client client(Serve());
    const std::pair<const char*, uint32_t> lines[] = {
        {"soundmode 3\n", 0x10003},
        {"customoutputmode 1 2\n", 0x1001C},
        {"set_tag_ex [1:2][0x10,0x20]\n", 0x10001},
        {"volume 0.5\n", 0x1003A},
        {"set_recording 1 /data/rec\n", 0x10007},
        {"set_recording 0\n", 0x1001B},
        {"meters_enable\n", 0x10035},
        {"calibrate_kv\n", 0x10029},
        {"apodump\n", 0x1003B},
        {"loadpreset /data/p.mps\n", 0x10000},
        {"loglevel TARVO_LOG_JNI 3\n", 0x10002},
        {"logoutput STDOUT_LOG 0\n", 0x10039},
    };
    for (const auto& line : lines) {
        ASSERT_TRUE(client.Send(line.first));
        EXPECT_EQ(1u, WaitForCommands(line.second, 1).size()) << line.first;
    }
    std::vector<JournalEntry> tags = WaitForCommands(0x10001, 1);
    ASSERT_EQ(1u, tags.size());
    EXPECT_EQ(B(U32(1) + U32(2) + std::string("\x10\x00\x20\x00", 4)), tags[0].request);
}

// A client names log files only directly inside the log folder that the
// application (or the configuration) chose; any other path reaches neither
// the library nor the effect. Paths with control characters go nowhere.
TEST_F(TuningHooksTest, ClientNamesFilesOnlyInTheLogFolder) {
    TestSupport::TempDir dir;
    const std::string strFolder = dir.Path("logs");
    ASSERT_EQ(0, mkdir(strFolder.c_str(), 0700));
    Client client(Serve());
    // Each batch ends with a request that is served, so that the refused
    // ones before it have been handled when its command arrives.
    auto SendThenSync = [&](const std::vector<std::string>& vecLines, size_t nOutputCommands) {
        for (const std::string& strLine : vecLines) {
            ASSERT_TRUE(client.Send(strLine));
        }
        ASSERT_TRUE(client.Send("logoutput STDOUT_LOG 0\n"));
        EXPECT_EQ(nOutputCommands, WaitForCommands(0x10039, nOutputCommands).size());
    };
    SendThenSync({"logoutput FILE_LOG://" + strFolder + "/peer.log 1\n"}, 1);

    // The library's log takes changes once its configuration is loaded.
    const auto deadline = std::chrono::steady_clock::now() + kBound;
    while (!pEffect->SetLogOutput("FILE_LOG://" + strFolder + "/app.log", true)) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline);
    }
    AudioServer::Instance().ClearJournal();
    const std::string strOutside[] = {strFolder + "/../peer.log",
                                      dir.Path("peer.log"),
                                      strFolder + "/sub/peer.log",
                                      "peer.log",
                                      strFolder + "//peer.log",
                                      strFolder + "/./peer.log",
                                      strFolder + "/peer\x1b.log",
                                      strFolder + "/peer\r.log",
                                      strFolder + "/"};
    std::vector<std::string> vecLines;
    for (const std::string& strPath : strOutside) {
        vecLines.push_back("logoutput FILE_LOG://" + strPath + " 1\n");
    }
    vecLines.push_back("loadpreset /data/p\x1b.mps\n");
    vecLines.push_back("set_recording 1 /data/r\x7f\n");
    SendThenSync(vecLines, 1);
    for (const JournalEntry& entry : AudioServer::Instance().Commands()) {
        EXPECT_EQ(0x10039u, entry.nCode);
    }
    EXPECT_NE(0, access(dir.Path("peer.log").c_str(), F_OK));
    EXPECT_NE(0, access((strFolder + "/peer.log").c_str(), F_OK));

    SendThenSync({"logoutput FILE_LOG://" + strFolder + "/peer.log 1\n", "logoutput FILE_LOG 0\n"},
                 4);
    // Opened by the library's file output, after the request was served.
    while (access((strFolder + "/peer.log").c_str(), F_OK) != 0) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline + kBound);
    }
}

TEST_F(TuningHooksTest, SecondEnableKeepsTheServerItBuilt) {
    const int nPort = Serve();
    const int nOther = FreePort();
    EXPECT_TRUE(pEffect->SetTcpIpEnable(true, nOther));  // already running: only the port is kept
    Client first(nPort);
    ASSERT_TRUE(first.Connected());
    ASSERT_TRUE(first.Send("outputmode 4\n"));
    ASSERT_EQ(1u, WaitForCommands(0x10008, 1).size());

    // Disabled and enabled again, it listens on the new port.
    EXPECT_TRUE(pEffect->SetTcpIpEnable(false, 0));
    EXPECT_TRUE(pEffect->SetTcpIpEnable(true, nOther));
    Client second(nOther);
    ASSERT_TRUE(second.Connected());
    ASSERT_TRUE(second.Send("outputmode 5\n"));
    ASSERT_EQ(2u, WaitForCommands(0x10008, 2).size());
}

TEST_F(TuningHooksTest, DeletingTheObjectStopsTheServer) {
    const int nPort = Serve();
    Client client(nPort);
    ASSERT_TRUE(client.Connected());
    pEffect.reset();
    // The connection is closed and nobody listens any more.
    EXPECT_EQ("", client.Read(1));
    EXPECT_FALSE(Client(nPort).Connected());
}

}  // namespace
