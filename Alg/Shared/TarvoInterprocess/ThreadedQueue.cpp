#include "TarvoInterprocess/ThreadedQueue.h"

#include <system_error>

#include "logging/TarvoLog.h"

namespace TarvoFX {
namespace TarvoInterprocess {

ThreadedQueue::ThreadedQueue(std::shared_ptr<IMessageQueue> pQueue)
    : ThreadedQueue(std::move(pQueue), false) {}

ThreadedQueue::ThreadedQueue(std::shared_ptr<IMessageQueue> pQueue, bool bAbortOnDestroy)
    : ThreadedQueue(std::move(pQueue), bAbortOnDestroy, nullptr) {}

ThreadedQueue::ThreadedQueue(std::shared_ptr<IMessageQueue> pQueue, bool bAbortOnDestroy,
                             std::function<void()> pfnBeforeWait)
    : m_pQueue(std::move(pQueue)),
      m_pfnBeforeWait(std::move(pfnBeforeWait)),
      m_bStopped(false),
      m_bAbortOnDestroy(bAbortOnDestroy) {
    if (!m_pQueue) {
        TARVO_DIRECT_LOGE("ThreadedQueue::ThreadedQueue NULL pQueue");
        m_bStopped = true;
        return;
    }
    try {
        m_thread = std::thread(&ThreadedQueue::Run, this);
    } catch (const std::system_error& error) {
        throw std::system_error(error.code(), "thread constructor failed");
    }
}

ThreadedQueue::~ThreadedQueue() {
    if (m_bAbortOnDestroy) {
        Abort();
    } else {
        Stop();
    }
    m_pQueue.reset();
}

void ThreadedQueue::Run() {
    TARVO_DIRECT_LOGD("ThreadedQueue::Run --->");
    for (;;) {
        std::shared_ptr<Message> pMessage;
        if (m_pfnBeforeWait) {
            pMessage = m_pQueue->TryDequeue();
            if (!pMessage) {
                m_pfnBeforeWait();
            }
        }
        if (!pMessage) {
            pMessage = m_pQueue->Dequeue();
        }
        if (!pMessage) {
            continue;
        }
        pMessage->Execute();
        if (pMessage->GetKind() == Message::KIND_SYNC) {
            if (auto* pSync = dynamic_cast<SyncMessage*>(pMessage.get())) {
                pSync->Signal();
            }
        }
        if (pMessage->GetKind() == Message::KIND_STOP) {
            break;
        }
    }
    if (m_pfnBeforeWait) {
        m_pfnBeforeWait();
    }
    Clear();
    TARVO_DIRECT_LOGD("ThreadedQueue::Run <---");
}

bool ThreadedQueue::Enqueue(std::shared_ptr<Message> pMessage) {
    return Enqueue(std::move(pMessage), true);
}

bool ThreadedQueue::Enqueue(std::shared_ptr<Message> pMessage, bool bCheckFull) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_bStopped || !pMessage) {
        return false;
    }
    return m_pQueue->Enqueue(std::move(pMessage), bCheckFull);
}

void ThreadedQueue::Stop() {
    TARVO_DIRECT_LOGD("ThreadedQueue::Stop --->");
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        if (!m_bStopped) {
            if (!m_pQueue->Enqueue(std::make_shared<StopMessage>(), false)) {
                TARVO_DIRECT_LOGE("Failed enqueue StopMessage");
            }
            m_bStopped = true;
            if (m_thread.joinable()) {
                m_thread.join();
            }
        }
    }
    TARVO_DIRECT_LOGD("ThreadedQueue::Stop <---");
}

void ThreadedQueue::FlushQueue() {
    TARVO_DIRECT_LOGD("ThreadedQueue::FlushQueue");
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (!m_bStopped) {
        Clear();
        if (!m_pQueue->Enqueue(std::make_shared<FlushMessage>(), false)) {
            TARVO_DIRECT_LOGE("Failed enqueue FlushMessage");
        }
    }
}

void ThreadedQueue::Abort() {
    TARVO_DIRECT_LOGD("ThreadedQueue::Abort --->");
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        if (!m_bStopped) {
            FlushQueue();
            Stop();
        }
    }
    TARVO_DIRECT_LOGD("ThreadedQueue::Abort <---");
}

void ThreadedQueue::Clear() {
    TARVO_DIRECT_ENTRY("void TarvoFX::TarvoInterprocess::ThreadedQueue::Clear()");
    if (m_pQueue) {
        m_pQueue->Clear();
    }
}

}  // namespace TarvoInterprocess
}  // namespace TarvoFX
