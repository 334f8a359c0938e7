#include <android/log.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "TarvoInterprocess/MessageQueue.h"
#include "logging/TarvoLog.h"
#include "utils/LogRecordsTest.h"
#include "utils/QueueTestSupport.h"

using TarvoFX::TarvoInterprocess::Message;
using TarvoFX::TarvoInterprocess::MessageQueue;
using TarvoFX::TarvoInterprocess::SyncMessage;
using namespace TestSupport;

namespace {

class MessageQueueTest : public LogRecordsTest {
protected:
    // The two error records of one failed call.
    void ExpectError(const std::string& strMessage) {
        EXPECT_EQ(std::vector<std::string>{strMessage},
                  ErrorMessages("Alg/Shared/TarvoInterprocess/MessageQueue.cpp"));
        EXPECT_EQ(2u, capture.Records().size());
    }

    Recorder recorder;
};

TEST_F(MessageQueueTest, CapacityIsClampedToOneThousand) {
    EXPECT_EQ(1000, MessageQueue(-5).GetCapacity());
    EXPECT_EQ(1000, MessageQueue(5000).GetCapacity());
    EXPECT_EQ(1000, MessageQueue(1000).GetCapacity());
    EXPECT_EQ(999, MessageQueue(999).GetCapacity());
    EXPECT_EQ(0, MessageQueue(0).GetCapacity());
}

TEST_F(MessageQueueTest, CapacityZeroRefusesCheckedEnqueuesOnly) {
    MessageQueue queue(0);
    EXPECT_FALSE(queue.Enqueue(std::make_shared<RecordingMessage>(recorder, 1)));
    ExpectError("MessageQueue::Enqueue() Message Queue full");
    EXPECT_TRUE(queue.Enqueue(std::make_shared<RecordingMessage>(recorder, 2), false));
    EXPECT_EQ(1, queue.GetSize());
}

TEST_F(MessageQueueTest, NullMessageIsRefusedWithoutUsingANumber) {
    MessageQueue queue(10);
    EXPECT_FALSE(queue.Enqueue(nullptr));
    ExpectError("MessageQueue::Enqueue() NULL pMessage");

    auto pMessage = std::make_shared<RecordingMessage>(recorder, 1);
    EXPECT_TRUE(queue.Enqueue(pMessage));
    EXPECT_EQ(1, pMessage->GetSequenceNumber());
    EXPECT_FALSE(pMessage->HasGapBefore());
}

TEST_F(MessageQueueTest, MessagesAreNumberedAndDequeuedInOrder) {
    EnableDebugRecords();
    MessageQueue queue(10);
    auto pFirst = std::make_shared<RecordingMessage>(recorder, 1);
    auto pSecond = std::make_shared<RecordingMessage>(recorder, 2);
    EXPECT_FALSE(pFirst->IsSequenced());
    EXPECT_EQ(0, pFirst->GetSequenceNumber());
    ASSERT_TRUE(queue.Enqueue(pFirst));
    ASSERT_TRUE(queue.Enqueue(pSecond));
    EXPECT_TRUE(pFirst->IsSequenced());
    EXPECT_EQ(1, pFirst->GetSequenceNumber());
    EXPECT_EQ(2, pSecond->GetSequenceNumber());
    EXPECT_FALSE(pSecond->HasGapBefore());

    EXPECT_EQ(pFirst, queue.Dequeue());
    EXPECT_EQ(pSecond, queue.Dequeue());
    EXPECT_EQ(0, queue.GetSize());
    EXPECT_TRUE(recorder.Ids().empty());
    EXPECT_EQ((std::vector<std::string>{"MessageQueue::Enqueue 1", "MessageQueue::Enqueue 2",
                                        "MessageQueue::Dequeue 1", "MessageQueue::Dequeue 2"}),
              capture.Messages(ANDROID_LOG_DEBUG));
}

TEST_F(MessageQueueTest, DebugRecordsAreSilentAtTheDefaultLevel) {
    MessageQueue queue(10);
    ASSERT_TRUE(queue.Enqueue(std::make_shared<RecordingMessage>(recorder, 1)));
    queue.Dequeue();
    queue.Clear();
    EXPECT_TRUE(capture.Records().empty());
}

TEST_F(MessageQueueTest, ClearDiscardsWithoutExecutingAndWakesSyncProducers) {
    EnableDebugRecords();
    MessageQueue queue(10);
    ASSERT_TRUE(queue.Enqueue(std::make_shared<RecordingMessage>(recorder, 1)));
    auto pSync = std::make_shared<RecordingSyncMessage>(recorder, 2);
    bool bEnqueued = false;
    std::thread producer([&] { bEnqueued = queue.Enqueue(pSync); });
    ASSERT_TRUE(WaitUntil([&] { return queue.GetSize() == 2; }));
    queue.Clear();
    producer.join();

    EXPECT_TRUE(bEnqueued);
    EXPECT_TRUE(pSync->IsSignalled());
    EXPECT_EQ(0, queue.GetSize());
    EXPECT_TRUE(recorder.Ids().empty());
    EXPECT_TRUE(capture.Contains(
        "Entering function virtual void TarvoFX::TarvoInterprocess::MessageQueue::Clear()"));
}

TEST_F(MessageQueueTest, RefusedSyncMessageIsNotWaitedOnAndHoldsNoLock) {
    MessageQueue queue(0);
    auto pSync = std::make_shared<RecordingSyncMessage>(recorder, 1);
    EXPECT_FALSE(queue.Enqueue(pSync));
    EXPECT_FALSE(pSync->IsSignalled());
    // Released on another thread than the one that created it: with a lock
    // held from construction this would unlock or destroy a mutex owned by
    // another thread.
    std::thread releaser([pMessage = std::move(pSync)]() mutable { pMessage.reset(); });
    releaser.join();
}

TEST_F(MessageQueueTest, RefusedSyncMessageLeavesItsLockFreeForOtherThreads) {
    MessageQueue queue(0);
    auto pSync = std::make_shared<RecordingSyncMessage>(recorder, 1);
    EXPECT_FALSE(queue.Enqueue(pSync));
    // Signal takes the message's lock; a lock kept by the creating thread
    // would block it for good.
    Gate signalled;
    std::thread other([&] {
        pSync->Signal();
        signalled.Open();
    });
    EXPECT_TRUE(signalled.Wait());
    other.join();
    pSync->Wait();
}

TEST_F(MessageQueueTest, SyncMessageNeverEnqueuedIsDestroyedCleanly) {
    auto pSync = std::make_unique<RecordingSyncMessage>(recorder, 1);
    EXPECT_EQ(Message::KIND_SYNC, pSync->GetKind());
    std::thread releaser([&] { pSync.reset(); });
    releaser.join();
    EXPECT_EQ(nullptr, pSync);
}

TEST_F(MessageQueueTest, SyncSignalBeforeWaitIsNotLost) {
    RecordingSyncMessage message(recorder, 1);
    std::thread worker([&] { message.Signal(); });
    worker.join();
    message.Wait();
    EXPECT_TRUE(message.IsSignalled());
}

TEST_F(MessageQueueTest, SyncMessageMayBeEnqueuedByAnotherThreadThanItsCreator) {
    MessageQueue queue(10);
    auto pSync = std::make_shared<RecordingSyncMessage>(recorder, 1);
    bool bEnqueued = false;
    std::thread producer([&] { bEnqueued = queue.Enqueue(pSync); });
    std::shared_ptr<Message> pTaken = queue.Dequeue();
    ASSERT_EQ(pSync, pTaken);
    pTaken->Execute();
    pSync->Signal();
    producer.join();
    EXPECT_TRUE(bEnqueued);
    EXPECT_EQ((std::vector<int>{1}), recorder.Ids());
}

TEST_F(MessageQueueTest, DestructionWakesWaitingSyncProducers) {
    auto pQueue = std::make_unique<MessageQueue>(10);
    auto pPlain = std::make_shared<RecordingMessage>(recorder, 1);
    auto pSync = std::make_shared<RecordingSyncMessage>(recorder, 2);
    ASSERT_TRUE(pQueue->Enqueue(pPlain));
    bool bEnqueued = false;
    std::thread producer(
        [&queue = *pQueue, &pSync, &bEnqueued] { bEnqueued = queue.Enqueue(pSync); });
    ASSERT_TRUE(WaitUntil([&] { return pQueue->GetSize() == 2; }));
    pQueue.reset();
    producer.join();
    EXPECT_TRUE(bEnqueued);
    EXPECT_TRUE(recorder.Ids().empty());
    EXPECT_EQ(1, pPlain.use_count());
}

TEST_F(MessageQueueTest, ConcurrentProducersGetDistinctNumbers) {
    constexpr int kProducers = 4;
    constexpr int kPerProducer = 200;
    MessageQueue queue(1000);
    std::vector<std::shared_ptr<Message>> vecMessages;
    for (int nIndex = 0; nIndex < kProducers * kPerProducer; ++nIndex) {
        vecMessages.push_back(std::make_shared<RecordingMessage>(recorder, nIndex));
    }
    std::vector<std::thread> producers;
    for (int nProducer = 0; nProducer < kProducers; ++nProducer) {
        producers.emplace_back([&, nProducer] {
            for (int nIndex = 0; nIndex < kPerProducer; ++nIndex) {
                EXPECT_TRUE(queue.Enqueue(vecMessages[nProducer * kPerProducer + nIndex]));
            }
        });
    }
    int nLast = 0;
    for (int nIndex = 0; nIndex < kProducers * kPerProducer; ++nIndex) {
        std::shared_ptr<Message> pMessage = queue.Dequeue();
        int nNumber = pMessage->GetSequenceNumber();
        ASSERT_GT(nNumber, nLast);  // queue order is numbering order
        nLast = nNumber;
        EXPECT_FALSE(pMessage->HasGapBefore());
    }
    for (auto& producer : producers) {
        producer.join();
    }
    EXPECT_EQ(kProducers * kPerProducer, nLast);
}

}  // namespace
