#include "PanelRelay.h"

#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "TuningClient.h"

namespace VeltraTune {

namespace {

constexpr size_t kLogCapacity = 2000;
constexpr size_t kLogBatch = 500;
constexpr size_t kShownBytes = 96;
// Notes about the connection are in no dialect.
constexpr auto kNoDialect = static_cast<TarvoFX::ProtocolVersion>(-1);

std::string Now() {
    const auto now = std::chrono::system_clock::now();
    const time_t nSeconds = std::chrono::system_clock::to_time_t(now);
    const auto nMillis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    tm local = {};
    localtime_r(&nSeconds, &local);
    char szTime[32];
    std::snprintf(szTime, sizeof(szTime), "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<int>(nMillis));
    return szTime;
}

// Text lines as text (line feeds shown as \n), binary requests as hex bytes.
std::string ShownBytes(const Bytes& bytes, TarvoFX::ProtocolVersion eDialect) {
    std::string strShown;
    const size_t nShown = bytes.size() < kShownBytes ? bytes.size() : kShownBytes;
    for (size_t i = 0; i < nShown; ++i) {
        const uint8_t nByte = bytes[i];
        char szByte[8];
        if (eDialect != TarvoFX::kText) {
            std::snprintf(szByte, sizeof(szByte), i == 0 ? "%02x" : " %02x", nByte);
        } else if (nByte == '\n') {
            std::snprintf(szByte, sizeof(szByte), "\\n");
        } else if (nByte < 0x20 || nByte >= 0x7F || nByte == '\\') {
            std::snprintf(szByte, sizeof(szByte), "\\x%02x", nByte);
        } else {
            std::snprintf(szByte, sizeof(szByte), "%c", nByte);
        }
        strShown += szByte;
    }
    if (nShown < bytes.size()) {
        strShown += " ...";
    }
    return strShown;
}

}  // namespace

PanelRelay::PanelRelay(const PanelLayout& layout, std::string strHost, int nPort,
                       TarvoFX::ProtocolVersion eDialect, int nTimeoutMs)
    : m_layout(layout),
      m_strHost(std::move(strHost)),
      m_nPort(nPort),
      m_eDialect(eDialect),
      m_nTimeoutMs(nTimeoutMs) {}

PanelRelay::~PanelRelay() {
    if (m_nSocket >= 0) {
        close(m_nSocket);
    }
}

bool PanelRelay::Send(const std::vector<PanelCommand>& commands, std::string& strError) {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const PanelCommand& command : commands) {
        std::vector<ParameterValue> none;
        if (!Deliver(command.words, false, none, strError)) {
            return false;
        }
        for (const ParameterValue& parameter : command.parameters) {
            m_sent[parameter.nId] = parameter.dValue;
        }
        m_modes.update(command.modes);
    }
    return true;
}

Json PanelRelay::ReadBack() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<ParameterValue> values;
    std::string strError;
    Json list = Json::array();
    if (Values(values, strError)) {
        for (const ParameterValue& value : values) {
            m_read[value.nId] = value.dValue;
            const auto itSent = m_sent.find(value.nId);
            const bool bSent = itSent != m_sent.end();
            list.push_back({{"id", value.nId},
                            {"value", value.dValue},
                            {"sent", bSent ? Json(itSent->second) : Json()},
                            {"differs", bSent && !SameValue(value.dValue, itSent->second)}});
        }
    }
    return {{"connection", ConnectionLocked()}, {"values", list}, {"modes", m_modes}};
}

Json PanelRelay::Connection() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return ConnectionLocked();
}

Json PanelRelay::LogAfter(uint64_t nAfter) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    Json entries = Json::array();
    uint64_t nNext = nAfter;
    for (const LogEntry& entry : m_log) {
        if (entry.nSeq <= nAfter) {
            continue;
        }
        if (entries.size() == kLogBatch) {
            break;
        }
        entries.push_back({{"seq", entry.nSeq},
                           {"time", entry.strTime},
                           {"dialect", entry.strDialect},
                           {"direction", entry.strDirection},
                           {"command", entry.strCommand},
                           {"text", entry.strText},
                           {"bytes", entry.strBytes},
                           {"size", entry.nBytes},
                           {"readBack", entry.bReadBack}});
        nNext = entry.nSeq;
    }
    return {{"entries", entries}, {"next", nNext}};
}

Json PanelRelay::State() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<ParameterValue> values;
    std::string strError;
    if (Values(values, strError)) {
        for (const ParameterValue& value : values) {
            m_read[value.nId] = value.dValue;
        }
    }
    std::map<uint32_t, double> known;
    for (uint32_t nId : m_layout.Ids()) {
        const auto itRead = m_read.find(nId);
        const auto itSent = m_sent.find(nId);
        if (itRead != m_read.end()) {
            known[nId] = itRead->second;
        } else if (itSent != m_sent.end()) {
            known[nId] = itSent->second;
        }
    }
    return StateJson(known, m_modes);
}

bool PanelRelay::Connected(std::string& strError) {
    if (m_nSocket >= 0 && ConnectionSpoilt(m_nSocket)) {
        Disconnect("the tuning server closed the connection");
    }
    if (m_nSocket >= 0) {
        return true;
    }
    m_nSocket = Connect(m_strHost, m_nPort, m_nTimeoutMs, strError);
    if (m_nSocket < 0) {
        if (strError != m_strReason) {
            Note(strError);
        }
        m_strReason = strError;
        return false;
    }
    Note("connected to " + m_strHost + ":" + std::to_string(m_nPort));
    return true;
}

void PanelRelay::Disconnect(const std::string& strReason) {
    if (m_nSocket >= 0) {
        close(m_nSocket);
        m_nSocket = -1;
    }
    m_bAnswering = false;
    if (strReason != m_strReason) {
        Note(strReason);
    }
    m_strReason = strReason;
}

bool PanelRelay::Deliver(const std::vector<std::string>& words, bool bReadBack,
                         std::vector<ParameterValue>& values, std::string& strError) {
    strError.clear();
    Request request;
    if (!BuildRequest(words, m_eDialect, request, strError) || !Connected(strError)) {
        return false;
    }
    const std::string strCommand = JoinWords(words, " ");
    std::string strText = request.eReply == ReplyKind::kNone
                              ? SentText(words[0], request.bytes.size())
                              : std::string();
    if (!request.strNote.empty()) {
        strText += (strText.empty() ? "note: " : "; note: ") + request.strNote;
    }
    Log("sent", strCommand, strText, request.bytes, request.eSent, bReadBack);
    if (!SendAll(m_nSocket, request.bytes)) {
        strError = "the connection to the tuning server broke while sending " + words[0];
        Disconnect(strError);
        return false;
    }
    if (request.eReply == ReplyKind::kNone) {
        return true;
    }
    const ReplyReader reader(request.eReply, request.eReplyDialect);
    Bytes reply;
    const ReplyStatus eStatus = ReceiveReply(m_nSocket, reader, m_nTimeoutMs, reply);
    if (eStatus == ReplyStatus::kTimeout) {
        strError = "the tuning server is not answering: no reply to " + words[0] + " within " +
                   std::to_string(m_nTimeoutMs) + " ms";
    } else if (eStatus == ReplyStatus::kClosed) {
        strError = "the tuning server closed the connection";
    } else if (!reader.Decode(reply, values, strError)) {
        strError = "the tuning server sent a reply that makes no sense: " + strError;
    }
    if (!strError.empty()) {
        // A reply that comes late would be taken for the next query's.
        Disconnect(strError);
        return false;
    }
    const TarvoFX::ProtocolVersion eReplyDialect =
        request.eReply == ReplyKind::kParameterArray ? request.eReplyDialect : TarvoFX::kBinary;
    Log("received", strCommand, values.empty() ? "(no values)" : FormatValues(values), reply,
        eReplyDialect, bReadBack);
    m_bAnswering = true;
    m_strReason.clear();
    return true;
}

bool PanelRelay::Values(std::vector<ParameterValue>& values, std::string& strError) {
    std::string strIds;
    for (uint32_t nId : m_layout.Ids()) {
        strIds += (strIds.empty() ? "" : ",") + std::to_string(nId);
    }
    return Deliver({"get-params", strIds}, true, values, strError);
}

void PanelRelay::Log(const std::string& strDirection, const std::string& strCommand,
                     const std::string& strText, const Bytes& bytes,
                     TarvoFX::ProtocolVersion eDialect, bool bReadBack) {
    m_log.push_back({m_nNextSeq++, Now(), eDialect == kNoDialect ? "" : DialectName(eDialect),
                     strDirection, strCommand, strText, ShownBytes(bytes, eDialect), bytes.size(),
                     bReadBack});
    if (m_log.size() > kLogCapacity) {
        m_log.pop_front();
    }
}

void PanelRelay::Note(const std::string& strText) {
    Log("note", "", strText, Bytes(), kNoDialect, false);
}

// The text dialect answers with two decimals: a value reads back the same
// when it rounds to what was set.
bool PanelRelay::SameValue(double dRead, double dSent) const {
    if (m_eDialect != TarvoFX::kText) {
        return dRead == dSent;
    }
    char szRead[64], szSent[64];
    std::snprintf(szRead, sizeof(szRead), "%.2f", dRead);
    std::snprintf(szSent, sizeof(szSent), "%.2f", dSent);
    return std::string(szRead) == szSent;
}

Json PanelRelay::ConnectionLocked() const {
    const bool bConnected = m_nSocket >= 0 && m_bAnswering;
    return {{"connected", bConnected},
            {"reason", bConnected ? "" : m_strReason},
            {"target", m_strHost + ":" + std::to_string(m_nPort)},
            {"dialect", DialectName(m_eDialect)}};
}

}  // namespace VeltraTune
