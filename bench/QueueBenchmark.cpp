// Messages per second through a ThreadedQueue: producers enqueue small plain
// messages into a queue of the largest capacity (retrying when it is full)
// and each iteration ends once the worker has executed all of them.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "TarvoInterprocess/MessageQueue.h"
#include "TarvoInterprocess/ThreadedQueue.h"
#include "logging/TarvoLog.h"
#include "logging/TarvoLogImpl.h"

using TarvoFX::TarvoInterprocess::Message;
using TarvoFX::TarvoInterprocess::MessageQueue;
using TarvoFX::TarvoInterprocess::SyncMessage;
using TarvoFX::TarvoInterprocess::ThreadedQueue;

namespace {

constexpr int kMessagesPerIteration = 40000;

class CountingMessage : public Message {
public:
    explicit CountingMessage(std::atomic<long>& nExecuted) : m_nExecuted(nExecuted) {}
    void Execute() override { m_nExecuted.fetch_add(1, std::memory_order_relaxed); }

private:
    std::atomic<long>& m_nExecuted;
};

// Executed after everything enqueued before it; its producer waits for that.
class DrainMarker : public SyncMessage {
public:
    void Execute() override {}
};

// Enqueues until accepted; returns the number of refusals.
long EnqueueRetrying(ThreadedQueue& queue, const std::shared_ptr<Message>& pMessage) {
    long nRefused = 0;
    while (!queue.Enqueue(pMessage)) {
        ++nRefused;
        std::this_thread::yield();
    }
    return nRefused;
}

void BM_ThreadedQueueThroughput(benchmark::State& state) {
    // Every refusal would otherwise write two error records to the platform log.
    TarvoFX::TarvoLog::Instance().m_pImpl->WaitForInit(std::chrono::seconds(10));
    TarvoFX::TarvoLog::Instance().SetLogOutput("ANDROID_LOG", false);
    const int nProducers = static_cast<int>(state.range(0));
    std::atomic<long> nExecuted{0};
    std::atomic<long> nRefused{0};
    ThreadedQueue worker(std::make_shared<MessageQueue>(1000));

    for (auto _ : state) {
        std::vector<std::thread> producers;
        for (int nProducer = 0; nProducer < nProducers; ++nProducer) {
            producers.emplace_back([&] {
                long nLocalRefused = 0;
                for (int nIndex = 0; nIndex < kMessagesPerIteration / nProducers; ++nIndex) {
                    nLocalRefused +=
                        EnqueueRetrying(worker, std::make_shared<CountingMessage>(nExecuted));
                }
                nRefused.fetch_add(nLocalRefused, std::memory_order_relaxed);
            });
        }
        for (auto& producer : producers) {
            producer.join();
        }
        EnqueueRetrying(worker, std::make_shared<DrainMarker>());
    }

    worker.Stop();
    TarvoFX::TarvoLog::Instance().SetLogOutput("ANDROID_LOG", true);
    const long nMessages = nExecuted.load();
    if (nMessages !=
        static_cast<long>(state.iterations()) * (kMessagesPerIteration / nProducers * nProducers)) {
        state.SkipWithError("messages were lost");
    }
    state.SetItemsProcessed(nMessages);
    state.counters["refused_per_msg"] =
        benchmark::Counter(static_cast<double>(nRefused.load()) / static_cast<double>(nMessages));
}

BENCHMARK(BM_ThreadedQueueThroughput)
    ->ArgName("producers")
    ->Arg(1)
    ->Arg(4)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
