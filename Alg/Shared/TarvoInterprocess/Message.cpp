#include "TarvoInterprocess/Message.h"

namespace TarvoFX {
namespace TarvoInterprocess {

void SyncMessage::Wait() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_condition.wait(lock, [this] { return m_bSignalled; });
}

void SyncMessage::Signal() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bSignalled = true;
    m_condition.notify_all();
}

bool SyncMessage::IsSignalled() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bSignalled;
}

}  // namespace TarvoInterprocess
}  // namespace TarvoFX
