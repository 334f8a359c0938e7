// The simulated audio server behind the host android::AudioEffect stand-in.
//
// It holds the effect instances that AudioEffect clients create, routes their
// calls to a SimulatedEffect engine (one per implementation UUID and audio
// session, shared by every client on that pair, as on the device), keeps a
// journal of every call for tests, injects faults, and delivers effect events
// to the clients' callbacks from a thread of its own.
//
// A test drives it through AudioServer::Instance():
//   - Journal() / Commands() / ClearJournal() to see what reached the platform;
//   - InjectInitStatus / RefuseCommand / InjectEnableStatus to make the
//     platform refuse, and ClearFaults() to stop;
//   - SetResponder(code, fn) to answer one command code differently;
//   - Post*() and WaitForEvents() to raise events on a given instance.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <system/audio_effect.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "HostPlatform/Export.h"

namespace android {
class AudioEffect;
}

HOST_PLATFORM_API bool operator==(const effect_uuid_t& a, const effect_uuid_t& b);

namespace HostPlatform {

class SimulatedEffect;

using Bytes = std::vector<uint8_t>;

enum class CallKind { Create, InitCheck, Command, SetEnabled, Release };

HOST_PLATFORM_API const char* CallKindName(CallKind eKind);

// One call that reached the platform. Fields not used by a kind stay zero.
struct JournalEntry {
    uint64_t nSerial = 0;  // 1, 2, ... in call order
    CallKind eKind = CallKind::Create;
    int32_t nInstance = 0;  // effect instance the call was made on
    int32_t nStatus = 0;    // status the platform returned (Create: initCheck status)
    // Create
    effect_uuid_t uuid{};     // implementation UUID (zero when none was given)
    bool bTypeGiven = false;  // an effect type UUID was passed as well
    int32_t nPriority = 0;
    int32_t nSession = 0;
    int32_t nIO = 0;
    // Command
    uint32_t nCode = 0;
    Bytes request;
    bool bReplyRequested = false;  // both reply pointers were given
    uint32_t nReplyCapacity = 0;   // *replySize on entry
    Bytes reply;                   // bytes written back (success only)
    // SetEnabled
    bool bEnable = false;
};

// Renders an entry as one readable line (used by tools that print traffic).
HOST_PLATFORM_API std::string DescribeEntry(const JournalEntry& entry);

class HOST_PLATFORM_API AudioServer {
public:
    static constexpr int32_t kAnySession = INT32_MIN;
    static constexpr int kAlways = -1;
    static constexpr int32_t kAllInstances = 0;

    // Answers one command code in place of the simulated effect: fills the
    // reply (at most nReplyCapacity bytes are delivered) and returns a status.
    using Responder =
        std::function<int32_t(const Bytes& request, uint32_t nReplyCapacity, Bytes& reply)>;
    using Observer = std::function<void(const JournalEntry&)>;

    static AudioServer& Instance();

    // --- Journal -----------------------------------------------------------
    // The journal keeps the most recent entries only, kDefaultJournalWindow
    // of them unless told otherwise, so that a long-running host stays small;
    // a test that needs more asks for a larger window (kWholeJournal keeps
    // every entry), a benchmark for none (0: nothing is recorded, and a call
    // answered by a canned reply costs no more than a map lookup and a copy).
    static constexpr size_t kDefaultJournalWindow = 10000;
    static constexpr size_t kWholeJournal = SIZE_MAX;
    void SetJournalWindow(size_t nEntries);
    std::vector<JournalEntry> Journal() const;
    std::vector<JournalEntry> Entries(CallKind eKind) const;
    std::vector<JournalEntry> Commands() const { return Entries(CallKind::Command); }
    void ClearJournal();
    // Called for every new entry, outside the server's lock, on the calling thread.
    void SetObserver(Observer observer);

    // --- Instances ---------------------------------------------------------
    size_t LiveInstanceCount() const;
    std::vector<int32_t> LiveInstances() const;
    // The engine behind an instance (null for an unknown or released one).
    std::shared_ptr<SimulatedEffect> Effect(int32_t nInstance) const;

    // --- Faults --------------------------------------------------------------
    // The next nCount effects created on nSession (or any) report nStatus from initCheck.
    void InjectInitStatus(int32_t nStatus, int32_t nSession = kAnySession, int nCount = kAlways);
    // The next nCount commands with this code are refused with nStatus.
    void RefuseCommand(uint32_t nCode, int32_t nStatus = -22, int nCount = kAlways);
    // The next nCount setEnabled calls on nSession (or any) fail with nStatus.
    void InjectEnableStatus(int32_t nStatus, int32_t nSession = kAnySession, int nCount = kAlways);
    void ClearFaults();
    void SetResponder(uint32_t nCode, Responder responder);
    // Answers one command code with a fixed status and reply, in place of
    // the effect (a reply longer than the caller's capacity fails as usual).
    void SetCannedReply(uint32_t nCode, int32_t nStatus, const Bytes& reply);
    void ClearResponders();
    // Faults, responders, observer, journal and its window back to their
    // initial state.
    void Reset();

    // --- Events ------------------------------------------------------------
    // Queue an event for one instance (or every live one); the event thread
    // calls the clients' callbacks in posting order.
    void PostParameterChanged(int32_t nInstance, const Bytes& param, const Bytes& value,
                              int32_t nStatus = 0);
    void PostEnableStatusChanged(int32_t nInstance, bool bEnabled);
    void PostControlStatusChanged(int32_t nInstance, bool bControlGranted);
    // Returns once every event posted so far has been delivered.
    void WaitForEvents();
    // Delivers what is posted, then ends the event thread, as a platform's
    // callback thread may end; the next event starts a new one. Events posted
    // while it ends are dropped.
    void EndEventThread();

    // --- Client side (called by android::AudioEffect) ----------------------
    struct CreateResult {
        int32_t nInstance;
        int32_t nStatus;
    };
    CreateResult Connect(const effect_uuid_t* pType, const effect_uuid_t* pUuid, int32_t nPriority,
                         int32_t nSession, int32_t nIO);
    // Makes a constructed, strongly held client reachable for events.
    void AttachClient(int32_t nInstance, android::AudioEffect* pClient);
    void RecordInitCheck(int32_t nInstance, int32_t nStatus);
    // nClientStatus is the instance's initCheck status: a client that failed
    // to initialise never reaches the effect and gets that status back.
    int32_t Command(int32_t nInstance, int32_t nClientStatus, uint32_t nCode, uint32_t nSize,
                    const void* pData, uint32_t* pReplySize, void* pReply);
    int32_t SetEnabled(int32_t nInstance, int32_t nClientStatus, bool bEnable);
    void Disconnect(int32_t nInstance);

    ~AudioServer();

private:
    AudioServer();
    AudioServer(const AudioServer&) = delete;
    AudioServer& operator=(const AudioServer&) = delete;

    struct Instance_;
    struct Rule {
        int32_t nStatus;
        int32_t nSelector;  // session, or command code
        int nRemaining;
    };
    struct Event {
        int32_t nInstance;
        int32_t nEvent;
        Bytes info;
    };

    void Record(JournalEntry entry);
    // A canned reply for a command while the journal is off: true with the status.
    bool AnswerCanned(int32_t nInstance, int32_t nClientStatus, uint32_t nCode,
                      uint32_t* pReplySize, void* pReply, int32_t& nStatus);
    static bool TakeRule(std::vector<Rule>& rules, int32_t nSelector, bool bAnyMatches,
                         int32_t* pStatus);
    void Post(Event event);
    void EventLoop();

    mutable std::mutex m_mutex;
    std::map<int32_t, std::unique_ptr<Instance_>> m_instances;
    std::map<std::pair<std::string, int32_t>, std::weak_ptr<SimulatedEffect>> m_engines;
    int32_t m_nNextInstance = 1;
    std::deque<JournalEntry> m_journal;
    size_t m_nJournalWindow = kDefaultJournalWindow;
    uint64_t m_nSerial = 0;
    Observer m_observer;
    std::vector<Rule> m_initRules;
    std::vector<Rule> m_commandRules;
    std::vector<Rule> m_enableRules;
    std::map<uint32_t, Responder> m_responders;
    std::map<uint32_t, std::pair<int32_t, Bytes>> m_cannedReplies;

    std::mutex m_eventMutex;
    std::condition_variable m_eventCv;
    std::deque<Event> m_events;
    uint64_t m_nPosted = 0;
    uint64_t m_nDelivered = 0;
    bool m_bStopEvents = false;
    std::thread m_eventThread;
};

}  // namespace HostPlatform
