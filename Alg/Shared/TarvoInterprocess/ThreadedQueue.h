// One worker thread that executes the messages of a queue in order.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "TarvoInterprocess/IMessageQueue.h"

namespace TarvoFX {
namespace TarvoInterprocess {

// Runs from construction until Stop (or Abort); there is no restart. The
// operations are serialised by a recursive mutex, which the worker never
// takes: Stop holds it while joining the worker and Enqueue while a
// synchronous message is waited on. Records go through LogDirect only.
class ThreadedQueue {
public:
    // Throws std::system_error ("thread constructor failed") when the worker
    // cannot be started. A null queue gives an object that is stopped from
    // the start.
    explicit ThreadedQueue(std::shared_ptr<IMessageQueue> pQueue);
    ThreadedQueue(std::shared_ptr<IMessageQueue> pQueue, bool bAbortOnDestroy);
    // pfnBeforeWait runs on the worker whenever it finds the queue empty,
    // before it waits for the next message, and once more when it ends: the
    // place to finish what the messages executed so far have left pending.
    ThreadedQueue(std::shared_ptr<IMessageQueue> pQueue, bool bAbortOnDestroy,
                  std::function<void()> pfnBeforeWait);
    // Abort if bAbortOnDestroy was given, else Stop.
    ~ThreadedQueue();

    ThreadedQueue(const ThreadedQueue&) = delete;
    ThreadedQueue& operator=(const ThreadedQueue&) = delete;

    // False once stopped or for a null message; otherwise the queue's
    // Enqueue with the capacity check (waits for a synchronous message).
    bool Enqueue(std::shared_ptr<Message> pMessage);
    // The same with the capacity check chosen by the caller: messages that
    // must not be lost to a full queue (file opens and closes, markers) pass
    // false.
    bool Enqueue(std::shared_ptr<Message> pMessage, bool bCheckFull);
    // Executes everything queued so far, then ends the worker.
    void Stop();
    // Discards what is queued and returns once the message being executed,
    // if any, has finished.
    void FlushQueue();
    // FlushQueue, then Stop: only the running message completes.
    void Abort();
    // Discards what is queued.
    void Clear();

private:
    void Run();

    std::thread m_thread;
    std::shared_ptr<IMessageQueue> m_pQueue;
    std::function<void()> m_pfnBeforeWait;
    std::recursive_mutex m_mutex;
    bool m_bStopped;
    bool m_bAbortOnDestroy;
};

}  // namespace TarvoInterprocess
}  // namespace TarvoFX
