// The tuning server beside redis, driven by one client code path: the same
// connection (one TCP connection to 127.0.0.1, no delay), the same burst
// depth, and the same rule for when a burst is done: the client sends the
// burst followed by one query and waits for that query's reply, which each
// server sends only after it has handled everything before it.
//
//   Sets/N        N pipelined parameter sets (redis: N SETs) and the query
//   RoundTrips    one query, then its reply, then the next (redis: GET)
//
// redis-server (Debian's package) is started on a free loopback port with
// persistence off; where it is missing its rows are skipped with a message.
// Our side is the library's tuning server in this process, with the
// parameter setter and getter bound to a listener that keeps the values in a
// hash map, as redis keeps its keys; with VELTRA_BENCH_HOST_PORT set it is
// the veltra-host listening on that loopback port instead (start it with
// --quiet). Compare the two in one run, alternating:
//
//   server_vs_redis --benchmark_repetitions=5
//       --benchmark_enable_random_interleaving=true --benchmark_format=json
//   piped into bench/ratios.py
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "NetworkManager/CCommandsParser.h"
#include "NetworkManager/CTCPServer.h"
#include "NetworkManager/CommandExecute/VTServerParameterArrayGetter.h"
#include "NetworkManager/CommandExecute/VTServerParameterSetter.h"
#include "NetworkManager/VTServer.h"
#include "logging/TarvoLog.h"
#include "logging/TarvoLogImpl.h"

extern char** environ;

using namespace TarvoFX;

namespace {

constexpr auto kBound = std::chrono::seconds(30);

// A free port on the loopback address (bound, read, released).
int FreePort() {
    const int nFD = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t nLength = sizeof(addr);
    int nPort = -1;
    if (bind(nFD, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) == 0 &&
        getsockname(nFD, reinterpret_cast<sockaddr*>(&addr), &nLength) == 0) {
        nPort = ntohs(addr.sin_port);
    }
    close(nFD);
    return nPort;
}

// The one client of both servers.
class Client {
public:
    explicit Client(int nPort) : m_nFD(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        int nOn = 1;
        setsockopt(m_nFD, IPPROTO_TCP, TCP_NODELAY, &nOn, sizeof(nOn));
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(nPort));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(m_nFD, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0) {
            close(m_nFD);
            m_nFD = -1;
        }
    }
    ~Client() {
        if (m_nFD >= 0) {
            close(m_nFD);
        }
    }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    bool Connected() const { return m_nFD >= 0; }

    // Sends the burst, then reads until strLastReply has arrived and ends
    // what was read (every reply before it is read and dropped on the way).
    bool Exchange(const std::string& strBurst, const std::string& strLastReply) {
        for (size_t nSent = 0; nSent < strBurst.size();) {
            // Replies are read while sending, so that neither side's buffers
            // fill up and stop the other.
            const ssize_t n = send(m_nFD, strBurst.data() + nSent, strBurst.size() - nSent,
                                   MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                nSent += static_cast<size_t>(n);
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                if (!ReadSome(true)) {
                    return false;
                }
            } else {
                return false;
            }
        }
        while (!EndsWith(strLastReply)) {
            if (!ReadSome(false)) {
                return false;
            }
        }
        m_strTail.clear();
        return true;
    }

private:
    bool EndsWith(const std::string& strSuffix) const {
        return m_strTail.size() >= strSuffix.size() &&
               m_strTail.compare(m_strTail.size() - strSuffix.size(), strSuffix.size(),
                                 strSuffix) == 0;
    }
    // Reads what has arrived; keeps only the last bytes (enough to see the
    // final reply). With bPoll it also waits until sending is possible again.
    bool ReadSome(bool bPoll) {
        pollfd pfd{m_nFD, static_cast<short>(POLLIN | (bPoll ? POLLOUT : 0)), 0};
        if (poll(&pfd, 1, static_cast<int>(std::chrono::milliseconds(kBound).count())) != 1) {
            return false;
        }
        if ((pfd.revents & POLLIN) == 0) {
            return true;
        }
        char acBuffer[65536];
        const ssize_t n = recv(m_nFD, acBuffer, sizeof(acBuffer), MSG_DONTWAIT);
        if (n <= 0) {
            return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
        }
        m_strTail.append(acBuffer, static_cast<size_t>(n));
        if (m_strTail.size() > 256) {
            m_strTail.erase(0, m_strTail.size() - 256);
        }
        return true;
    }

    int m_nFD;
    std::string m_strTail;
};

// How each server spells the requests of the benchmark and the reply that
// ends a burst.
struct Dialect {
    std::string (*pfnSet)(int64_t nIndex);
    std::string strQuery;
    std::string strQueryReply;
};

std::string RedisSet(int64_t nIndex) {
    const std::string strKey = std::to_string(nIndex);
    return "*3\r\n$3\r\nSET\r\n$" + std::to_string(strKey.size()) + "\r\n" + strKey +
           "\r\n$3\r\n0.5\r\n";
}

std::string VeltraSet(int64_t nIndex) {
    return "param " + std::to_string(nIndex) + " 0.5\n";
}

const Dialect kRedis = {RedisSet, "*2\r\n$3\r\nGET\r\n$1\r\n7\r\n", "$3\r\n0.5\r\n"};
const Dialect kVeltra = {VeltraSet, "get_param_array 7\n", "get_param_array_response 7=0.50\n"};

// Keeps parameter values like a key-value store keeps keys.
class MapListener : public IVTServerParameterSetListener,
                    public IVTServerParameterArrayGetListener {
public:
    bool OnVTServerParameterSet(uint32_t nParam, double dValue) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_mapValues[nParam] = dValue;
        return true;
    }
    bool OnVTServerParameterArrayGet(std::vector<unsigned int>& vecParams,
                                     std::vector<double>& vecValues,
                                     std::vector<bool>& vecFound) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (size_t nIndex = 0; nIndex < vecParams.size(); ++nIndex) {
            auto it = m_mapValues.find(vecParams[nIndex]);
            vecFound[nIndex] = it != m_mapValues.end();
            vecValues[nIndex] = vecFound[nIndex] ? it->second : 0.0;
        }
        return true;
    }

private:
    std::mutex m_mutex;
    std::unordered_map<uint32_t, double> m_mapValues;
};

// The library's tuning server in this process, or the veltra-host whose
// port VELTRA_BENCH_HOST_PORT names.
class VeltraServer {
public:
    VeltraServer() {
        if (const char* szPort = std::getenv("VELTRA_BENCH_HOST_PORT")) {
            m_nPort = std::atoi(szPort);
            return;
        }
        // Records below warnings would measure the log, not the server.
        TarvoLog::Instance().m_pImpl->WaitForInit(std::chrono::seconds(10));
        TarvoLog::Instance().SetLogLevel(TARVO_LOG_FXMODULE_TAG, LOG_LEVEL_WARNING);
        m_pTCP = std::make_shared<CTCPServer>(std::make_shared<CCommandsParser>(), 0);
        m_pServer = std::make_unique<VTServer>(m_pTCP);
        m_pServer->RegisterExecutor(std::make_shared<VTServerParameterSetter>(&m_listener));
        m_pServer->RegisterExecutor(std::make_shared<VTServerParameterArrayGetter>(&m_listener));
        if (m_pServer->Enable()) {
            m_nPort = m_pTCP->GetBoundPort();
        }
    }
    int Port() const { return m_nPort; }

private:
    MapListener m_listener;
    std::shared_ptr<CTCPServer> m_pTCP;
    std::unique_ptr<VTServer> m_pServer;
    int m_nPort = -1;
};

// redis-server on a free loopback port, stopped with the process.
class RedisServer {
public:
    RedisServer() {
        const char* szBinary = "/usr/bin/redis-server";
        if (access(szBinary, X_OK) != 0) {
            return;
        }
        m_nPort = FreePort();
        const std::string strPort = std::to_string(m_nPort);
        std::vector<std::string> args = {szBinary,    "--port",     strPort,  "--bind",
                                         "127.0.0.1", "--save",     "",       "--appendonly",
                                         "no",        "--loglevel", "warning"};
        std::vector<char*> argv;
        for (std::string& strArg : args) {
            argv.push_back(&strArg[0]);
        }
        argv.push_back(nullptr);
        // Its own output would mix with the benchmark's.
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        const int nSpawned = posix_spawn(&m_pid, szBinary, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (nSpawned != 0) {
            m_pid = -1;
            return;
        }
        // Ready once it answers.
        const auto deadline = std::chrono::steady_clock::now() + kBound;
        while (std::chrono::steady_clock::now() < deadline) {
            Client probe(m_nPort);
            if (probe.Connected() && probe.Exchange("*1\r\n$4\r\nPING\r\n", "+PONG\r\n")) {
                m_bReady = true;
                return;
            }
            usleep(10000);
        }
    }
    ~RedisServer() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    bool Ready() const { return m_bReady; }
    int Port() const { return m_nPort; }

private:
    pid_t m_pid = -1;
    int m_nPort = -1;
    bool m_bReady = false;
};

// Both servers live for the whole run, so that interleaved repetitions
// measure the same two processes.
RedisServer& Redis() {
    static RedisServer s_redis;
    return s_redis;
}

VeltraServer& Veltra() {
    static VeltraServer s_veltra;
    return s_veltra;
}

void Sets(benchmark::State& state, int nPort, const Dialect& dialect) {
    Client client(nPort);
    if (nPort < 0 || !client.Connected()) {
        state.SkipWithError("no server");
        return;
    }
    const int64_t nBurst = state.range(0);
    std::string strBurst;
    for (int64_t nIndex = 0; nIndex < nBurst; ++nIndex) {
        strBurst += dialect.pfnSet(nIndex % 5000);
    }
    strBurst += dialect.strQuery;
    for (auto _ : state) {
        if (!client.Exchange(strBurst, dialect.strQueryReply)) {
            state.SkipWithError("the burst was not answered");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * nBurst);
}

void RoundTrips(benchmark::State& state, int nPort, const Dialect& dialect) {
    Client client(nPort);
    if (nPort < 0 || !client.Connected() ||
        !client.Exchange(dialect.pfnSet(7) + dialect.strQuery, dialect.strQueryReply)) {
        state.SkipWithError("no server");
        return;
    }
    for (auto _ : state) {
        if (!client.Exchange(dialect.strQuery, dialect.strQueryReply)) {
            state.SkipWithError("no reply");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_Redis_Sets(benchmark::State& state) {
    if (!Redis().Ready()) {
        state.SkipWithError("redis-server is not installed (scripts/setup.sh installs it)");
        return;
    }
    Sets(state, Redis().Port(), kRedis);
}

void BM_Veltra_Sets(benchmark::State& state) {
    Sets(state, Veltra().Port(), kVeltra);
}

void BM_Redis_RoundTrips(benchmark::State& state) {
    if (!Redis().Ready()) {
        state.SkipWithError("redis-server is not installed (scripts/setup.sh installs it)");
        return;
    }
    RoundTrips(state, Redis().Port(), kRedis);
}

void BM_Veltra_RoundTrips(benchmark::State& state) {
    RoundTrips(state, Veltra().Port(), kVeltra);
}

}  // namespace

// Rates by wall-clock time: the work happens in the servers.
BENCHMARK(BM_Redis_Sets)->Arg(16)->Arg(10000)->Arg(200000)->UseRealTime();
BENCHMARK(BM_Veltra_Sets)->Arg(16)->Arg(10000)->Arg(200000)->UseRealTime();
BENCHMARK(BM_Redis_RoundTrips)->UseRealTime();
BENCHMARK(BM_Veltra_RoundTrips)->UseRealTime();

BENCHMARK_MAIN();
