#include "TarvoInterprocess/MessageQueue.h"

#include "logging/TarvoLog.h"

namespace TarvoFX {
namespace TarvoInterprocess {

namespace {

// The number after nNumber; wraps around instead of overflowing.
int NextSequence(int nNumber) {
    return static_cast<int>(static_cast<unsigned>(nNumber) + 1u);
}

void SignalSyncMessages(const std::deque<std::shared_ptr<Message>>& queue) {
    for (const auto& pMessage : queue) {
        if (pMessage->GetKind() == Message::KIND_SYNC) {
            if (auto* pSync = dynamic_cast<SyncMessage*>(pMessage.get())) {
                pSync->Signal();
            }
        }
    }
}

// The lock is held for a few dozen instructions at a time, by producers and
// by the worker for every message. A thread that finds it taken tries again
// a number of times before it goes to sleep in the kernel, since sleeping
// and being woken cost far more than such a wait.
constexpr int kLockTries = 100;

std::unique_lock<std::mutex> LockBriefly(std::mutex& mutex) {
    for (int nTry = 0; nTry < kLockTries; ++nTry) {
        if (mutex.try_lock()) {
            return std::unique_lock<std::mutex>(mutex, std::adopt_lock);
        }
    }
    return std::unique_lock<std::mutex>(mutex);
}

// Reports a message taken out of the queue, after the lock is released.
std::shared_ptr<Message> Dequeued(std::shared_ptr<Message> pMessage) {
    if (pMessage) {
        TARVO_DIRECT_LOGD("MessageQueue::Dequeue %d", pMessage->GetSequenceNumber());
    }
    return pMessage;
}

}  // namespace

MessageQueue::MessageQueue(int nCapacity)
    : IMessageQueue(nCapacity), m_nSequence(0), m_nLastSequence(0) {}

MessageQueue::~MessageQueue() {
    SignalSyncMessages(m_queue);
}

bool MessageQueue::Enqueue(std::shared_ptr<Message> pMessage, bool bCheckFull) {
    if (!pMessage) {
        TARVO_DIRECT_LOGE("MessageQueue::Enqueue() NULL pMessage");
        return false;
    }
    // A synchronous producer waits below, after the worker may have released
    // its reference: it keeps one of its own.
    std::shared_ptr<Message> pWaitFor =
        pMessage->GetKind() == Message::KIND_SYNC ? pMessage : nullptr;
    {
        std::unique_lock<std::mutex> lock = LockBriefly(m_mutex);
        m_nSequence = NextSequence(m_nSequence);
        const int nNumber = m_nSequence;
        pMessage->AssignSequenceNumber(nNumber);
        if (bCheckFull && static_cast<int>(m_queue.size()) >= GetCapacity()) {
            TARVO_DIRECT_LOGE("MessageQueue::Enqueue() Message Queue full");
            return false;
        }
        if (NextSequence(m_nLastSequence) != nNumber) {
            pMessage->MarkGapBefore();
        }
        m_nLastSequence = nNumber;
        TARVO_DIRECT_LOGD("MessageQueue::Enqueue %d", nNumber);
        m_queue.push_back(std::move(pMessage));
    }
    // Signalled after the lock is released, so that a worker it wakes does
    // not block again at once on the lock the producer still holds.
    m_condition.notify_one();
    if (pWaitFor) {
        if (auto* pSync = dynamic_cast<SyncMessage*>(pWaitFor.get())) {
            pSync->Wait();
        }
    }
    return true;
}

std::shared_ptr<Message> MessageQueue::TakeFront() {
    std::shared_ptr<Message> pMessage = std::move(m_queue.front());
    m_queue.pop_front();
    return pMessage;
}

std::shared_ptr<Message> MessageQueue::Dequeue() {
    std::shared_ptr<Message> pMessage;
    {
        std::unique_lock<std::mutex> lock = LockBriefly(m_mutex);
        m_condition.wait(lock, [this] { return !m_queue.empty(); });
        pMessage = TakeFront();
    }
    return Dequeued(std::move(pMessage));
}

std::shared_ptr<Message> MessageQueue::TryDequeue() {
    std::shared_ptr<Message> pMessage;
    {
        std::unique_lock<std::mutex> lock = LockBriefly(m_mutex);
        if (m_queue.empty()) {
            return nullptr;
        }
        pMessage = TakeFront();
    }
    return Dequeued(std::move(pMessage));
}

void MessageQueue::Clear() {
    TARVO_DIRECT_ENTRY("virtual void TarvoFX::TarvoInterprocess::MessageQueue::Clear()");
    std::deque<std::shared_ptr<Message>> discarded;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        discarded.swap(m_queue);
    }
    // Woken and released outside the lock, so that a message's destructor
    // may use the queue again.
    SignalSyncMessages(discarded);
}

int MessageQueue::GetSize() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_queue.size());
}

}  // namespace TarvoInterprocess
}  // namespace TarvoFX
