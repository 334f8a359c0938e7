// veltra-host and veltra-tune as separate processes over loopback.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/Emulator.h"

extern char** environ;

namespace {

constexpr int kBoundMs = 30000;

// A child process with its standard output and error gathered in one pipe
// and, when asked, its standard input fed from another.
class Process {
public:
    explicit Process(const std::vector<std::string>& args, bool bStdin = false) {
        int aOut[2];
        int aIn[2] = {-1, -1};
        if (pipe2(aOut, O_CLOEXEC) != 0 || (bStdin && pipe2(aIn, O_CLOEXEC) != 0)) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, aOut[1], 1);
        posix_spawn_file_actions_adddup2(&actions, aOut[1], 2);
        if (bStdin) {
            posix_spawn_file_actions_adddup2(&actions, aIn[0], 0);
        }
        std::vector<std::string> words = TestSupport::EmulatorCommand();
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (const std::string& strArg : words) {
            argv.push_back(const_cast<char*>(strArg.c_str()));
        }
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            m_pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(aOut[1]);
        m_nOut = aOut[0];
        if (bStdin) {
            close(aIn[0]);
            m_nIn = aIn[1];
        }
    }
    ~Process() {
        if (m_pid > 0 && !m_bWaited) {
            kill(m_pid, SIGKILL);
            Wait();
        }
        CloseInput();
        if (m_nOut >= 0) {
            close(m_nOut);
        }
    }

    bool Started() const { return m_pid > 0; }
    void Signal(int nSignal) { kill(m_pid, nSignal); }
    void Write(const std::string& str) {
        ASSERT_EQ(static_cast<ssize_t>(str.size()), write(m_nIn, str.data(), str.size()));
    }
    void CloseInput() {
        if (m_nIn >= 0) {
            close(m_nIn);
            m_nIn = -1;
        }
    }
    // Reads output until it holds strText (true) or the output ends or the bound passes.
    bool WaitForOutput(const std::string& strText) {
        while (m_strOutput.find(strText) == std::string::npos) {
            if (!ReadSome()) {
                return m_strOutput.find(strText) != std::string::npos;
            }
        }
        return true;
    }
    // Reads the rest of the output and waits for the exit status.
    int Wait() {
        while (ReadSome()) {
        }
        int nStatus = 0;
        waitpid(m_pid, &nStatus, 0);
        m_bWaited = true;
        return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 128 + WTERMSIG(nStatus);
    }
    const std::string& Output() const { return m_strOutput; }

private:
    bool ReadSome() {
        pollfd pfd{m_nOut, POLLIN, 0};
        if (poll(&pfd, 1, kBoundMs) != 1) {
            return false;
        }
        char acBuffer[4096];
        ssize_t n = read(m_nOut, acBuffer, sizeof(acBuffer));
        if (n <= 0) {
            return false;
        }
        m_strOutput.append(acBuffer, static_cast<size_t>(n));
        return true;
    }

    pid_t m_pid = -1;
    int m_nOut = -1;
    int m_nIn = -1;
    bool m_bWaited = false;
    std::string m_strOutput;
};

int PortIn(const std::string& strOutput) {
    const std::string strMarker = "tuning server listening on port ";
    size_t nAt = strOutput.find(strMarker);
    return nAt == std::string::npos ? -1 : std::atoi(strOutput.c_str() + nAt + strMarker.size());
}

// A socket listening on a free loopback port that never answers.
struct SilentServer {
    SilentServer() {
        nFD = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr = {};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t nLength = sizeof(addr);
        bind(nFD, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
        listen(nFD, 4);
        getsockname(nFD, reinterpret_cast<sockaddr*>(&addr), &nLength);
        nPort = ntohs(addr.sin_port);
    }
    ~SilentServer() { close(nFD); }
    int nFD;
    int nPort;
};

class ToolsTest : public ::testing::Test {
protected:
    // Starts a host on a free port and returns the port.
    int StartHost(std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {VELTRA_HOST_PATH, "--port", "0"};
        args.insert(args.end(), extra.begin(), extra.end());
        pHost.reset(new Process(args));
        EXPECT_TRUE(pHost->Started());
        EXPECT_TRUE(pHost->WaitForOutput("running;")) << pHost->Output();
        return PortIn(pHost->Output());
    }
    static Process Tune(int nPort, std::vector<std::string> args) {
        std::vector<std::string> all = {VELTRA_TUNE_PATH, "--port", std::to_string(nPort)};
        all.insert(all.end(), args.begin(), args.end());
        return Process(all);
    }
    static std::pair<int, std::string> Run(int nPort, std::vector<std::string> args) {
        Process tune = Tune(nPort, std::move(args));
        int nStatus = tune.Wait();
        return {nStatus, tune.Output()};
    }

    std::unique_ptr<Process> pHost;
};

TEST_F(ToolsTest, EveryDialectSetsAndReadsBack) {
    const int nPort = StartHost();
    ASSERT_GT(nPort, 0);
    EXPECT_EQ(0, Run(nPort, {"set-param", "12", "0.5"}).first);
    for (const char* szDialect : {"text", "binary", "framed"}) {
        auto result = Run(nPort, {"--dialect", szDialect, "get-param", "12"});
        EXPECT_EQ(0, result.first) << szDialect;
        EXPECT_EQ("12 = 0.5\n", result.second) << szDialect;
    }
    EXPECT_EQ(0, Run(nPort, {"--dialect", "binary", "set-params", "1=2,3=4.5"}).first);
    auto result = Run(nPort, {"--dialect", "framed", "get-params", "1,3"});
    EXPECT_EQ("1 = 2\n3 = 4.5\n", result.second);
    // Every other command is accepted.
    for (std::vector<std::string> command : {std::vector<std::string>{"output-mode", "2"},
                                             {"sound-mode", "1"},
                                             {"custom-output-mode", "1", "2"},
                                             {"set-tag", "1", "2", "10", "20"},
                                             {"log-level", "TARVO_LOG_JNI", "3"},
                                             {"log-output", "STDERR_LOG", "off"},
                                             {"recording-on", "/tmp/rec"},
                                             {"recording-off"},
                                             {"load-preset", "/nonexistent"},
                                             {"meters", "on"},
                                             {"calibrate"},
                                             {"volume", "0.7"},
                                             {"dump"}}) {
        EXPECT_EQ(0, Run(nPort, command).first) << command[0];
    }
    // The last request may still be on its way when the tool has sent it.
    EXPECT_TRUE(pHost->WaitForOutput("command 0x1003b")) << pHost->Output();
    pHost->Signal(SIGTERM);
    EXPECT_EQ(0, pHost->Wait());
    const std::string& strHost = pHost->Output();
    for (const char* szCode :
         {"0x10008", "0x10003", "0x1001c", "0x10001", "0x10002", "0x10039", "0x10007", "0x1001b",
          "0x10000", "0x10035", "0x10029", "0x1003a", "0x1003b"}) {
        EXPECT_NE(std::string::npos, strHost.find(std::string("command ") + szCode)) << szCode;
    }
}

TEST_F(ToolsTest, SetsAreReadBackAndRequestsWithoutResultSaySo) {
    const int nPort = StartHost();
    ASSERT_GT(nPort, 0);
    auto set = Run(nPort, {"--dialect", "framed", "set-params", "20=1.25,21=-3"});
    EXPECT_EQ(0, set.first);
    EXPECT_NE(std::string::npos, set.second.find("read back: 20 = 1.25, 21 = -3")) << set.second;
    // The text dialect's replies carry two decimals.
    set = Run(nPort, {"set-param", "22", "0.125"});
    EXPECT_EQ(0, set.first) << set.second;
    EXPECT_NE(std::string::npos, set.second.find("read back: 22 = 0.12 (the text reply carries"))
        << set.second;
    auto preset = Run(nPort, {"load-preset", "/tmp/nonexistent.mps"});
    EXPECT_EQ(0, preset.first);
    EXPECT_NE(std::string::npos,
              preset.second.find("the tuning protocol returns no result for load-preset"));
    EXPECT_EQ(std::string::npos, preset.second.find("loaded")) << preset.second;
}

TEST_F(ToolsTest, AValueTheEffectDoesNotHoldEndsWithItsOwnStatus) {
    // A server that answers the read-back with another value.
    SilentServer server;
    Process tune = Tune(server.nPort, {"--dialect", "binary", "set-param", "12", "0.5"});
    pollfd listening{server.nFD, POLLIN, 0};
    ASSERT_EQ(1, poll(&listening, 1, kBoundMs));
    const int nConnection = accept4(server.nFD, nullptr, nullptr, SOCK_CLOEXEC);
    ASSERT_GE(nConnection, 0);
    // The set (u32 1, id, f64) and the read-back (u32 11, count 1, id).
    std::string strReceived;
    pollfd connection{nConnection, POLLIN, 0};
    while (strReceived.size() < 28 && poll(&connection, 1, kBoundMs) == 1) {
        char acBuffer[64];
        const ssize_t nRead = read(nConnection, acBuffer, sizeof(acBuffer));
        if (nRead <= 0) {
            break;
        }
        strReceived.append(acBuffer, static_cast<size_t>(nRead));
    }
    EXPECT_EQ(28u, strReceived.size());
    uint8_t acReply[20] = {4, 0, 0, 0, 1, 0, 0, 0, 12, 0, 0, 0};
    const double dHeld = 0.3;
    std::memcpy(acReply + 12, &dHeld, sizeof(dHeld));
    EXPECT_EQ(20, write(nConnection, acReply, sizeof(acReply)));
    EXPECT_EQ(5, tune.Wait());
    close(nConnection);
    EXPECT_NE(std::string::npos, tune.Output().find("parameter 12: set 0.5, the effect holds 0.3"))
        << tune.Output();
}

TEST_F(ToolsTest, HostStopsCleanlyOnSigtermWithAClientConnected) {
    const int nPort = StartHost();
    Process client({VELTRA_TUNE_PATH, "--port", std::to_string(nPort)}, true);
    client.Write("get-param 12\n");
    ASSERT_TRUE(client.WaitForOutput("12 = 0\n")) << client.Output();

    pHost->Signal(SIGTERM);
    EXPECT_EQ(0, pHost->Wait());
    EXPECT_NE(std::string::npos, pHost->Output().find("effect deleted, 0 platform instances left"));

    // The client finds the connection gone on its next query.
    client.Write("get-param 12\n");
    client.CloseInput();
    EXPECT_EQ(1, client.Wait());
    EXPECT_NE(std::string::npos, client.Output().find("closed the connection"));
}

TEST_F(ToolsTest, QuietHostPrintsNoCallsButStillServes) {
    const int nPort = StartHost({"--quiet"});
    ASSERT_GT(nPort, 0);
    EXPECT_EQ(0, Run(nPort, {"set-param", "12", "0.5"}).first);
    EXPECT_EQ("12 = 0.5\n", Run(nPort, {"get-param", "12"}).second);
    pHost->Signal(SIGTERM);
    EXPECT_EQ(0, pHost->Wait());
    EXPECT_EQ(std::string::npos, pHost->Output().find("effect: ")) << pHost->Output();
    EXPECT_EQ(std::string::npos, pHost->Output().find("TARVO_LOG_")) << pHost->Output();
    EXPECT_NE(std::string::npos, pHost->Output().find("effect deleted, 0 platform instances left"));
}

TEST_F(ToolsTest, HostPrintsEachLibraryRecordOnce) {
    const int nPort = StartHost();
    ASSERT_GT(nPort, 0);
    // The effect refuses the preset file, and the library logs that.
    EXPECT_EQ(0, Run(nPort, {"load-preset", "/tmp/nonexistent.mps"}).first);
    // The tool only sends: the host may still be serving the request. The
    // shim's record comes while it is served, and stopping waits for the
    // request in progress; the library's own standard-output records reach
    // the pipe when the host exits.
    ASSERT_TRUE(pHost->WaitForOutput("nCmdID = 65536 result = -2")) << pHost->Output();
    pHost->Signal(SIGTERM);
    EXPECT_EQ(0, pHost->Wait());
    const std::string& strOutput = pHost->Output();
    const std::string strRecord = "AudioEffectAudioFlinger::Command nCmdID";
    const size_t nFirst = strOutput.find(strRecord);
    ASSERT_NE(std::string::npos, nFirst) << strOutput;
    EXPECT_EQ(std::string::npos, strOutput.find(strRecord, nFirst + 1)) << strOutput;
}

TEST_F(ToolsTest, HostNamesEffectsAndTakesPropertiesBeforeCreating) {
    Process unknown({VELTRA_HOST_PATH, "--effect", "Veltra4", "--once"});
    EXPECT_EQ(0, unknown.Wait());
    EXPECT_NE(std::string::npos, unknown.Output().find("\"Veltra4\" is no effect name the library "
                                                       "knows (Veltra3, Korimo2, Nimbra3Proxy); "
                                                       "it makes a playback effect"))
        << unknown.Output();
    Process list({VELTRA_HOST_PATH, "--list"});
    EXPECT_EQ(0, list.Wait());
    EXPECT_NE(std::string::npos, list.Output().find("Nimbra3Proxy   capture effect"))
        << list.Output();
    EXPECT_NE(std::string::npos, list.Output().find("output modes    0 Speaker")) << list.Output();
    // A property reaches the store before the effect is created: the SDK
    // level set through it picks a shim this machine lacks.
    Process property({VELTRA_HOST_PATH, "--property", "ro.debuggable=0", "--property",
                      "ro.build.version.sdk=23", "--once"});
    EXPECT_EQ(3, property.Wait());
    EXPECT_NE(std::string::npos, property.Output().find("host: property ro.debuggable=0"));
    EXPECT_NE(std::string::npos,
              property.Output().find("shim could not be loaded for SDK level 23"));
}

TEST_F(ToolsTest, ClientAtAClosedPortSaysSo) {
    int nPort = 0;
    {
        SilentServer closed;
        nPort = closed.nPort;
    }
    auto result = Run(nPort, {"get-param", "1"});
    EXPECT_EQ(3, result.first);
    EXPECT_NE(std::string::npos, result.second.find("Connection refused")) << result.second;
}

TEST_F(ToolsTest, QueryWithoutReplyTimesOut) {
    SilentServer silent;
    auto result = Run(silent.nPort, {"--timeout", "200", "get-param", "1"});
    EXPECT_EQ(4, result.first);
    EXPECT_NE(std::string::npos, result.second.find("no reply to get-param within 200 ms"));
}

TEST_F(ToolsTest, UsageErrorsAreReportedBeforeConnecting) {
    EXPECT_EQ(2, Run(1, {"no-such-command"}).first);
    EXPECT_EQ(2, Run(1, {"set-param", "x", "1"}).first);
    // Each check names the fault and the command's usage, not the whole help.
    for (std::vector<std::string> command :
         {std::vector<std::string>{"set-param", "5", "nan"},
          {"output-mode", "-1"},
          {"log-level", "TARVO_LOG_JNI", "9"},
          {"log-level", "NO_SUCH_TAG", "1"},
          {"log-output", "NO_SUCH_OUTPUT", "on"},
          {"set-tag", "1", "2", "10000", "0"},
          {"--dialect", "text", "get-params", "777,1,4000000000"}}) {
        auto result = Run(1, command);
        EXPECT_EQ(2, result.first) << command[0];
        EXPECT_NE(std::string::npos, result.second.find("\nusage: veltra-tune [options] "))
            << result.second;
        EXPECT_EQ(std::string::npos, result.second.find("exit status")) << result.second;
    }
    Process noPort({VELTRA_TUNE_PATH, "get-param", "1"});
    EXPECT_EQ(2, noPort.Wait());
    Process help({VELTRA_TUNE_PATH, "--help"});
    EXPECT_EQ(0, help.Wait());
    EXPECT_NE(std::string::npos, help.Output().find("set-tag OM SM DISABLE ENABLE"));
    EXPECT_NE(std::string::npos, help.Output().find("TARVO_LOG_FXModule"));
    EXPECT_NE(std::string::npos, help.Output().find("docs/protocol.md"));
}

TEST_F(ToolsTest, InteractiveHelpAndMistakesCostOneLine) {
    const int nPort = StartHost();
    ASSERT_GT(nPort, 0);
    Process client({VELTRA_TUNE_PATH, "--port", std::to_string(nPort)}, true);
    client.Write("help\nhelp log-level\noutput-mode 70000\nset-param 12 0.5\nquit\n");
    client.CloseInput();
    EXPECT_EQ(0, client.Wait());
    const std::string& strOutput = client.Output();
    EXPECT_NE(std::string::npos, strOutput.find("help [COMMAND]")) << strOutput;
    EXPECT_NE(std::string::npos, strOutput.find("tags: TARVO_LOG_FXLibrary")) << strOutput;
    EXPECT_NE(std::string::npos, strOutput.find("usage: output-mode MODE")) << strOutput;
    EXPECT_NE(std::string::npos, strOutput.find("read back: 12 = 0.5")) << strOutput;
}

TEST_F(ToolsTest, HostReportsATakenPortAndAMissingShim) {
    SilentServer taken;
    Process host({VELTRA_HOST_PATH, "--port", std::to_string(taken.nPort)});
    EXPECT_EQ(5, host.Wait());
    EXPECT_NE(std::string::npos, host.Output().find("cannot serve tuning clients on port"));

    Process oldPlatform({VELTRA_HOST_PATH, "--sdk", "23", "--once"});
    EXPECT_EQ(3, oldPlatform.Wait());
    EXPECT_NE(std::string::npos, oldPlatform.Output().find("shim could not be loaded"));
}

}  // namespace
