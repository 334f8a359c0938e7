// Cost per request when a client has pipelined many requests: the whole burst
// sits in one client's input and Parse is called until it yields nothing.
// The time per request has to stay the same from ten thousand to a million
// requests; a parser that rescanned or shifted the whole remaining input on
// every call would grow with the burst.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "NetworkManager/CCommandData.h"
#include "NetworkManager/CCommandsParser.h"
#include "NetworkManager/CDataAPO.h"
#include "RequestBursts.h"
#include "logging/TarvoLog.h"

using BenchSupport::FramedRequests;
using BenchSupport::TextLines;
using TarvoFX::CCommandData;
using TarvoFX::CCommandsParser;
using TarvoFX::CDataAPO;

namespace {

void ParseBurst(benchmark::State& state, const std::string& strBurst) {
    // The info record of every binary request would measure the log, not the parser.
    TarvoFX::TarvoLog::Instance().SetLogLevel(TARVO_LOG_FXMODULE_TAG, TarvoFX::LOG_LEVEL_WARNING);
    const int64_t nCount = state.range(0);
    CCommandsParser parser;
    for (auto _ : state) {
        state.PauseTiming();
        CCommandData client;
        client.AppendData(strBurst);
        state.ResumeTiming();
        int64_t nParsed = 0;
        while (void* pRecord = parser.Parse(&client)) {
            delete static_cast<CDataAPO*>(pRecord);
            ++nParsed;
        }
        if (nParsed != nCount) {
            state.SkipWithError("not every request was parsed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * nCount);
    state.counters["time_per_request"] = benchmark::Counter(
        static_cast<double>(nCount),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_PipelinedFramedRequests(benchmark::State& state) {
    ParseBurst(state, FramedRequests(state.range(0)));
}

void BM_PipelinedTextLines(benchmark::State& state) {
    ParseBurst(state, TextLines(state.range(0)));
}

}  // namespace

BENCHMARK(BM_PipelinedFramedRequests)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PipelinedTextLines)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
