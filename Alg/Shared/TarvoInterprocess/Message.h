// Messages carried by a MessageQueue and executed by a ThreadedQueue worker.
#pragma once

#include <condition_variable>
#include <mutex>

namespace TarvoFX {
namespace TarvoInterprocess {

// Base of all messages. The queue numbers every message it is offered and
// marks the first one accepted after a refusal with the gap flag.
class Message {
public:
    enum Kind { KIND_PLAIN = 0, KIND_SYNC = 1, KIND_STOP = 2 };

    Message() : Message(KIND_PLAIN) {}
    virtual ~Message() = default;

    Message(const Message&) = delete;
    Message& operator=(const Message&) = delete;

    // Runs on the worker thread.
    virtual void Execute() = 0;

    int GetSequenceNumber() const { return m_nSequenceNumber; }
    bool IsSequenced() const { return m_bSequenced; }
    bool HasGapBefore() const { return m_bGapBefore; }
    int GetKind() const { return m_nKind; }

    // Called by the queue, under its lock, when the message is offered.
    void AssignSequenceNumber(int nNumber) {
        m_nSequenceNumber = nNumber;
        m_bSequenced = true;
    }
    void MarkGapBefore() { m_bGapBefore = true; }

protected:
    explicit Message(int nKind)
        : m_nSequenceNumber(0), m_bSequenced(false), m_bGapBefore(false), m_nKind(nKind) {}

private:
    int m_nSequenceNumber;
    bool m_bSequenced;
    bool m_bGapBefore;
    int m_nKind;
};

// A message whose producer waits in Enqueue until the worker has executed it
// (or Clear has discarded it). The wake-up is a flag guarded by the mutex, so
// a Signal that comes before Wait is not lost, no lock is held between
// construction and Wait, and a message that is refused or never enqueued is
// destroyed with its mutex unlocked. Any thread may create and enqueue it.
class SyncMessage : public Message {
public:
    SyncMessage() : Message(KIND_SYNC), m_bSignalled(false) {}

    // Blocks until Signal has been called; returns at once if it already was.
    void Wait();
    // Wakes the producer. Safe to call more than once.
    void Signal();
    bool IsSignalled();

private:
    std::mutex m_mutex;
    std::condition_variable m_condition;
    bool m_bSignalled;
};

// Marks a point in the queue: executing it does nothing, its producer wakes
// once the worker has reached it.
class FlushMessage : public SyncMessage {
public:
    void Execute() override {}
};

// Ends the worker's loop.
class StopMessage : public Message {
public:
    StopMessage() : Message(KIND_STOP) {}
    void Execute() override {}
};

}  // namespace TarvoInterprocess
}  // namespace TarvoFX
