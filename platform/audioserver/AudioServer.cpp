#include "HostPlatform/AudioServer.h"

#include <media/AudioEffect.h>

#include <cstdio>
#include <cstring>

#include "HostPlatform/SimulatedEffect.h"

bool operator==(const effect_uuid_t& a, const effect_uuid_t& b) {
    return std::memcmp(&a, &b, sizeof(a)) == 0;
}

namespace HostPlatform {

namespace {

constexpr int32_t kNoError = 0;
constexpr int32_t kAlreadyExists = -17;
constexpr int32_t kBadValue = -22;

std::string UuidKey(const effect_uuid_t& uuid) {
    return std::string(reinterpret_cast<const char*>(&uuid), sizeof(uuid));
}

std::string HexBytes(const Bytes& bytes, size_t nMax) {
    std::string strOut;
    char szByte[4];
    for (size_t i = 0; i < bytes.size() && i < nMax; ++i) {
        std::snprintf(szByte, sizeof(szByte), i == 0 ? "%02x" : " %02x", bytes[i]);
        strOut += szByte;
    }
    if (bytes.size() > nMax) {
        strOut += " ...";
    }
    return strOut;
}

std::string FormatUuid(const effect_uuid_t& uuid) {
    char szText[40];
    std::snprintf(szText, sizeof(szText), "%08x-%04x-%04x-%04x-%02x%02x%02x%02x%02x%02x",
                  uuid.timeLow, uuid.timeMid, uuid.timeHiAndVersion, uuid.clockSeq, uuid.node[0],
                  uuid.node[1], uuid.node[2], uuid.node[3], uuid.node[4], uuid.node[5]);
    return szText;
}

// The server exists from the moment the library is loaded, so that it is
// destroyed only after every library and object that was loaded or created
// later (and may still hold effect clients) is gone.
struct EagerConstruction {
    EagerConstruction() { AudioServer::Instance(); }
} s_eagerConstruction;

}  // namespace

struct AudioServer::Instance_ {
    effect_uuid_t uuid;
    int32_t nSession;
    android::wp<android::AudioEffect> client;
    std::shared_ptr<SimulatedEffect> engine;
};

const char* CallKindName(CallKind eKind) {
    switch (eKind) {
        case CallKind::Create:
            return "create";
        case CallKind::InitCheck:
            return "initCheck";
        case CallKind::Command:
            return "command";
        case CallKind::SetEnabled:
            return "setEnabled";
        case CallKind::Release:
            return "release";
    }
    return "?";
}

std::string DescribeEntry(const JournalEntry& entry) {
    char szHead[160];
    std::snprintf(szHead, sizeof(szHead), "#%d %s", entry.nInstance, CallKindName(entry.eKind));
    std::string strLine = szHead;
    char szDetail[256];
    switch (entry.eKind) {
        case CallKind::Create:
            std::snprintf(szDetail, sizeof(szDetail), " uuid %s priority %d session %d io %d",
                          FormatUuid(entry.uuid).c_str(), entry.nPriority, entry.nSession,
                          entry.nIO);
            strLine += szDetail;
            break;
        case CallKind::Command:
            std::snprintf(szDetail, sizeof(szDetail), " 0x%05x size %zu", entry.nCode,
                          entry.request.size());
            strLine += szDetail;
            if (!entry.request.empty()) {
                strLine += " [" + HexBytes(entry.request, 32) + "]";
            }
            if (entry.bReplyRequested) {
                std::snprintf(szDetail, sizeof(szDetail), " reply %zu/%u", entry.reply.size(),
                              entry.nReplyCapacity);
                strLine += szDetail;
                if (!entry.reply.empty()) {
                    strLine += " [" + HexBytes(entry.reply, 32) + "]";
                }
            }
            break;
        case CallKind::SetEnabled:
            strLine += entry.bEnable ? " true" : " false";
            break;
        case CallKind::InitCheck:
        case CallKind::Release:
            break;
    }
    std::snprintf(szDetail, sizeof(szDetail), " -> %d", entry.nStatus);
    strLine += szDetail;
    return strLine;
}

AudioServer& AudioServer::Instance() {
    static AudioServer server;
    return server;
}

AudioServer::AudioServer() = default;

AudioServer::~AudioServer() {
    {
        std::lock_guard<std::mutex> lock(m_eventMutex);
        m_bStopEvents = true;
    }
    m_eventCv.notify_all();
    if (m_eventThread.joinable()) {
        m_eventThread.join();
    }
}

// --- Journal ---------------------------------------------------------------

void AudioServer::Record(JournalEntry entry) {
    Observer observer;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        entry.nSerial = ++m_nSerial;
        if (m_nJournalWindow != 0) {
            m_journal.push_back(entry);
            if (m_journal.size() > m_nJournalWindow) {
                m_journal.pop_front();
            }
        }
        observer = m_observer;
    }
    if (observer) {
        observer(entry);
    }
}

void AudioServer::SetJournalWindow(size_t nEntries) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_nJournalWindow = nEntries;
    while (m_journal.size() > m_nJournalWindow) {
        m_journal.pop_front();
    }
}

std::vector<JournalEntry> AudioServer::Journal() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return std::vector<JournalEntry>(m_journal.begin(), m_journal.end());
}

std::vector<JournalEntry> AudioServer::Entries(CallKind eKind) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<JournalEntry> entries;
    for (const JournalEntry& entry : m_journal) {
        if (entry.eKind == eKind) {
            entries.push_back(entry);
        }
    }
    return entries;
}

void AudioServer::ClearJournal() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_journal.clear();
}

void AudioServer::SetObserver(Observer observer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_observer = std::move(observer);
}

// --- Instances -------------------------------------------------------------

size_t AudioServer::LiveInstanceCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_instances.size();
}

std::vector<int32_t> AudioServer::LiveInstances() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<int32_t> ids;
    for (const auto& item : m_instances) {
        ids.push_back(item.first);
    }
    return ids;
}

std::shared_ptr<SimulatedEffect> AudioServer::Effect(int32_t nInstance) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_instances.find(nInstance);
    return it == m_instances.end() ? nullptr : it->second->engine;
}

// --- Faults ----------------------------------------------------------------

void AudioServer::InjectInitStatus(int32_t nStatus, int32_t nSession, int nCount) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_initRules.push_back({nStatus, nSession, nCount});
}

void AudioServer::RefuseCommand(uint32_t nCode, int32_t nStatus, int nCount) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_commandRules.push_back({nStatus, static_cast<int32_t>(nCode), nCount});
}

void AudioServer::InjectEnableStatus(int32_t nStatus, int32_t nSession, int nCount) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_enableRules.push_back({nStatus, nSession, nCount});
}

void AudioServer::ClearFaults() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_initRules.clear();
    m_commandRules.clear();
    m_enableRules.clear();
}

void AudioServer::SetResponder(uint32_t nCode, Responder responder) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (responder) {
        m_responders[nCode] = std::move(responder);
    } else {
        m_responders.erase(nCode);
    }
}

void AudioServer::SetCannedReply(uint32_t nCode, int32_t nStatus, const Bytes& reply) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_cannedReplies[nCode] = {nStatus, reply};
}

void AudioServer::ClearResponders() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_responders.clear();
    m_cannedReplies.clear();
}

void AudioServer::Reset() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_initRules.clear();
    m_commandRules.clear();
    m_enableRules.clear();
    m_responders.clear();
    m_observer = nullptr;
    m_journal.clear();
    m_nJournalWindow = kDefaultJournalWindow;
}

// The first rule that matches the selector (or matches anything when
// bAnyMatches says so for its selector) supplies the status; a counted rule
// is used up after its last match.
bool AudioServer::TakeRule(std::vector<Rule>& rules, int32_t nSelector, bool bAnyMatches,
                           int32_t* pStatus) {
    for (auto it = rules.begin(); it != rules.end(); ++it) {
        bool bMatch = it->nSelector == nSelector || (bAnyMatches && it->nSelector == kAnySession);
        if (!bMatch) {
            continue;
        }
        *pStatus = it->nStatus;
        if (it->nRemaining != kAlways && --it->nRemaining <= 0) {
            rules.erase(it);
        }
        return true;
    }
    return false;
}

// --- Client side -------------------------------------------------------------

AudioServer::CreateResult AudioServer::Connect(const effect_uuid_t* pType,
                                               const effect_uuid_t* pUuid, int32_t nPriority,
                                               int32_t nSession, int32_t nIO) {
    JournalEntry entry;
    entry.eKind = CallKind::Create;
    entry.bTypeGiven = pType != nullptr;
    if (pUuid != nullptr) {
        entry.uuid = *pUuid;
    }
    entry.nPriority = nPriority;
    entry.nSession = nSession;
    entry.nIO = nIO;

    CreateResult result{0, kNoError};
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        result.nInstance = m_nNextInstance++;
        if (pUuid == nullptr) {
            result.nStatus = kBadValue;
        } else {
            TakeRule(m_initRules, nSession, true, &result.nStatus);
        }
        auto pInstance = std::make_unique<Instance_>();
        pInstance->uuid = entry.uuid;
        pInstance->nSession = nSession;
        // Clients that failed to initialise never reach an engine.
        if (result.nStatus == kNoError || result.nStatus == kAlreadyExists) {
            auto key = std::make_pair(UuidKey(entry.uuid), nSession);
            std::shared_ptr<SimulatedEffect> engine = m_engines[key].lock();
            if (!engine) {
                engine = std::make_shared<SimulatedEffect>();
                m_engines[key] = engine;
            }
            pInstance->engine = engine;
        }
        m_instances[result.nInstance] = std::move(pInstance);
    }
    entry.nInstance = result.nInstance;
    entry.nStatus = result.nStatus;
    Record(std::move(entry));
    return result;
}

void AudioServer::AttachClient(int32_t nInstance, android::AudioEffect* pClient) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_instances.find(nInstance);
    if (it != m_instances.end()) {
        it->second->client = pClient;
    }
}

void AudioServer::RecordInitCheck(int32_t nInstance, int32_t nStatus) {
    JournalEntry entry;
    entry.eKind = CallKind::InitCheck;
    entry.nInstance = nInstance;
    entry.nStatus = nStatus;
    Record(std::move(entry));
}

bool AudioServer::AnswerCanned(int32_t nInstance, int32_t nClientStatus, uint32_t nCode,
                               uint32_t* pReplySize, void* pReply, int32_t& nStatus) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_nJournalWindow != 0 || nClientStatus != kNoError) {
        return false;
    }
    auto itCanned = m_cannedReplies.find(nCode);
    if (itCanned == m_cannedReplies.end() || m_instances.count(nInstance) == 0) {
        return false;
    }
    nStatus = itCanned->second.first;
    const Bytes& reply = itCanned->second.second;
    const bool bReplyRequested = pReplySize != nullptr && pReply != nullptr;
    if (nStatus == kNoError && reply.size() > (bReplyRequested ? *pReplySize : 0)) {
        nStatus = kBadValue;
    } else if (nStatus == kNoError && bReplyRequested) {
        if (!reply.empty()) {
            std::memcpy(pReply, reply.data(), reply.size());
        }
        *pReplySize = static_cast<uint32_t>(reply.size());
    }
    return true;
}

int32_t AudioServer::Command(int32_t nInstance, int32_t nClientStatus, uint32_t nCode,
                             uint32_t nSize, const void* pData, uint32_t* pReplySize,
                             void* pReply) {
    int32_t nStatusCanned = kNoError;
    if (AnswerCanned(nInstance, nClientStatus, nCode, pReplySize, pReply, nStatusCanned)) {
        return nStatusCanned;
    }
    JournalEntry entry;
    entry.eKind = CallKind::Command;
    entry.nInstance = nInstance;
    entry.nCode = nCode;
    if (pData != nullptr && nSize > 0) {
        const uint8_t* pBytes = static_cast<const uint8_t*>(pData);
        entry.request.assign(pBytes, pBytes + nSize);
    }
    entry.bReplyRequested = pReplySize != nullptr && pReply != nullptr;
    entry.nReplyCapacity = pReplySize != nullptr ? *pReplySize : 0;

    int32_t nStatus = kNoError;
    std::shared_ptr<SimulatedEffect> engine;
    Responder responder;
    if (nClientStatus != kNoError && nClientStatus != kAlreadyExists) {
        nStatus = nClientStatus;
    } else if (pData == nullptr && nSize > 0) {
        nStatus = kBadValue;
    } else {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_instances.find(nInstance);
        if (it == m_instances.end() || !it->second->engine) {
            nStatus = kBadValue;
        } else if (!TakeRule(m_commandRules, static_cast<int32_t>(nCode), false, &nStatus)) {
            engine = it->second->engine;
            auto itResponder = m_responders.find(nCode);
            if (itResponder != m_responders.end()) {
                responder = itResponder->second;
            }
        }
    }

    if (engine) {
        uint32_t nCapacity = entry.bReplyRequested ? *pReplySize : 0;
        Bytes reply;
        nStatus = responder ? responder(entry.request, nCapacity, reply)
                            : engine->Handle(nCode, entry.request, nCapacity, reply);
        if (nStatus == kNoError && reply.size() > nCapacity) {
            nStatus = kBadValue;
        }
        if (nStatus == kNoError && entry.bReplyRequested) {
            if (!reply.empty()) {
                std::memcpy(pReply, reply.data(), reply.size());
            }
            *pReplySize = static_cast<uint32_t>(reply.size());
            entry.reply = std::move(reply);
        }
    }
    entry.nStatus = nStatus;
    Record(std::move(entry));
    return nStatus;
}

int32_t AudioServer::SetEnabled(int32_t nInstance, int32_t nClientStatus, bool bEnable) {
    JournalEntry entry;
    entry.eKind = CallKind::SetEnabled;
    entry.nInstance = nInstance;
    entry.bEnable = bEnable;

    int32_t nStatus = kNoError;
    std::shared_ptr<SimulatedEffect> engine;
    if (nClientStatus != kNoError) {
        // A client attached to an effect it does not control may not switch it.
        nStatus = nClientStatus == kAlreadyExists ? -38 : nClientStatus;
    } else {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_instances.find(nInstance);
        if (it == m_instances.end() || !it->second->engine) {
            nStatus = kBadValue;
        } else if (!TakeRule(m_enableRules, it->second->nSession, true, &nStatus)) {
            engine = it->second->engine;
        }
    }
    if (engine) {
        engine->SetPlatformEnabled(bEnable);
    }
    entry.nStatus = nStatus;
    Record(std::move(entry));
    return nStatus;
}

void AudioServer::Disconnect(int32_t nInstance) {
    std::unique_ptr<Instance_> pInstance;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_instances.find(nInstance);
        if (it != m_instances.end()) {
            pInstance = std::move(it->second);
            m_instances.erase(it);
        }
    }
    JournalEntry entry;
    entry.eKind = CallKind::Release;
    entry.nInstance = nInstance;
    Record(std::move(entry));
    // The engine and weak reference go here, outside the lock.
}

// --- Events ------------------------------------------------------------------

void AudioServer::PostParameterChanged(int32_t nInstance, const Bytes& param, const Bytes& value,
                                       int32_t nStatus) {
    // effect_param_t: status, psize, vsize, parameter padded to 32 bits, value.
    const size_t nPadded = (param.size() + 3) / 4 * 4;
    Bytes info(sizeof(effect_param_t) + nPadded + value.size(), 0);
    effect_param_t header{nStatus, static_cast<uint32_t>(param.size()),
                          static_cast<uint32_t>(value.size())};
    std::memcpy(info.data(), &header, sizeof(header));
    std::copy(param.begin(), param.end(), info.begin() + sizeof(effect_param_t));
    std::copy(value.begin(), value.end(), info.begin() + sizeof(effect_param_t) + nPadded);
    Post({nInstance, android::AudioEffect::EVENT_PARAMETER_CHANGED, std::move(info)});
}

void AudioServer::PostEnableStatusChanged(int32_t nInstance, bool bEnabled) {
    Post({nInstance, android::AudioEffect::EVENT_ENABLE_STATUS_CHANGED,
          Bytes{static_cast<uint8_t>(bEnabled)}});
}

void AudioServer::PostControlStatusChanged(int32_t nInstance, bool bControlGranted) {
    Post({nInstance, android::AudioEffect::EVENT_CONTROL_STATUS_CHANGED,
          Bytes{static_cast<uint8_t>(bControlGranted)}});
}

void AudioServer::Post(Event event) {
    std::lock_guard<std::mutex> lock(m_eventMutex);
    if (m_bStopEvents) {
        return;
    }
    if (!m_eventThread.joinable()) {
        m_eventThread = std::thread(&AudioServer::EventLoop, this);
    }
    m_events.push_back(std::move(event));
    ++m_nPosted;
    m_eventCv.notify_all();
}

void AudioServer::WaitForEvents() {
    std::unique_lock<std::mutex> lock(m_eventMutex);
    const uint64_t nTarget = m_nPosted;
    m_eventCv.wait(lock, [&] { return m_nDelivered >= nTarget || m_bStopEvents; });
}

void AudioServer::EndEventThread() {
    WaitForEvents();
    std::thread ending;
    {
        std::lock_guard<std::mutex> lock(m_eventMutex);
        m_bStopEvents = true;
        ending = std::move(m_eventThread);
    }
    m_eventCv.notify_all();
    if (ending.joinable()) {
        ending.join();
    }
    std::lock_guard<std::mutex> lock(m_eventMutex);
    m_bStopEvents = false;
}

void AudioServer::EventLoop() {
    std::unique_lock<std::mutex> eventLock(m_eventMutex);
    for (;;) {
        m_eventCv.wait(eventLock, [&] { return m_bStopEvents || !m_events.empty(); });
        if (m_bStopEvents) {
            return;
        }
        Event event = std::move(m_events.front());
        m_events.pop_front();
        eventLock.unlock();

        // Clients are kept alive by promoted strong references for the
        // length of their callbacks, as the platform does.
        std::vector<android::sp<android::AudioEffect>> targets;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (const auto& item : m_instances) {
                if (event.nInstance != kAllInstances && item.first != event.nInstance) {
                    continue;
                }
                android::sp<android::AudioEffect> pClient = item.second->client.promote();
                if (pClient != nullptr) {
                    targets.push_back(pClient);
                }
            }
        }
        for (const auto& pClient : targets) {
            pClient->deliverEvent(event.nEvent, event.info.data());
        }
        targets.clear();

        eventLock.lock();
        ++m_nDelivered;
        m_eventCv.notify_all();
    }
}

}  // namespace HostPlatform
