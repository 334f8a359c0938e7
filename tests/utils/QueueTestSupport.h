// Messages and helpers for the queue tests: a gate the worker can be held on,
// a recorder of what was executed, and a bounded wait on a condition.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "TarvoInterprocess/MessageQueue.h"

namespace TestSupport {

using namespace std::chrono_literals;

// Upper bound for every wait in the queue tests; reaching it is a failure.
constexpr std::chrono::seconds kWaitBound = 10s;

// Waits until pred() holds, or the bound passes; returns the last pred().
template <typename Pred>
bool WaitUntil(Pred pred) {
    auto deadline = std::chrono::steady_clock::now() + kWaitBound;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return pred();
        }
        std::this_thread::yield();
    }
    return true;
}

// A one-shot latch.
class Gate {
public:
    void Open() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bOpen = true;
        m_condition.notify_all();
    }
    // True when opened within the bound.
    bool Wait() {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_condition.wait_for(lock, kWaitBound, [this] { return m_bOpen; });
    }
    bool IsOpen() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_bOpen;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_condition;
    bool m_bOpen = false;
};

// The ids of executed messages, in execution order.
class Recorder {
public:
    void Add(int nId) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_vecIds.push_back(nId);
    }
    std::vector<int> Ids() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_vecIds;
    }

private:
    std::mutex m_mutex;
    std::vector<int> m_vecIds;
};

// A plain or synchronous message that records its id when executed.
template <typename Base>
class Recording : public Base {
public:
    Recording(Recorder& recorder, int nId) : m_recorder(recorder), m_nId(nId) {}
    void Execute() override { m_recorder.Add(m_nId); }

private:
    Recorder& m_recorder;
    int m_nId;
};

using RecordingMessage = Recording<TarvoFX::TarvoInterprocess::Message>;
using RecordingSyncMessage = Recording<TarvoFX::TarvoInterprocess::SyncMessage>;

// Holds the worker: opens `started`, waits for `release`, then records its id.
class BlockingMessage : public TarvoFX::TarvoInterprocess::Message {
public:
    BlockingMessage(Recorder& recorder, int nId, Gate& started, Gate& release)
        : m_recorder(recorder), m_nId(nId), m_started(started), m_release(release) {}
    void Execute() override {
        m_started.Open();
        if (m_release.Wait()) {
            m_recorder.Add(m_nId);
        }
    }

private:
    Recorder& m_recorder;
    int m_nId;
    Gate& m_started;
    Gate& m_release;
};

// A MessageQueue that calls a hook after every Clear, so that a test can act
// at the moment a ThreadedQueue discards its messages.
class ClearHookQueue : public TarvoFX::TarvoInterprocess::IMessageQueue {
public:
    ClearHookQueue(int nCapacity, std::function<void()> onClear)
        : IMessageQueue(nCapacity), m_queue(nCapacity), m_onClear(std::move(onClear)) {}

    using IMessageQueue::Enqueue;
    bool Enqueue(std::shared_ptr<TarvoFX::TarvoInterprocess::Message> pMessage,
                 bool bCheckFull) override {
        return m_queue.Enqueue(std::move(pMessage), bCheckFull);
    }
    std::shared_ptr<TarvoFX::TarvoInterprocess::Message> Dequeue() override {
        return m_queue.Dequeue();
    }
    void Clear() override {
        m_queue.Clear();
        m_onClear();
    }
    int GetSize() const override { return m_queue.GetSize(); }

private:
    TarvoFX::TarvoInterprocess::MessageQueue m_queue;
    std::function<void()> m_onClear;
};

}  // namespace TestSupport
