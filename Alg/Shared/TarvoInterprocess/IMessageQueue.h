// A bounded, blocking, thread-safe queue of messages.
#pragma once

#include <memory>

#include "TarvoInterprocess/Message.h"

namespace TarvoFX {
namespace TarvoInterprocess {

class IMessageQueue {
public:
    // Requests of 1000 or more, and negative ones, give the largest capacity,
    // 1000. Capacity 0 refuses every enqueue made with the capacity check.
    enum { MAX_CAPACITY = 1000 };

    explicit IMessageQueue(int nCapacity)
        : m_nCapacity(static_cast<unsigned>(nCapacity) >= MAX_CAPACITY ? MAX_CAPACITY : nCapacity) {
    }
    virtual ~IMessageQueue() = default;

    IMessageQueue(const IMessageQueue&) = delete;
    IMessageQueue& operator=(const IMessageQueue&) = delete;

    // Enqueue with the capacity check.
    virtual bool Enqueue(std::shared_ptr<Message> pMessage) {
        return Enqueue(std::move(pMessage), true);
    }
    // Blocks while the queue is empty.
    virtual std::shared_ptr<Message> Dequeue() = 0;
    // Discards everything queued without executing it; waiting producers of
    // synchronous messages are woken.
    virtual void Clear() = 0;
    virtual int GetSize() const = 0;
    virtual int GetCapacity() const { return m_nCapacity; }
    // With bCheckFull off the queue grows without bound (stop and flush markers).
    virtual bool Enqueue(std::shared_ptr<Message> pMessage, bool bCheckFull) = 0;
    // The front message if one is queued, else null at once. A queue that
    // cannot tell without blocking may always answer null; its consumer then
    // treats every Dequeue as one that may wait.
    virtual std::shared_ptr<Message> TryDequeue() { return nullptr; }

protected:
    int m_nCapacity;
};

}  // namespace TarvoInterprocess
}  // namespace TarvoFX
