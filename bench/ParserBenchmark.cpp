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
#include "logging/TarvoLog.h"

using TarvoFX::CCommandData;
using TarvoFX::CCommandsParser;
using TarvoFX::CDataAPO;

namespace {

void AppendU32(std::string& str, uint32_t nValue) {
    for (int nByte = 0; nByte < 4; ++nByte) {
        str += static_cast<char>((nValue >> (8 * nByte)) & 0xFF);
    }
}

// Marker, length 16, then a set-parameter request: 24 bytes.
std::string FramedRequests(int64_t nCount) {
    std::string str;
    str.reserve(static_cast<size_t>(nCount) * 24);
    for (int64_t nIndex = 0; nIndex < nCount; ++nIndex) {
        str.append(reinterpret_cast<const char*>(TarvoFX::kFrameMarker), 4);
        AppendU32(str, 16);
        AppendU32(str, 1);
        AppendU32(str, static_cast<uint32_t>(nIndex));
        const double dValue = 0.5;
        char acValue[8];
        memcpy(acValue, &dValue, sizeof(acValue));
        str.append(acValue, sizeof(acValue));
    }
    return str;
}

std::string TextLines(int64_t nCount) {
    std::string str;
    for (int64_t nIndex = 0; nIndex < nCount; ++nIndex) {
        str += "param " + std::to_string(nIndex) + " 0.5\n";
    }
    return str;
}

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
