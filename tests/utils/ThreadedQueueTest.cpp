#include <android/log.h>
#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "TarvoInterprocess/MessageQueue.h"
#include "TarvoInterprocess/ThreadedQueue.h"
#include "logging/TarvoLog.h"
#include "utils/LogRecordsTest.h"
#include "utils/QueueTestSupport.h"

using TarvoFX::TarvoInterprocess::Message;
using TarvoFX::TarvoInterprocess::MessageQueue;
using TarvoFX::TarvoInterprocess::StopMessage;
using TarvoFX::TarvoInterprocess::ThreadedQueue;
using namespace TestSupport;

namespace {

class ThreadedQueueTest : public LogRecordsTest {
protected:
    std::shared_ptr<Message> Plain(int nId) {
        return std::make_shared<RecordingMessage>(recorder, nId);
    }
    std::shared_ptr<Message> Blocking(int nId) {
        return std::make_shared<BlockingMessage>(recorder, nId, started, release);
    }
    // A queue whose first Clear lets the held worker go on.
    std::shared_ptr<ClearHookQueue> ReleasingOnClear() {
        return std::make_shared<ClearHookQueue>(100, [this] { release.Open(); });
    }

    Recorder recorder;
    Gate started;
    Gate release;
};

TEST_F(ThreadedQueueTest, FullQueueRefusesAndTheNextAcceptedMessageCarriesTheGap) {
    auto pQueue = std::make_shared<MessageQueue>(2);
    auto pFirst = Blocking(1);
    auto pSecond = Plain(2);
    auto pThird = Plain(3);
    auto pFourth = Plain(4);
    ASSERT_TRUE(pQueue->Enqueue(pFirst));
    ASSERT_TRUE(pQueue->Enqueue(pSecond));
    EXPECT_FALSE(pQueue->Enqueue(pThird));
    EXPECT_EQ(3, pThird->GetSequenceNumber());
    std::vector<LogRecord> records = capture.Records();
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ(ANDROID_LOG_ERROR, records[1].nPriority);
    EXPECT_EQ("MessageQueue::Enqueue() Message Queue full", records[1].strMessage);

    ThreadedQueue worker(pQueue);
    ASSERT_TRUE(started.Wait());  // the worker took the first message and is held in it
    EXPECT_EQ(1, pQueue->GetSize());
    EXPECT_TRUE(worker.Enqueue(pFourth));
    EXPECT_EQ(4, pFourth->GetSequenceNumber());
    EXPECT_TRUE(pFourth->HasGapBefore());
    EXPECT_FALSE(pFirst->HasGapBefore());
    EXPECT_FALSE(pSecond->HasGapBefore());

    release.Open();
    worker.Stop();
    EXPECT_EQ((std::vector<int>{1, 2, 4}), recorder.Ids());
}

TEST_F(ThreadedQueueTest, StopExecutesEverythingQueuedInOrder) {
    EnableDebugRecords();
    auto pQueue = std::make_shared<MessageQueue>(10);
    ThreadedQueue worker(pQueue);
    ASSERT_TRUE(worker.Enqueue(Blocking(0)));
    ASSERT_TRUE(started.Wait());
    for (int nId = 1; nId <= 3; ++nId) {
        ASSERT_TRUE(worker.Enqueue(Plain(nId)));
    }
    EXPECT_EQ(3, pQueue->GetSize());
    release.Open();
    worker.Stop();
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), recorder.Ids());

    // The worker starts and ends inside the Stop records.
    std::vector<std::string> vecDebug = capture.Messages(ANDROID_LOG_DEBUG);
    auto position = [&](const std::string& strText) {
        return std::find(vecDebug.begin(), vecDebug.end(), strText) - vecDebug.begin();
    };
    EXPECT_LT(position("ThreadedQueue::Run --->"), position("MessageQueue::Dequeue 1"));
    EXPECT_LT(position("ThreadedQueue::Stop --->"), position("ThreadedQueue::Run <---"));
    EXPECT_LT(position("ThreadedQueue::Run <---"), position("ThreadedQueue::Stop <---"));
    EXPECT_EQ(vecDebug.size() - 1, static_cast<size_t>(position("ThreadedQueue::Stop <---")));
}

TEST_F(ThreadedQueueTest, NothingIsExecutedAfterStop) {
    auto pQueue = std::make_shared<MessageQueue>(10);
    ThreadedQueue worker(pQueue);
    worker.Stop();
    auto pLate = Plain(1);
    EXPECT_FALSE(worker.Enqueue(pLate));
    EXPECT_FALSE(pLate->IsSequenced());
    // Every operation of a stopped queue returns at once.
    worker.Stop();
    worker.FlushQueue();
    worker.Abort();
    EXPECT_EQ(0, pQueue->GetSize());
    EXPECT_TRUE(recorder.Ids().empty());
}

TEST_F(ThreadedQueueTest, NullMessageIsRefused) {
    ThreadedQueue worker(std::make_shared<MessageQueue>(10));
    EXPECT_FALSE(worker.Enqueue(nullptr));
}

TEST_F(ThreadedQueueTest, AbortExecutesOnlyTheRunningMessage) {
    EnableDebugRecords();
    auto pQueue = ReleasingOnClear();
    ThreadedQueue worker(pQueue);
    ASSERT_TRUE(worker.Enqueue(Blocking(0)));
    ASSERT_TRUE(started.Wait());
    for (int nId = 1; nId <= 3; ++nId) {
        ASSERT_TRUE(worker.Enqueue(Plain(nId)));
    }
    worker.Abort();
    // The held message finished (its id is recorded) before Abort returned.
    EXPECT_EQ((std::vector<int>{0}), recorder.Ids());
    EXPECT_FALSE(worker.Enqueue(Plain(4)));
    EXPECT_EQ(0, pQueue->GetSize());

    std::vector<std::string> vecDebug = capture.Messages(ANDROID_LOG_DEBUG);
    ASSERT_GE(vecDebug.size(), 2u);
    EXPECT_EQ("ThreadedQueue::Abort <---", vecDebug.back());
    EXPECT_TRUE(capture.Contains("ThreadedQueue::Abort --->"));
    EXPECT_TRUE(capture.Contains("ThreadedQueue::FlushQueue"));
    EXPECT_TRUE(capture.Contains(
        "Entering function void TarvoFX::TarvoInterprocess::ThreadedQueue::Clear()"));
}

TEST_F(ThreadedQueueTest, FlushQueueReturnsAfterTheRunningMessageAndDropsTheRest) {
    auto pQueue = ReleasingOnClear();
    ThreadedQueue worker(pQueue);
    ASSERT_TRUE(worker.Enqueue(Blocking(0)));
    ASSERT_TRUE(started.Wait());
    ASSERT_TRUE(worker.Enqueue(Plain(1)));
    ASSERT_TRUE(worker.Enqueue(Plain(2)));
    worker.FlushQueue();
    EXPECT_EQ((std::vector<int>{0}), recorder.Ids());

    // Still running afterwards.
    ASSERT_TRUE(worker.Enqueue(Plain(3)));
    worker.Stop();
    EXPECT_EQ((std::vector<int>{0, 3}), recorder.Ids());
}

TEST_F(ThreadedQueueTest, SyncEnqueueReturnsAfterExecution) {
    ThreadedQueue worker(std::make_shared<MessageQueue>(10));
    std::vector<std::thread> producers;
    for (int nId = 1; nId <= 2; ++nId) {
        producers.emplace_back([&, nId] {
            auto pSync = std::make_shared<RecordingSyncMessage>(recorder, nId);
            EXPECT_TRUE(worker.Enqueue(pSync));
            EXPECT_TRUE(pSync->IsSignalled());
            std::vector<int> vecIds = recorder.Ids();
            EXPECT_NE(vecIds.end(), std::find(vecIds.begin(), vecIds.end(), nId));
        });
    }
    for (auto& producer : producers) {
        producer.join();
    }
    worker.Stop();
    EXPECT_EQ(2u, recorder.Ids().size());
}

TEST_F(ThreadedQueueTest, ClearWakesSyncProducerWithoutExecution) {
    auto pQueue = std::make_shared<MessageQueue>(10);
    ThreadedQueue worker(pQueue);
    ASSERT_TRUE(worker.Enqueue(Blocking(0)));
    ASSERT_TRUE(started.Wait());
    auto pSync = std::make_shared<RecordingSyncMessage>(recorder, 1);
    bool bEnqueued = false;
    // Straight into the queue: the worker's own Enqueue would hold its lock
    // while the producer waits.
    std::thread producer([&] { bEnqueued = pQueue->Enqueue(pSync); });
    ASSERT_TRUE(WaitUntil([&] { return pQueue->GetSize() == 1; }));
    worker.Clear();
    producer.join();
    EXPECT_TRUE(bEnqueued);
    EXPECT_TRUE(pSync->IsSignalled());

    release.Open();
    worker.Stop();
    EXPECT_EQ((std::vector<int>{0}), recorder.Ids());
}

TEST_F(ThreadedQueueTest, MessagesBehindTheStopMarkerAreReleasedNotExecuted) {
    auto pQueue = std::make_shared<MessageQueue>(10);
    ThreadedQueue worker(pQueue);
    ASSERT_TRUE(worker.Enqueue(Blocking(0)));
    ASSERT_TRUE(started.Wait());
    ASSERT_TRUE(pQueue->Enqueue(std::make_shared<StopMessage>(), false));
    auto pPlain = Plain(1);
    ASSERT_TRUE(pQueue->Enqueue(pPlain));
    auto pSync = std::make_shared<RecordingSyncMessage>(recorder, 2);
    bool bEnqueued = false;
    std::thread producer([&] { bEnqueued = pQueue->Enqueue(pSync); });
    ASSERT_TRUE(WaitUntil([&] { return pQueue->GetSize() == 3; }));
    release.Open();
    producer.join();  // woken by the worker's final Clear
    EXPECT_TRUE(bEnqueued);
    worker.Stop();
    EXPECT_EQ((std::vector<int>{0}), recorder.Ids());
    EXPECT_EQ(1, pPlain.use_count());
}

TEST_F(ThreadedQueueTest, DestructorStopsOrAbortsAsAsked) {
    {
        ThreadedQueue worker(std::make_shared<MessageQueue>(10));
        ASSERT_TRUE(worker.Enqueue(Blocking(0)));
        ASSERT_TRUE(started.Wait());
        ASSERT_TRUE(worker.Enqueue(Plain(1)));
        release.Open();
    }
    EXPECT_EQ((std::vector<int>{0, 1}), recorder.Ids());

    Recorder aborted;
    Gate abortStarted;
    Gate abortRelease;
    {
        auto pQueue =
            std::make_shared<ClearHookQueue>(10, [&abortRelease] { abortRelease.Open(); });
        ThreadedQueue worker(pQueue, true);
        ASSERT_TRUE(worker.Enqueue(
            std::make_shared<BlockingMessage>(aborted, 0, abortStarted, abortRelease)));
        ASSERT_TRUE(abortStarted.Wait());
        ASSERT_TRUE(worker.Enqueue(std::make_shared<RecordingMessage>(aborted, 1)));
    }
    EXPECT_EQ((std::vector<int>{0}), aborted.Ids());
}

TEST_F(ThreadedQueueTest, ManyProducersAllGetExecuted) {
    constexpr int kProducers = 4;
    constexpr int kPerProducer = 200;
    ThreadedQueue worker(std::make_shared<MessageQueue>(1000));
    std::vector<std::thread> producers;
    for (int nProducer = 0; nProducer < kProducers; ++nProducer) {
        producers.emplace_back([&, nProducer] {
            for (int nIndex = 0; nIndex < kPerProducer; ++nIndex) {
                EXPECT_TRUE(worker.Enqueue(Plain(nProducer * kPerProducer + nIndex)));
            }
        });
    }
    for (auto& producer : producers) {
        producer.join();
    }
    worker.Stop();
    std::vector<int> vecIds = recorder.Ids();
    ASSERT_EQ(static_cast<size_t>(kProducers * kPerProducer), vecIds.size());
    // Each producer's messages run in the order it sent them.
    std::vector<int> vecNext(kProducers, 0);
    for (int nId : vecIds) {
        int nProducer = nId / kPerProducer;
        EXPECT_EQ(vecNext[nProducer]++, nId % kPerProducer);
    }
}

// The hook runs whenever the worker finds nothing queued, before it waits,
// and once as it ends; never between messages that were waiting together.
TEST_F(ThreadedQueueTest, BeforeWaitRunsOnlyWhenTheQueueIsEmptyAndAtTheEnd) {
    constexpr int kHook = -1;
    ThreadedQueue worker(std::make_shared<MessageQueue>(10), false,
                         [this] { recorder.Add(kHook); });
    ASSERT_TRUE(WaitUntil([&] { return recorder.Ids() == std::vector<int>{kHook}; }));
    ASSERT_TRUE(worker.Enqueue(Blocking(0)));
    ASSERT_TRUE(started.Wait());
    ASSERT_TRUE(worker.Enqueue(Plain(1)));
    ASSERT_TRUE(worker.Enqueue(Plain(2)));
    release.Open();
    ASSERT_TRUE(WaitUntil([&] { return recorder.Ids().size() == 5; }));
    EXPECT_EQ((std::vector<int>{kHook, 0, 1, 2, kHook}), recorder.Ids());
    worker.Stop();
    EXPECT_EQ((std::vector<int>{kHook, 0, 1, 2, kHook, kHook}), recorder.Ids());
}

TEST_F(ThreadedQueueTest, NullQueueGivesAStoppedObject) {
    ThreadedQueue worker(nullptr);
    EXPECT_FALSE(worker.Enqueue(Plain(1)));
    worker.FlushQueue();
    worker.Clear();
    std::vector<LogRecord> records = capture.Records();
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ("ThreadedQueue::ThreadedQueue NULL pQueue", records[1].strMessage);
}

TEST_F(ThreadedQueueTest, WorkerStartFailureThrowsSystemError) {
    TarvoFX::TarvoLog::Instance();  // any threads of the log object start first
    pthread_attr_t defaults;
    ASSERT_EQ(0, pthread_getattr_default_np(&defaults));
    pthread_attr_t huge;
    ASSERT_EQ(0, pthread_attr_init(&huge));
    // A stack no address space can hold makes every new thread fail: 64 TiB
    // on 64-bit targets, 3 GiB of the 4 GiB on 32-bit ones.
    const uint64_t nHuge = sizeof(void*) >= 8 ? uint64_t{1} << 46 : uint64_t{3} << 30;
    ASSERT_EQ(0, pthread_attr_setstacksize(&huge, static_cast<size_t>(nHuge)));
    ASSERT_EQ(0, pthread_setattr_default_np(&huge));

    bool bThrown = false;
    try {
        ThreadedQueue worker(std::make_shared<MessageQueue>(10));
    } catch (const std::system_error& error) {
        bThrown = true;
        EXPECT_EQ(0, std::string(error.what()).rfind("thread constructor failed", 0))
            << error.what();
    }
    EXPECT_EQ(0, pthread_setattr_default_np(&defaults));
    pthread_attr_destroy(&huge);
    pthread_attr_destroy(&defaults);
    EXPECT_TRUE(bThrown);
}

}  // namespace
