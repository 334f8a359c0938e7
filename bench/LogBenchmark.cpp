// Cost of logging, in three shapes, for the log of this project and, when
// built with it, for spdlog set up the same way:
//   SuppressedDebug  a debug call below the tag's level (nothing is formatted)
//   InfoToPlatform   an info record to the platform log (liblog's logger is
//                    replaced by one that drops the record, so no device I/O)
//   FileLines        lines to a file, written by a worker thread behind a
//                    queue of 1000, every accepted line in the file (written
//                    and flushed) before the worker waits for more; each
//                    iteration queues a batch below the capacity and waits
//                    until the worker has written it, so the rate is end to
//                    end. Both write the same line: time, process, thread,
//                    level, tag, message.
//
// The two libraries are compared in one run, their repetitions interleaved,
// since the machines are noisy:
//   log_benchmark --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true
#include <android/log.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "logging/FileLogOutput.h"
#include "logging/TarvoLog.h"
#include "logging/TarvoLogImpl.h"

#ifdef VELTRA_BENCH_SPDLOG
#include <spdlog/async.h>
#include <spdlog/sinks/base_sink.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include <mutex>
#include <thread>
#endif

using TarvoFX::TarvoLog;

namespace {

constexpr int kBatch = 500;
const char* const kTag = "TARVO_LOG_FXModule";

void DropRecord(const struct __android_logger_data*, const char*) {}

// Every platform-log record goes all the way through liblog to a logger
// that drops it.
void SilencePlatformLog() {
    __android_log_set_minimum_priority(ANDROID_LOG_VERBOSE);
    __android_log_set_logger(DropRecord);
}

std::string TempPath(const char* szName) {
    const char* szBase = getenv("TMPDIR");
    return std::string(szBase != nullptr ? szBase : "/tmp") + "/" + szName + "." +
           std::to_string(getpid()) + ".log";
}

TarvoLog& ReadyLog() {
    TarvoLog& log = TarvoLog::Instance();
    log.m_pImpl->WaitForInit(std::chrono::seconds(10));
    SilencePlatformLog();
    return log;
}

void BM_Tarvo_SuppressedDebug(benchmark::State& state) {
    ReadyLog();
    int nValue = 0;
    for (auto _ : state) {
        TARVO_LOGD("value %d", nValue);
        benchmark::DoNotOptimize(++nValue);
    }
}
BENCHMARK(BM_Tarvo_SuppressedDebug);

void BM_Tarvo_InfoToPlatform(benchmark::State& state) {
    ReadyLog();
    int nValue = 0;
    for (auto _ : state) {
        TARVO_LOGI("value %d", ++nValue);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Tarvo_InfoToPlatform);

void BM_Tarvo_FileLines(benchmark::State& state) {
    TarvoLog& log = ReadyLog();
    const std::string strPath = TempPath("tarvo_bench");
    log.SetLogOutput("ANDROID_LOG", false);
    log.SetLogOutput(("FILE_LOG://" + strPath).c_str(), true);
    auto pFile = std::dynamic_pointer_cast<TarvoFX::FileLogOutput>(log.m_pImpl->GetOutput(4));
    int nValue = 0;
    for (auto _ : state) {
        for (int nLine = 0; nLine < kBatch; ++nLine) {
            TARVO_LOGI("value %d", ++nValue);
        }
        pFile->WaitUntilWritten();
    }
    log.SetLogOutput("FILE_LOG", false);
    log.SetLogOutput("ANDROID_LOG", true);
    pFile->WaitUntilWritten();
    std::remove(strPath.c_str());
    state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_Tarvo_FileLines)->UseRealTime();

#ifdef VELTRA_BENCH_SPDLOG

// The platform log as an spdlog sink: the message alone, at the priority of
// its level.
class PlatformLogSink : public spdlog::sinks::base_sink<std::mutex> {
protected:
    void sink_it_(const spdlog::details::log_msg& msg) override {
        static const int s_anPriorities[] = {ANDROID_LOG_VERBOSE, ANDROID_LOG_DEBUG,
                                             ANDROID_LOG_INFO,    ANDROID_LOG_WARN,
                                             ANDROID_LOG_ERROR,   ANDROID_LOG_FATAL};
        const std::string strTag(msg.logger_name.begin(), msg.logger_name.end());
        const std::string strText(msg.payload.begin(), msg.payload.end());
        const int nLevel = static_cast<int>(msg.level);
        __android_log_print(nLevel < 6 ? s_anPriorities[nLevel] : ANDROID_LOG_FATAL, strTag.c_str(),
                            "%s", strText.c_str());
    }
    void flush_() override {}
};

// A file sink that counts the lines it has flushed, so that the benchmark
// can wait for the worker to catch up.
class CountingFileSink : public spdlog::sinks::sink {
public:
    explicit CountingFileSink(const std::string& strPath)
        : m_pFile(std::make_shared<spdlog::sinks::basic_file_sink_mt>(strPath, true)) {}
    void log(const spdlog::details::log_msg& msg) override { m_pFile->log(msg); }
    void flush() override {
        m_pFile->flush();
        m_nFlushed.fetch_add(1, std::memory_order_release);
    }
    void set_pattern(const std::string& strPattern) override { m_pFile->set_pattern(strPattern); }
    void set_formatter(std::unique_ptr<spdlog::formatter> pFormatter) override {
        m_pFile->set_formatter(std::move(pFormatter));
    }
    long Flushed() const { return m_nFlushed.load(std::memory_order_acquire); }

private:
    std::shared_ptr<spdlog::sinks::basic_file_sink_mt> m_pFile;
    std::atomic<long> m_nFlushed{0};
};

void BM_Spdlog_SuppressedDebug(benchmark::State& state) {
    auto pLogger = std::make_shared<spdlog::logger>(kTag, std::make_shared<PlatformLogSink>());
    pLogger->set_level(spdlog::level::info);
    int nValue = 0;
    for (auto _ : state) {
        pLogger->debug("value {}", nValue);
        benchmark::DoNotOptimize(++nValue);
    }
}
BENCHMARK(BM_Spdlog_SuppressedDebug);

void BM_Spdlog_InfoToPlatform(benchmark::State& state) {
    SilencePlatformLog();
    auto pLogger = std::make_shared<spdlog::logger>(kTag, std::make_shared<PlatformLogSink>());
    pLogger->set_level(spdlog::level::info);
    int nValue = 0;
    for (auto _ : state) {
        pLogger->info("value {}", ++nValue);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Spdlog_InfoToPlatform);

// spdlog's asynchronous logger, as the file output never makes the logging
// thread wait for the disk: a queue of 1000 and one worker thread. spdlog
// has no setting that flushes when its worker runs out of work; the one that
// puts every accepted line in the file before the worker waits is
// flush_on(trace), a flush after each line. With batches below the queue's
// capacity the overflow policy never comes into play.
void BM_Spdlog_FileLines(benchmark::State& state) {
    const std::string strPath = TempPath("spdlog_bench");
    auto pPool = std::make_shared<spdlog::details::thread_pool>(1000, 1);
    auto pSink = std::make_shared<CountingFileSink>(strPath);
    auto pLogger = std::make_shared<spdlog::async_logger>(kTag, pSink, pPool,
                                                          spdlog::async_overflow_policy::block);
    // The same line as the file output: time, process, thread, level, tag, text.
    pLogger->set_pattern("%m-%d %H:%M:%S:%e %P %t %l: %n %v");
    pLogger->set_level(spdlog::level::info);
    pLogger->flush_on(spdlog::level::trace);
    int nValue = 0;
    long nExpected = 0;
    for (auto _ : state) {
        for (int nLine = 0; nLine < kBatch; ++nLine) {
            pLogger->info("value {}", ++nValue);
        }
        nExpected += kBatch;
        while (pSink->Flushed() < nExpected) {
            std::this_thread::yield();
        }
    }
    pLogger.reset();
    pPool.reset();
    std::remove(strPath.c_str());
    state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_Spdlog_FileLines)->UseRealTime();

#endif  // VELTRA_BENCH_SPDLOG

}  // namespace

BENCHMARK_MAIN();
