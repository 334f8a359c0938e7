#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

#include "TarvoInterprocess/IMessageQueue.h"

namespace TarvoFX {
namespace TarvoInterprocess {

// The queue behind a ThreadedQueue. Every non-null offer consumes a sequence
// number, accepted or not; the first message accepted after a refusal carries
// the gap flag. A synchronous message is waited on inside Enqueue, after the
// lock is released. Records go through LogDirect only: the file log output
// feeds this queue, so logging through it here would re-enter the queue.
class MessageQueue : public IMessageQueue {
public:
    explicit MessageQueue(int nCapacity);
    // Releases what is still queued without executing it; producers still
    // waiting on a synchronous message are woken.
    ~MessageQueue() override;

    using IMessageQueue::Enqueue;
    bool Enqueue(std::shared_ptr<Message> pMessage, bool bCheckFull) override;
    std::shared_ptr<Message> Dequeue() override;
    void Clear() override;
    int GetSize() const override;
    std::shared_ptr<Message> TryDequeue() override;

private:
    // Takes the front message out; the queue must not be empty.
    std::shared_ptr<Message> TakeFront();

    mutable std::mutex m_mutex;
    std::condition_variable m_condition;
    std::deque<std::shared_ptr<Message>> m_queue;
    int m_nSequence;
    int m_nLastSequence;
};

}  // namespace TarvoInterprocess
}  // namespace TarvoFX
