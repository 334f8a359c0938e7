// The tuning server over loopback TCP: how many pipelined parameter sets it
// executes per second, how many parameter queries per second one client
// gets answered when it waits for each reply before sending the next, and
// how long those round trips take while another client floods the server.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "NetworkManager/CCommandsParser.h"
#include "NetworkManager/CTCPServer.h"
#include "NetworkManager/CommandExecute/VTServerParameterGetter.h"
#include "NetworkManager/CommandExecute/VTServerParameterSetter.h"
#include "NetworkManager/VTServer.h"
#include "RequestBursts.h"
#include "logging/TarvoLog.h"
#include "logging/TarvoLogImpl.h"

using namespace TarvoFX;

namespace {

class CountingListener : public IVTServerParameterSetListener,
                         public IVTServerParameterGetListener {
public:
    bool OnVTServerParameterSet(uint32_t, double) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_nSets;
        m_cond.notify_all();
        return true;
    }
    bool OnVTServerParameterGet(uint32_t nParam, double& dValue) override {
        dValue = nParam * 0.5;
        return true;
    }
    bool WaitForSets(int64_t nCount) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_cond.wait_for(lock, std::chrono::seconds(30), [&] { return m_nSets >= nCount; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cond;
    int64_t m_nSets = 0;
};

// A running server with the parameter setter and getter, and one client.
class Loopback {
public:
    Loopback() {
        // The info record of every binary request would measure the log.
        // Levels can be changed once the configuration has been read.
        TarvoLog::Instance().m_pImpl->WaitForInit(std::chrono::seconds(10));
        TarvoLog::Instance().SetLogLevel(TARVO_LOG_FXMODULE_TAG, LOG_LEVEL_WARNING);
        m_pTCP = std::make_shared<CTCPServer>(std::make_shared<CCommandsParser>(), 0);
        m_pServer = std::make_unique<VTServer>(m_pTCP);
        m_pServer->RegisterExecutor(std::make_shared<VTServerParameterSetter>(&m_listener));
        m_pServer->RegisterExecutor(std::make_shared<VTServerParameterGetter>(&m_listener));
        m_bReady = m_pServer->Enable();
        m_nClient = Connect();
        m_bReady = m_bReady && m_nClient >= 0;
    }

    // A further client of the server; -1 when it could not connect.
    int Connect() const {
        int nClient = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int nOn = 1;
        setsockopt(nClient, IPPROTO_TCP, TCP_NODELAY, &nOn, sizeof(nOn));
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(m_pTCP->GetBoundPort()));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(nClient, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0) {
            close(nClient);
            return -1;
        }
        return nClient;
    }
    ~Loopback() {
        close(m_nClient);
        m_pServer.reset();
    }

    bool Ready() const { return m_bReady; }
    CountingListener& Listener() { return m_listener; }

    bool SendAll(const std::string& str) {
        size_t nSent = 0;
        while (nSent < str.size()) {
            const ssize_t n = send(m_nClient, str.data() + nSent, str.size() - nSent, MSG_NOSIGNAL);
            if (n <= 0) {
                return false;
            }
            nSent += static_cast<size_t>(n);
        }
        return true;
    }
    bool ReceiveAll(char* pBuffer, size_t nCount) {
        size_t nReceived = 0;
        while (nReceived < nCount) {
            const ssize_t n = recv(m_nClient, pBuffer + nReceived, nCount - nReceived, 0);
            if (n <= 0) {
                return false;
            }
            nReceived += static_cast<size_t>(n);
        }
        return true;
    }

private:
    CountingListener m_listener;
    std::shared_ptr<CTCPServer> m_pTCP;
    std::unique_ptr<VTServer> m_pServer;
    int m_nClient = -1;
    bool m_bReady = false;
};

void PipelinedSets(benchmark::State& state, const std::string& strBurst) {
    Loopback loopback;
    if (!loopback.Ready()) {
        state.SkipWithError("no loopback server");
        return;
    }
    const int64_t nBurst = state.range(0);
    int64_t nExpected = 0;
    for (auto _ : state) {
        nExpected += nBurst;
        if (!loopback.SendAll(strBurst) || !loopback.Listener().WaitForSets(nExpected)) {
            state.SkipWithError("the sets did not all arrive");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * nBurst);
}

void BM_PipelinedFramedParameterSets(benchmark::State& state) {
    PipelinedSets(state, BenchSupport::FramedRequests(state.range(0)));
}

void BM_PipelinedTextParameterSets(benchmark::State& state) {
    PipelinedSets(state, BenchSupport::TextLines(state.range(0)));
}

void BM_ParameterQueryRoundTrips(benchmark::State& state) {
    Loopback loopback;
    if (!loopback.Ready()) {
        state.SkipWithError("no loopback server");
        return;
    }
    std::string strQuery;
    BenchSupport::AppendU32(strQuery, 10);
    BenchSupport::AppendU32(strQuery, 7);
    char acReply[16];
    for (auto _ : state) {
        if (!loopback.SendAll(strQuery) || !loopback.ReceiveAll(acReply, sizeof(acReply))) {
            state.SkipWithError("no reply");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

// Query round trips of one client while another pipelines parameter sets
// as fast as the server takes them: the waiting client's latency, as the
// median, 99th percentile and largest round trip (microseconds).
void BM_QueryRoundTripsWhileAnotherFloods(benchmark::State& state) {
    Loopback loopback;
    const int nFlooding = loopback.Connect();
    if (!loopback.Ready() || nFlooding < 0) {
        state.SkipWithError("no loopback server");
        return;
    }
    std::atomic<bool> bStop{false};
    std::thread flood([&] {
        const std::string strBurst = BenchSupport::TextLines(10000);
        while (!bStop) {
            for (size_t nSent = 0; nSent < strBurst.size();) {
                const ssize_t n =
                    send(nFlooding, strBurst.data() + nSent, strBurst.size() - nSent, MSG_NOSIGNAL);
                if (n <= 0) {
                    return;
                }
                nSent += static_cast<size_t>(n);
            }
        }
    });
    std::string strQuery;
    BenchSupport::AppendU32(strQuery, 10);
    BenchSupport::AppendU32(strQuery, 7);
    char acReply[16];
    std::vector<double> vecMicroseconds;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!loopback.SendAll(strQuery) || !loopback.ReceiveAll(acReply, sizeof(acReply))) {
            state.SkipWithError("no reply");
            break;
        }
        vecMicroseconds.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
    }
    bStop = true;
    shutdown(nFlooding, SHUT_RDWR);
    flood.join();
    close(nFlooding);
    if (!vecMicroseconds.empty()) {
        std::sort(vecMicroseconds.begin(), vecMicroseconds.end());
        state.counters["median_us"] = vecMicroseconds[vecMicroseconds.size() / 2];
        state.counters["p99_us"] = vecMicroseconds[vecMicroseconds.size() * 99 / 100];
        state.counters["max_us"] = vecMicroseconds.back();
    }
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

// Rates by wall-clock time: the work happens on the server thread, not on
// the benchmark's own.
BENCHMARK(BM_PipelinedFramedParameterSets)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_PipelinedTextParameterSets)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ParameterQueryRoundTrips)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_QueryRoundTripsWhileAnotherFloods)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->MinTime(2.0);

BENCHMARK_MAIN();
