// The panel's one connection to the tuning server. Every request of the page
// goes through it, one at a time in the order they come, in the chosen
// dialect. It connects again by itself when the server was unreachable,
// closed the connection or stopped answering, keeps the log of what was sent
// and received, and remembers the values the panel set and the modes it
// selected, so that a read-back can tell which values were changed elsewhere.
#pragma once

#include <stdint.h>

#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "PanelRequests.h"
#include "TuningRequests.h"

namespace VeltraTune {

class PanelRelay {
public:
    PanelRelay(const PanelLayout& layout, std::string strHost, int nPort,
               TarvoFX::ProtocolVersion eDialect, int nTimeoutMs);
    ~PanelRelay();
    PanelRelay(const PanelRelay&) = delete;
    PanelRelay& operator=(const PanelRelay&) = delete;

    // Sends commands that have no reply, in order; stops at the first that
    // cannot be delivered and says why in strError.
    bool Send(const std::vector<PanelCommand>& commands, std::string& strError);

    // Reads the layout's parameters back. {"connection": ..., "values": [{id,
    // value, sent, differs}], "modes": ...}: sent is the value the panel last
    // set (null if none), differs whether the effect now holds another one;
    // modes are those the panel selected last.
    Json ReadBack();

    // The connection as the page shows it: {connected, reason, target, dialect}.
    Json Connection() const;

    // Log entries after sequence number nAfter: {"entries": [...], "next": N}.
    Json LogAfter(uint64_t nAfter) const;

    // What a state file holds: the values read back now (or last known), and
    // the modes the panel selected.
    Json State();

private:
    struct LogEntry {
        uint64_t nSeq;
        std::string strTime;
        std::string strDialect;
        std::string strDirection;  // "sent", "received" or "note"
        std::string strCommand;    // the command, for a request
        std::string strText;       // what veltra-tune prints for it
        std::string strBytes;
        size_t nBytes;
        bool bReadBack;
    };

    bool Connected(std::string& strError);  // connects when needed; m_mutex held
    void Disconnect(const std::string& strReason);
    bool Deliver(const std::vector<std::string>& words, bool bReadBack,
                 std::vector<ParameterValue>& values, std::string& strError);
    bool Values(std::vector<ParameterValue>& values, std::string& strError);
    void Log(const std::string& strDirection, const std::string& strCommand,
             const std::string& strText, const Bytes& bytes, TarvoFX::ProtocolVersion eDialect,
             bool bReadBack);
    void Note(const std::string& strText);
    bool SameValue(double dRead, double dSent) const;
    Json ConnectionLocked() const;

    const PanelLayout m_layout;
    const std::string m_strHost;
    const int m_nPort;
    const TarvoFX::ProtocolVersion m_eDialect;
    const int m_nTimeoutMs;

    mutable std::mutex m_mutex;
    int m_nSocket = -1;
    bool m_bAnswering = false;
    std::string m_strReason = "connecting";
    std::map<uint32_t, double> m_sent;
    std::map<uint32_t, double> m_read;
    Json m_modes = Json::object();
    std::deque<LogEntry> m_log;
    uint64_t m_nNextSeq = 1;
};

}  // namespace VeltraTune
