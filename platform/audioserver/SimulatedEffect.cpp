#include "HostPlatform/SimulatedEffect.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <sstream>

#include "HostPlatform/EffectRequests.h"

namespace HostPlatform {

namespace {

constexpr int32_t kOk = 0;
constexpr int32_t kPermissionDenied = -1;
constexpr int32_t kNameNotFound = -2;
constexpr int32_t kAlreadyExists = -17;
constexpr int32_t kBadValue = -22;

constexpr uint16_t kAnyMode = 0xFFFF;
constexpr uint32_t kUserChunkType = 1;

void PutU16(std::vector<uint8_t>& bytes, uint16_t nValue) {
    bytes.push_back(static_cast<uint8_t>(nValue));
    bytes.push_back(static_cast<uint8_t>(nValue >> 8));
}

void PutU32(std::vector<uint8_t>& bytes, uint32_t nValue) {
    for (int i = 0; i < 4; ++i) {
        bytes.push_back(static_cast<uint8_t>(nValue >> (8 * i)));
    }
}

void PutF64(std::vector<uint8_t>& bytes, double dValue) {
    uint8_t aBytes[8];
    std::memcpy(aBytes, &dValue, sizeof(aBytes));
    bytes.insert(bytes.end(), aBytes, aBytes + 8);
}

uint16_t Mode(int64_t nValue) {
    return static_cast<uint16_t>(nValue);
}

uint32_t U32(int64_t nValue) {
    return static_cast<uint32_t>(nValue);
}

// Preset files are small text files. Anything else named by a request (a
// FIFO, a device, a huge file) is refused rather than read, so that a request
// can neither block the caller nor grow the process without bound.
constexpr off_t kMaxPresetFileSize = 1024 * 1024;

// Opens without blocking (a FIFO without a peer would block an ordinary open)
// and keeps the descriptor only for a regular file.
int OpenRegularFile(const std::string& strPath, int nFlags) {
    const int nFD = open(strPath.c_str(), nFlags | O_NONBLOCK | O_CLOEXEC, 0644);
    struct stat info {};
    if (nFD >= 0 && (fstat(nFD, &info) != 0 || !S_ISREG(info.st_mode))) {
        close(nFD);
        return -1;
    }
    return nFD;
}

bool ReadFile(const std::string& strPath, std::string& strText) {
    const int nFD = OpenRegularFile(strPath, O_RDONLY);
    if (nFD < 0) {
        return false;
    }
    strText.clear();
    char acBuffer[4096];
    ssize_t nRead = 0;
    while ((nRead = read(nFD, acBuffer, sizeof(acBuffer))) > 0 &&
           strText.size() + static_cast<size_t>(nRead) <= static_cast<size_t>(kMaxPresetFileSize)) {
        strText.append(acBuffer, static_cast<size_t>(nRead));
    }
    close(nFD);
    return nRead == 0;
}

bool WriteFile(const std::string& strPath, const std::string& strText) {
    const int nFD = OpenRegularFile(strPath, O_WRONLY | O_CREAT);
    if (nFD < 0) {
        return false;
    }
    bool bOk = ftruncate(nFD, 0) == 0;
    for (size_t nDone = 0; bOk && nDone < strText.size();) {
        const ssize_t nWritten = write(nFD, strText.data() + nDone, strText.size() - nDone);
        bOk = nWritten > 0;
        nDone += bOk ? static_cast<size_t>(nWritten) : 0;
    }
    return close(nFD) == 0 && bOk;
}

// Whether a stored parameter key answers a lookup. A lookup mode of 0xFFFF
// matches every mode; a combined lookup matches every stored mask that holds
// all the bits asked for (so mask 0 matches any), otherwise masks must be equal.
bool Matches(const SimulatedEffect::ParameterKey& key, uint16_t nOM, uint16_t nSM,
             uint32_t nSubTypes, bool bCombined) {
    const bool bOM = nOM == kAnyMode || std::get<0>(key) == nOM;
    const bool bSM = nSM == kAnyMode || std::get<1>(key) == nSM;
    const uint32_t nStored = std::get<2>(key);
    const bool bSub = bCombined ? (nStored & nSubTypes) == nSubTypes : nStored == nSubTypes;
    return bOM && bSM && bSub;
}

bool Find(const SimulatedEffect::ParameterLayer& layer, uint16_t nOM, uint16_t nSM,
          uint32_t nSubTypes, bool bCombined, uint32_t nId, double& dValue) {
    // An exact key first, then any key that matches.
    auto itExact = layer.find(SimulatedEffect::ParameterKey(nOM, nSM, nSubTypes));
    if (itExact != layer.end()) {
        auto itValue = itExact->second.find(nId);
        if (itValue != itExact->second.end()) {
            dValue = itValue->second;
            return true;
        }
    }
    for (const auto& entry : layer) {
        if (!Matches(entry.first, nOM, nSM, nSubTypes, bCombined)) {
            continue;
        }
        auto itValue = entry.second.find(nId);
        if (itValue != entry.second.end()) {
            dValue = itValue->second;
            return true;
        }
    }
    return false;
}

}  // namespace

SimulatedEffect::SimulatedEffect() {
    m_state.supportedOutputModes = {
        {0, "Speaker"}, {1, "Headphone"}, {2, "Bluetooth"}, {3, "HDMI"}};
    m_state.supportedSoundModes = {0, 1, 2, 3};
    m_state.defaultSoundModes = {{0, 0}, {1, 1}, {2, 1}, {3, 2}};
}

// --- Preset text -------------------------------------------------------------

std::string SimulatedEffect::PresetText(const ParameterLayer& layer) {
    std::string strText = "# simulated effect presets\n";
    char szLine[128];
    for (const auto& entry : layer) {
        for (const auto& parameter : entry.second) {
            std::snprintf(szLine, sizeof(szLine), "param %u %u %u %u %.17g\n",
                          std::get<0>(entry.first), std::get<1>(entry.first),
                          std::get<2>(entry.first), parameter.first, parameter.second);
            strText += szLine;
        }
    }
    return strText;
}

bool SimulatedEffect::ParsePresetText(const std::string& strText, ParameterLayer& layer) {
    ParameterLayer parsed;
    std::istringstream lines(strText);
    std::string strLine;
    while (std::getline(lines, strLine)) {
        if (strLine.empty() || strLine[0] == '#') {
            continue;
        }
        unsigned nOM = 0, nSM = 0, nSub = 0, nId = 0;
        double dValue = 0;
        char cExtra = 0;
        if (std::sscanf(strLine.c_str(), "param %u %u %u %u %lf %c", &nOM, &nSM, &nSub, &nId,
                        &dValue, &cExtra) != 5 ||
            nOM > 0xFFFF || nSM > 0xFFFF) {
            return false;
        }
        parsed[ParameterKey(static_cast<uint16_t>(nOM), static_cast<uint16_t>(nSM), nSub)][nId] =
            dValue;
    }
    layer = std::move(parsed);
    return true;
}

uint32_t SimulatedEffect::Checksum(const std::vector<uint8_t>& bytes) {
    uint32_t nSum = 0;
    for (uint8_t nByte : bytes) {
        nSum += nByte;
    }
    return nSum;
}

// --- Commands ----------------------------------------------------------------

int32_t SimulatedEffect::Handle(uint32_t nCode, const std::vector<uint8_t>& request,
                                uint32_t nReplyCapacity, std::vector<uint8_t>& reply) {
    reply.clear();
    // A code outside the table, or bytes that do not match the code's layout,
    // are refused before the effect looks at them.
    EffectRequest decoded;
    if (!DecodeEffectRequest(nCode, request, decoded)) {
        return kBadValue;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    int32_t nStatus = HandleLocked(decoded, nReplyCapacity, reply);
    if (nStatus == kOk && reply.size() > nReplyCapacity) {
        nStatus = kBadValue;
    }
    if (nStatus != kOk) {
        reply.clear();
    }
    return nStatus;
}

int32_t SimulatedEffect::HandleLocked(const EffectRequest& r, uint32_t nReplyCapacity,
                                      std::vector<uint8_t>& reply) {
    State& s = m_state;
    switch (r.nCode) {
        case 0x10000: {  // LoadPresets: base preset file, then an optional user preset file
            if (!m_bFileAccess) {
                return kPermissionDenied;
            }
            const std::vector<std::string>& paths = r.texts.at("paths");
            ParameterLayer base = s.baseParameters;
            ParameterLayer user = s.userParameters;
            std::string strText;
            if (paths.empty()) {
                return kBadValue;
            }
            if (!paths[0].empty() &&
                (!ReadFile(paths[0], strText) || !ParsePresetText(strText, base))) {
                return kNameNotFound;
            }
            if (paths.size() > 1 &&
                (!ReadFile(paths[1], strText) || !ParsePresetText(strText, user))) {
                return kNameNotFound;
            }
            s.baseParameters = std::move(base);
            s.userParameters = std::move(user);
            PutU32(reply, 0);
            return kOk;
        }
        case 0x10001: {  // SetTagEx
            uint32_t& nMask = s.tagMasks[{Mode(r.Number("om")), Mode(r.Number("sm"))}];
            nMask = (nMask & ~U32(r.Number("tagDisable"))) | U32(r.Number("tagEnable"));
            return kOk;
        }
        case 0x10002:
            s.logLevels[r.Text("tag")] = U32(r.Number("level"));
            return kOk;
        case 0x10003:
            s.nSoundMode = Mode(r.Number("sm"));
            return kOk;
        case 0x10004: {  // GetActive: tag mask, om, sm, mt (the custom target of om, else om)
            const uint16_t nMT =
                s.customOutputMode.first == s.nOutputMode && s.customOutputMode.second != 0
                    ? s.customOutputMode.second
                    : s.nOutputMode;
            auto itMask = s.tagMasks.find({s.nOutputMode, s.nSoundMode});
            PutU32(reply, itMask == s.tagMasks.end() ? 0 : itMask->second);
            PutU16(reply, s.nOutputMode);
            PutU16(reply, s.nSoundMode);
            PutU16(reply, nMT);
            PutU16(reply, 0);
            return kOk;
        }
        case 0x10005:
        case 0x1002C:
            if (!m_bFileAccess) {
                return kPermissionDenied;
            }
            return WriteFile(r.Text("path"),
                             PresetText(r.nCode == 0x10005 ? s.baseParameters : s.userParameters))
                       ? kOk
                       : kNameNotFound;
        case 0x10007:
            s.bRecording = true;
            s.strRecordingPrefix = r.Text("prefix");
            return kOk;
        case 0x1001B:
            s.bRecording = false;
            return kOk;
        case 0x10008:
            s.nOutputMode = Mode(r.Number("om"));
            return kOk;
        case 0x10009:
            s.userParameters.clear();
            return kOk;
        case 0x1000F: {  // SetParamsArray: into the user preset, optionally the base as well
            const ParameterKey key(Mode(r.Number("om")), Mode(r.Number("sm")),
                                   U32(r.Number("subtypes")));
            const std::vector<int64_t>& ids = r.numbers.at("ids");
            const std::vector<double>& values = r.doubles.at("values");
            std::map<uint32_t, double>& user = s.userParameters[key];
            std::map<uint32_t, double>& base = s.baseParameters[key];
            for (size_t i = 0; i < ids.size(); ++i) {
                user[U32(ids[i])] = values[i];
                if (r.Number("addMissingToBase") != 0 && base.count(U32(ids[i])) == 0) {
                    base[U32(ids[i])] = values[i];
                }
            }
            if (base.empty()) {
                s.baseParameters.erase(key);
            }
            return kOk;
        }
        case 0x10010:
        case 0x1003C:
            return GetParameters(r, true, nReplyCapacity, reply);
        case 0x10025:
            return GetParameters(r, false, nReplyCapacity, reply);
        case 0x10012:
            m_enabledAlgorithms.insert(r.Text("name"));
            return kOk;
        case 0x10013:
            m_enabledAlgorithms.erase(r.Text("name"));
            return kOk;
        case 0x10015: {  // ClearParamsArray
            const ParameterKey key(Mode(r.Number("om")), Mode(r.Number("sm")),
                                   U32(r.Number("subtypes")));
            for (ParameterLayer* pLayer : {&s.userParameters, &s.baseParameters}) {
                if (pLayer == &s.baseParameters && r.Number("alsoClearBase") == 0) {
                    continue;
                }
                auto itKey = pLayer->find(key);
                if (itKey == pLayer->end()) {
                    continue;
                }
                for (int64_t nId : r.numbers.at("ids")) {
                    itKey->second.erase(U32(nId));
                }
                if (itKey->second.empty()) {
                    pLayer->erase(itKey);
                }
            }
            return kOk;
        }
        case 0x10016:
            s.bSmoothing = r.Number("enable") != 0;
            return kOk;
        case 0x10017:
            s.bPipeOpen = true;
            s.strPipePath = r.Text("path");
            return kOk;
        case 0x10018:
            s.bPipeOpen = false;
            return kOk;
        case 0x10019:
        case 0x1001A:
            s.bOutputDeviceDetection = r.nCode == 0x10019;
            return kOk;
        case 0x1001C:
            s.customOutputMode = {Mode(r.Number("first")), Mode(r.Number("second"))};
            return kOk;
        case 0x1001D:
        case 0x1001E:
            s.bVeltSense = r.nCode == 0x1001D;
            return kOk;
        case 0x10021: {
            auto itMask = s.tagMasks.find({Mode(r.Number("om")), Mode(r.Number("sm"))});
            PutU32(reply, itMask == s.tagMasks.end() ? 0 : itMask->second);
            return kOk;
        }
        case 0x10022:
            PutU32(reply, static_cast<uint32_t>(s.supportedOutputModes.size()));
            return kOk;
        case 0x10023: {  // names of the first n output modes, ascending ids
            uint32_t nLeft = U32(r.Number("n"));
            for (const auto& mode : s.supportedOutputModes) {
                if (nLeft-- == 0) {
                    break;
                }
                PutU32(reply, mode.first);
                PutU32(reply, static_cast<uint32_t>(mode.second.size()));
                reply.insert(reply.end(), mode.second.begin(), mode.second.end());
            }
            return kOk;
        }
        case 0x10024:
            PutU32(reply, s.nSupportedTagMask);
            return kOk;
        case 0x10026: {
            const std::string strPath = (r.Number("abstract") == 1 ? "@" : "") + r.Text("path");
            return s.unixSockets.insert(strPath).second ? kOk : kAlreadyExists;
        }
        case 0x10027: {
            const std::string& strPath = r.Text("path");
            if (s.unixSockets.erase(strPath) == 0 && s.unixSockets.erase("@" + strPath) == 0) {
                return kNameNotFound;
            }
            return kOk;
        }
        case 0x10028:
            ++s.nSessionDataRequests;
            return kOk;
        case 0x10029:
            ++s.nCalibrations;
            return kOk;
        case 0x1002A:
            s.nTrackingRate = static_cast<uint16_t>(r.Number("rate"));
            return kOk;
        case 0x1002B:
            s.forceBypass[r.Text("algorithm")] = std::make_tuple(
                static_cast<int32_t>(r.Number("io")), static_cast<int32_t>(r.Number("session")),
                static_cast<int32_t>(r.Number("useCase")), r.Number("forceBypass") != 0);
            return kOk;
        case 0x1002D:
            s.bSensorFusion = r.Number("enable") != 0;
            return kOk;
        case 0x1002E: {  // LoadPresetsFromChunk: the chunk is preset text; the checksum must hold
            const std::vector<uint8_t>& chunk = r.blocks.at("chunk");
            if (Checksum(chunk) != U32(r.Number("checksum"))) {
                return kBadValue;
            }
            ParameterLayer& layer = r.Number("isBase") != 0 ? s.baseParameters : s.userParameters;
            if (!ParsePresetText(std::string(chunk.begin(), chunk.end()), layer)) {
                return kBadValue;
            }
            PutU32(reply, 0);
            return kOk;
        }
        case 0x1002F: {
            // SaveUserPresetToChunk: word 0 the chunk's checksum, word 1 its type, word 2 its
            // size, then the chunk; a chunk beyond the capacity is reported by size alone.
            const std::string strText = PresetText(s.userParameters);
            const std::vector<uint8_t> chunk(strText.begin(), strText.end());
            PutU32(reply, Checksum(chunk));
            PutU32(reply, kUserChunkType);
            PutU32(reply, static_cast<uint32_t>(chunk.size()));
            if (chunk.size() <= U32(r.Number("capacity"))) {
                reply.insert(reply.end(), chunk.begin(), chunk.end());
            }
            return kOk;
        }
        case 0x10030: {  // TransactBuffer: the request's bytes in reverse order
            const std::vector<uint8_t>& bytes = r.blocks.at("bytes");
            reply.assign(bytes.rbegin(), bytes.rend());
            if (reply.size() > nReplyCapacity) {
                reply.resize(nReplyCapacity);
            }
            return kOk;
        }
        case 0x10031:
            if (nReplyCapacity < 1) {
                return kBadValue;
            }
            reply.push_back(m_enabledAlgorithms.empty() ? 0 : 1);
            return kOk;
        case 0x10032: {  // IsDefaultSoundMode: the request with its flags filled in
            const std::vector<int64_t>& first = r.numbers.at("first");
            const std::vector<int64_t>& second = r.numbers.at("second");
            PutU32(reply, static_cast<uint32_t>(first.size()));
            for (int64_t nValue : first) {
                PutU32(reply, U32(nValue));
            }
            for (int64_t nValue : second) {
                PutU32(reply, U32(nValue));
            }
            for (size_t i = 0; i < first.size(); ++i) {
                auto itDefault = s.defaultSoundModes.find(Mode(first[i]));
                reply.push_back(itDefault != s.defaultSoundModes.end() &&
                                        itDefault->second == U32(second[i])
                                    ? 1
                                    : 0);
            }
            return kOk;
        }
        case 0x10033:
            PutU32(reply, static_cast<uint32_t>(s.supportedSoundModes.size()));
            return kOk;
        case 0x10034: {
            const uint32_t nCount = U32(r.Number("n"));
            for (uint32_t i = 0; i < nCount && i < s.supportedSoundModes.size(); ++i) {
                PutU32(reply, s.supportedSoundModes[i]);
            }
            return kOk;
        }
        case 0x10035:
            s.bMeters = r.Number("enable") != 0;
            return kOk;
        case 0x10036: {
            const std::vector<uint8_t>& chunk = r.blocks.at("chunk");
            if (Checksum(chunk) != U32(r.Number("checksum"))) {
                return kBadValue;
            }
            s.configChunks[U32(r.Number("type"))] = chunk;
            PutU32(reply, 0);
            return kOk;
        }
        case 0x10037:
            s.configChunks.clear();
            PutU32(reply, 0);
            return kOk;
        case 0x10038:
            s.nPresetSelectorIndex = U32(r.Number("index"));
            return kOk;
        case 0x10039:
            s.logOutputs[r.Text("output")] = r.Number("enable") != 0;
            return kOk;
        case 0x1003A:
            s.dVolume = r.Double("volume");
            return kOk;
        case 0x1003B:
            ++s.nDumps;
            return kOk;
        default:
            return kBadValue;
    }
}

// Values of the requested ids in their order; an id found nowhere reads 0.0,
// unless the request insists on finding all.
int32_t SimulatedEffect::GetParameters(const EffectRequest& r, bool bIncludeUser,
                                       uint32_t nReplyCapacity, std::vector<uint8_t>& reply) const {
    const uint16_t nOM = Mode(r.Number("om"));
    const uint16_t nSM = Mode(r.Number("sm"));
    const uint32_t nSubTypes = U32(r.Number("subtypes"));
    const bool bCombined = r.Number("combined") != 0;
    const std::vector<int64_t>& ids = r.numbers.at("ids");
    if (8 * ids.size() > nReplyCapacity) {
        return kBadValue;
    }
    for (int64_t nId : ids) {
        double dValue = 0.0;
        const bool bFound =
            (bIncludeUser &&
             Find(m_state.userParameters, nOM, nSM, nSubTypes, bCombined, U32(nId), dValue)) ||
            Find(m_state.baseParameters, nOM, nSM, nSubTypes, bCombined, U32(nId), dValue);
        if (!bFound && r.Number("mustFindAll") != 0) {
            return kNameNotFound;
        }
        PutF64(reply, bFound ? dValue : 0.0);
    }
    return kOk;
}

// --- State -------------------------------------------------------------------

void SimulatedEffect::SetPlatformEnabled(bool bEnabled) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bPlatformEnabled = bEnabled;
}

bool SimulatedEffect::PlatformEnabled() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bPlatformEnabled;
}

std::set<std::string> SimulatedEffect::EnabledAlgorithms() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_enabledAlgorithms;
}

SimulatedEffect::State SimulatedEffect::Snapshot() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state;
}

void SimulatedEffect::SetSupportedOutputModes(const std::map<uint32_t, std::string>& modes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state.supportedOutputModes = modes;
}

void SimulatedEffect::SetSupportedSoundModes(const std::vector<uint32_t>& values,
                                             const std::map<uint16_t, uint16_t>& defaults) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state.supportedSoundModes = values;
    m_state.defaultSoundModes = defaults;
}

void SimulatedEffect::SetFileAccess(bool bAllowed) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bFileAccess = bAllowed;
}

void SimulatedEffect::SetSupportedTagMask(uint32_t nMask) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state.nSupportedTagMask = nMask;
}

}  // namespace HostPlatform
