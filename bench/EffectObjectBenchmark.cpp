// The effect object's own cost per operation: a few representative
// operations, each from the call to the platform's effect command, with the
// simulated server's journal off and its answers canned (the replies the
// simulated effect gave once, before timing), so that what is measured is
// the library's work: message building, locking, allocation, logging.
// Reports time per operation and heap allocations per operation.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "HostPlatform/AudioServer.h"
#include "HostPlatform/Properties.h"
#include "VeltraEffectAPI/VeltraEffectAPIBase.h"

namespace {

std::atomic<uint64_t> g_nAllocations{0};

}  // namespace

// Every heap allocation of the process, the library's included, is counted.
void* operator new(std::size_t nSize) {
    g_nAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(nSize == 0 ? 1 : nSize)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t nSize) {
    return operator new(nSize);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

using HostPlatform::AudioServer;

// An initialised playback effect on session 1 with sessions 7 and 8
// registered; every command code it sends is answered as the simulated
// effect answered it once.
class Effect {
public:
    Effect() {
        HostPlatform::SetSystemProperty("ro.build.version.sdk", "28");
        AudioServer& server = AudioServer::Instance();
        server.Reset();
        m_pEffect.reset(TarvoFX::VeltraEffectFactory::CreateVeltraEffect(
            TarvoFX::VeltraEffectFactory::s_cszVeltra3, 13, nullptr));
        m_bReady = m_pEffect && m_pEffect->Init(0, 1) && m_pEffect->SetAudioSession(7, true) &&
                   m_pEffect->SetAudioSession(8, true);
    }
    ~Effect() {
        m_pEffect.reset();
        AudioServer::Instance().Reset();
    }

    // Runs op once with the journal on, cans the replies it got, and turns
    // the journal off.
    bool Prepare(const std::function<bool(TarvoFX::IVeltraEffectAPI&)>& op) {
        AudioServer& server = AudioServer::Instance();
        server.SetJournalWindow(AudioServer::kDefaultJournalWindow);
        server.ClearJournal();
        if (!m_bReady || !op(*m_pEffect)) {
            return false;
        }
        for (const HostPlatform::JournalEntry& entry : server.Commands()) {
            server.SetCannedReply(entry.nCode, entry.nStatus, entry.reply);
        }
        server.SetJournalWindow(0);
        return true;
    }

    TarvoFX::IVeltraEffectAPI& Object() { return *m_pEffect; }

private:
    std::unique_ptr<TarvoFX::IVeltraEffectAPI> m_pEffect;
    bool m_bReady = false;
};

void Measure(benchmark::State& state, const std::function<bool(TarvoFX::IVeltraEffectAPI&)>& op) {
    Effect effect;
    if (!effect.Prepare(op)) {
        state.SkipWithError("the operation failed on the simulated effect");
        return;
    }
    TarvoFX::IVeltraEffectAPI& object = effect.Object();
    const uint64_t nBefore = g_nAllocations.load(std::memory_order_relaxed);
    for (auto _ : state) {
        if (!op(object)) {
            state.SkipWithError("the operation failed");
            break;
        }
    }
    const uint64_t nAllocations = g_nAllocations.load(std::memory_order_relaxed) - nBefore;
    state.counters["allocs_per_op"] =
        benchmark::Counter(static_cast<double>(nAllocations), benchmark::Counter::kAvgIterations);
}

constexpr uint32_t kParameters = 16;

std::vector<unsigned int> ParameterIds() {
    std::vector<unsigned int> vecIds(kParameters);
    for (uint32_t nIndex = 0; nIndex < kParameters; ++nIndex) {
        vecIds[nIndex] = 100 + nIndex;
    }
    return vecIds;
}

void BM_SetOutputMode(benchmark::State& state) {
    Measure(state, [](TarvoFX::IVeltraEffectAPI& object) { return object.SetOutputMode(2); });
}

void BM_PresetSetParamsArrayEx16(benchmark::State& state) {
    const std::vector<unsigned int> vecIds = ParameterIds();
    const std::vector<double> vecValues(kParameters, 0.25);
    Measure(state, [&](TarvoFX::IVeltraEffectAPI& object) {
        return object.Preset_SetParamsArrayEx(kParameters, vecIds.data(), vecValues.data(), 1, 2, 0,
                                              false);
    });
}

void BM_GetParamsArray16(benchmark::State& state) {
    const std::vector<unsigned int> vecIds = ParameterIds();
    std::vector<double> vecValues(kParameters);
    Measure(state, [&](TarvoFX::IVeltraEffectAPI& object) {
        return object.Preset_GetParamsArray(kParameters, vecIds.data(), vecValues.data(), 1, 2, 0,
                                            true, false, true);
    });
}

void BM_SetEnabledTwoSessions(benchmark::State& state) {
    Measure(state, [](TarvoFX::IVeltraEffectAPI& object) {
        return object.SetEnabled("virtualizer", true);
    });
}

}  // namespace

BENCHMARK(BM_SetOutputMode);
BENCHMARK(BM_PresetSetParamsArrayEx16);
BENCHMARK(BM_GetParamsArray16);
BENCHMARK(BM_SetEnabledTwoSessions);

BENCHMARK_MAIN();
