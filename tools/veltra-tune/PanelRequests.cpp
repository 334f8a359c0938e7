#include "PanelRequests.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "NetworkManager/CDataAPO.h"
#include "NetworkManager/TuningProtocol.h"
#include "logging/TarvoLog.h"
#include "logging/TarvoLogImpl.h"

namespace VeltraTune {

namespace {

using TarvoFX::CDataAPO;

constexpr size_t kMaxLayoutParameters = 1000;
constexpr const char* kFileOutput = "FILE_LOG";
constexpr const char* kFileOutputPathPrefix = "FILE_LOG://";

// Short text of a number for a message.
std::string Shown(double dValue) {
    char szText[40];
    std::snprintf(szText, sizeof(szText), "%g", dValue);
    return szText;
}

// A whole number as it was given (%g would shorten 4294967296 to 4.29497e+09).
std::string WholeShown(double dValue) {
    char szText[40];
    std::snprintf(szText, sizeof(szText), std::fabs(dValue) < 1e18 ? "%.0f" : "%g", dValue);
    return szText;
}

const Json* Field(const Json& object, const char* szKey) {
    if (!object.is_object()) {
        return nullptr;
    }
    const auto it = object.find(szKey);
    return it == object.end() ? nullptr : &*it;
}

// A number given as a JSON number or as the text a person typed.
bool NumberField(const Json& object, const char* szKey, double& dValue, std::string& strError) {
    const Json* pField = Field(object, szKey);
    if (pField == nullptr) {
        strError = std::string(szKey) + " is missing";
        return false;
    }
    bool bOk = false;
    if (pField->is_number()) {
        dValue = pField->get<double>();
        bOk = true;
    } else if (pField->is_string()) {
        const std::string strText = pField->get<std::string>();
        bOk = !strText.empty() && !std::isspace(static_cast<unsigned char>(strText[0])) &&
              ParseDouble(strText, dValue);
        if (!bOk) {
            strError = std::string(szKey) + " \"" + strText + "\" is not a number";
            return false;
        }
    }
    if (!bOk || !std::isfinite(dValue)) {
        strError = std::string(szKey) + " must be a number";
        return false;
    }
    return true;
}

bool IntegerField(const Json& object, const char* szKey, int64_t nMin, int64_t nMax,
                  int64_t& nValue, std::string& strError) {
    double dValue = 0.0;
    if (!NumberField(object, szKey, dValue, strError)) {
        return false;
    }
    if (dValue != std::floor(dValue)) {
        strError = std::string(szKey) + " must be a whole number";
        return false;
    }
    if (dValue < static_cast<double>(nMin) || dValue > static_cast<double>(nMax)) {
        strError = std::string(szKey) + " " + WholeShown(dValue) + " is out of range (" +
                   std::to_string(nMin) + " to " + std::to_string(nMax) + ")";
        return false;
    }
    nValue = static_cast<int64_t>(dValue);
    return true;
}

// A 16-bit tag mask: a number, or hexadecimal text with or without 0x.
bool MaskField(const Json& object, const char* szKey, uint32_t& nMask, std::string& strError) {
    const Json* pField = Field(object, szKey);
    if (pField != nullptr && pField->is_string()) {
        std::string strText = pField->get<std::string>();
        if (strText.rfind("0x", 0) != 0 && strText.rfind("0X", 0) != 0) {
            strText = "0x" + strText;
        }
        if (strText.size() < 3 || !ParseU32(strText, nMask) || nMask > 0xFFFF) {
            strError = std::string(szKey) + " \"" + pField->get<std::string>() +
                       "\" is not a hexadecimal mask of 16 bits";
            return false;
        }
        return true;
    }
    int64_t nValue = 0;
    if (!IntegerField(object, szKey, 0, 0xFFFF, nValue, strError)) {
        return false;
    }
    nMask = static_cast<uint32_t>(nValue);
    return true;
}

bool BoolField(const Json& object, const char* szKey, bool& bValue, std::string& strError) {
    const Json* pField = Field(object, szKey);
    if (pField == nullptr || !pField->is_boolean()) {
        strError = std::string(szKey) + " must be true or false";
        return false;
    }
    bValue = pField->get<bool>();
    return true;
}

// Text that a request carries as one word: the text line form ends a word at
// a blank and a request at a line feed.
bool WordField(const Json& object, const char* szKey, size_t nMaxLength, std::string& strWord,
               std::string& strError) {
    const Json* pField = Field(object, szKey);
    if (pField == nullptr || !pField->is_string() || pField->get<std::string>().empty()) {
        strError = std::string(szKey) + " is missing";
        return false;
    }
    strWord = pField->get<std::string>();
    for (char c : strWord) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            strError = std::string(szKey) +
                       " must not contain a line feed, a tab or other control characters";
            return false;
        }
        if (c == ' ') {
            strError = std::string(szKey) + " must not contain blanks";
            return false;
        }
    }
    if (strWord.size() > nMaxLength) {
        strError =
            std::string(szKey) + " is longer than " + std::to_string(nMaxLength) + " characters";
        return false;
    }
    return true;
}

bool ParameterSet(const Json& object, const PanelLayout& layout, ParameterValue& parameter,
                  std::string& strError) {
    int64_t nId = 0;
    double dValue = 0.0;
    if (!IntegerField(object, "id", 0, UINT32_MAX, nId, strError) ||
        !NumberField(object, "value", dValue, strError)) {
        return false;
    }
    const PanelParameter* pParameter = layout.Find(static_cast<uint32_t>(nId));
    if (pParameter == nullptr) {
        strError = "parameter " + std::to_string(nId) + " is not on this panel";
        return false;
    }
    if (dValue < pParameter->dMin || dValue > pParameter->dMax) {
        strError = pParameter->strLabel + ": " + Shown(dValue) + " is out of range (" +
                   Shown(pParameter->dMin) + " to " + Shown(pParameter->dMax) + ")";
        return false;
    }
    parameter = {pParameter->nId, dValue};
    return true;
}

bool ModeField(const Json& object, const char* szKey, const std::vector<PanelMode>& modes,
               int32_t& nMode, std::string& strError) {
    int64_t nValue = 0;
    if (!IntegerField(object, szKey, INT32_MIN, INT32_MAX, nValue, strError)) {
        return false;
    }
    for (const PanelMode& mode : modes) {
        if (mode.nValue == nValue) {
            nMode = mode.nValue;
            return true;
        }
    }
    strError = std::string(szKey) + " " + std::to_string(nValue) + " is not offered by this panel";
    return false;
}

bool ParseModes(const Json& list, const char* szWhat, std::vector<PanelMode>& modes,
                std::string& strError) {
    if (!list.is_array() || list.empty()) {
        strError = std::string(szWhat) + " must be a list of {value, label}";
        return false;
    }
    for (const Json& entry : list) {
        int64_t nValue = 0;
        const Json* pLabel = Field(entry, "label");
        if (!IntegerField(entry, "value", -32768, 65535, nValue, strError)) {
            strError = std::string(szWhat) + ": " + strError;
            return false;
        }
        PanelMode mode;
        mode.nValue = static_cast<int32_t>(nValue);
        mode.strLabel = pLabel != nullptr && pLabel->is_string() ? pLabel->get<std::string>()
                                                                 : std::to_string(nValue);
        modes.push_back(mode);
    }
    return true;
}

bool ParseRange(const Json& entry, PanelParameter& parameter, std::string& strError) {
    if (!NumberField(entry, "min", parameter.dMin, strError) ||
        !NumberField(entry, "max", parameter.dMax, strError)) {
        return false;
    }
    if (Field(entry, "step") != nullptr && !NumberField(entry, "step", parameter.dStep, strError)) {
        return false;
    }
    if (!(parameter.dMin < parameter.dMax) || !(parameter.dStep > 0)) {
        strError = "needs min below max and a positive step";
        return false;
    }
    return true;
}

bool ParseParameter(const Json& entry, PanelParameter& parameter, std::string& strError) {
    int64_t nId = 0;
    if (!IntegerField(entry, "id", 0, UINT32_MAX, nId, strError)) {
        return false;
    }
    parameter.nId = static_cast<uint32_t>(nId);
    const Json* pLabel = Field(entry, "label");
    const Json* pUnit = Field(entry, "unit");
    parameter.strLabel = pLabel != nullptr && pLabel->is_string()
                             ? pLabel->get<std::string>()
                             : "Parameter " + std::to_string(parameter.nId);
    parameter.strUnit = pUnit != nullptr && pUnit->is_string() ? pUnit->get<std::string>() : "";
    if (!ParseRange(entry, parameter, strError)) {
        strError = "parameter " + std::to_string(parameter.nId) + ": " + strError;
        return false;
    }
    return true;
}

Json ModesJson(const std::vector<PanelMode>& modes) {
    Json list = Json::array();
    for (const PanelMode& mode : modes) {
        list.push_back({{"value", mode.nValue}, {"label", mode.strLabel}});
    }
    return list;
}

bool CustomOutputMode(const Json& object, const PanelLayout& layout, PanelCommand& command,
                      std::string& strError) {
    int32_t nFirst = 0, nSecond = 0;
    if (!ModeField(object, "first", layout.outputModes, nFirst, strError) ||
        !ModeField(object, "second", layout.outputModes, nSecond, strError)) {
        return false;
    }
    command.words = {"custom-output-mode", std::to_string(nFirst), std::to_string(nSecond)};
    command.modes["customOutputMode"] = {{"first", nFirst}, {"second", nSecond}};
    return true;
}

// A mode selection: output-mode or sound-mode.
bool ModeCommand(const Json& object, const char* szWord, const char* szKey,
                 const std::vector<PanelMode>& modes, PanelCommand& command,
                 std::string& strError) {
    int32_t nMode = 0;
    if (!ModeField(object, "mode", modes, nMode, strError)) {
        return false;
    }
    command.words = {szWord, std::to_string(nMode)};
    command.modes[szKey] = nMode;
    return true;
}

// A name from one of the library's tables (log tags, log outputs).
template <size_t N>
bool NameField(const Json& object, const char* szKey, const char* const (&names)[N],
               const char* szWhat, std::string& strName, std::string& strError) {
    if (!WordField(object, szKey, CDataAPO::kMaxNameLength, strName, strError)) {
        return false;
    }
    for (const char* szName : names) {
        if (strName == szName) {
            return true;
        }
    }
    strError = std::string("there is no ") + szWhat + " \"" + strName + "\"";
    return false;
}

bool LogOutput(const Json& object, PanelCommand& command, std::string& strError) {
    std::string strOutput;
    bool bOn = false;
    if (!NameField(object, "output", TarvoFX::TarvoLogImpl::s_caszLogOutputNames, "log output",
                   strOutput, strError) ||
        !BoolField(object, "on", bOn, strError)) {
        return false;
    }
    const Json* pPath = Field(object, "path");
    if (bOn && strOutput == kFileOutput && pPath != nullptr && pPath->is_string() &&
        !pPath->get<std::string>().empty()) {
        std::string strPath;
        const size_t nRoom = CDataAPO::kMaxNameLength - std::strlen(kFileOutputPathPrefix);
        if (!WordField(object, "path", nRoom, strPath, strError)) {
            return false;
        }
        strOutput = kFileOutputPathPrefix + strPath;
    }
    command.words = {"log-output", strOutput, bOn ? "on" : "off"};
    return true;
}

bool LogLevel(const Json& object, PanelCommand& command, std::string& strError) {
    std::string strTag;
    int64_t nLevel = 0;
    if (!NameField(object, "tag", TarvoFX::TarvoLog::s_caszTarvoLogTags, "log tag", strTag,
                   strError) ||
        !IntegerField(object, "level", TarvoFX::LOG_LEVEL_VERBOSE, TarvoFX::LOG_LEVEL_ERROR, nLevel,
                      strError)) {
        return false;
    }
    command.words = {"log-level", strTag, std::to_string(nLevel)};
    return true;
}

bool SetTag(const Json& object, const PanelLayout& layout, PanelCommand& command,
            std::string& strError) {
    int32_t nOutputMode = 0, nSoundMode = 0;
    uint32_t nDisable = 0, nEnable = 0;
    if (!ModeField(object, "outputMode", layout.outputModes, nOutputMode, strError) ||
        !ModeField(object, "soundMode", layout.soundModes, nSoundMode, strError) ||
        !MaskField(object, "disable", nDisable, strError) ||
        !MaskField(object, "enable", nEnable, strError)) {
        return false;
    }
    char szDisable[16], szEnable[16];
    std::snprintf(szDisable, sizeof(szDisable), "0x%X", nDisable);
    std::snprintf(szEnable, sizeof(szEnable), "0x%X", nEnable);
    command.words = {"set-tag", std::to_string(nOutputMode), std::to_string(nSoundMode), szDisable,
                     szEnable};
    return true;
}

bool Recording(const Json& object, PanelCommand& command, std::string& strError) {
    bool bOn = false;
    if (!BoolField(object, "on", bOn, strError)) {
        return false;
    }
    if (!bOn) {
        command.words = {"recording-off"};
        return true;
    }
    std::string strPath;
    if (!WordField(object, "path", CDataAPO::kMaxRecordingPathLength, strPath, strError)) {
        return false;
    }
    command.words = {"recording-on", strPath};
    return true;
}

bool VolumeCommand(const Json& object, const char* szKey, const PanelLayout& layout,
                   PanelCommand& command, std::string& strError) {
    double dVolume = 0.0;
    if (!NumberField(object, szKey, dVolume, strError)) {
        return false;
    }
    if (dVolume < layout.volume.dMin || dVolume > layout.volume.dMax) {
        strError = "volume " + Shown(dVolume) + " is out of range (" + Shown(layout.volume.dMin) +
                   " to " + Shown(layout.volume.dMax) + ")";
        return false;
    }
    command.words = {"volume", TarvoFX::TuningProtocol::ShortestNumberText(dVolume)};
    return true;
}

}  // namespace

const PanelParameter* PanelLayout::Find(uint32_t nId) const {
    for (const Group& group : groups) {
        for (const PanelParameter& parameter : group.parameters) {
            if (parameter.nId == nId) {
                return &parameter;
            }
        }
    }
    return nullptr;
}

std::vector<uint32_t> PanelLayout::Ids() const {
    std::vector<uint32_t> ids;
    for (const Group& group : groups) {
        for (const PanelParameter& parameter : group.parameters) {
            ids.push_back(parameter.nId);
        }
    }
    return ids;
}

Json PanelLayout::ToJson() const {
    Json jsonGroups = Json::array();
    for (const Group& group : groups) {
        Json parameters = Json::array();
        for (const PanelParameter& p : group.parameters) {
            parameters.push_back({{"id", p.nId},
                                  {"label", p.strLabel},
                                  {"min", p.dMin},
                                  {"max", p.dMax},
                                  {"step", p.dStep},
                                  {"unit", p.strUnit}});
        }
        jsonGroups.push_back({{"name", group.strName}, {"parameters", parameters}});
    }
    return {{"title", strTitle},
            {"groups", jsonGroups},
            {"outputModes", ModesJson(outputModes)},
            {"soundModes", ModesJson(soundModes)},
            {"volume", {{"min", volume.dMin}, {"max", volume.dMax}, {"step", volume.dStep}}}};
}

bool ParseLayout(const std::string& strText, PanelLayout& layout, std::string& strError) {
    const Json root = Json::parse(strText, nullptr, false);
    if (root.is_discarded() || !root.is_object()) {
        strError = "not a JSON object";
        return false;
    }
    layout = PanelLayout();
    const Json* pTitle = Field(root, "title");
    layout.strTitle =
        pTitle != nullptr && pTitle->is_string() ? pTitle->get<std::string>() : "Tuning panel";
    const Json* pGroups = Field(root, "groups");
    if (pGroups == nullptr || !pGroups->is_array() || pGroups->empty()) {
        strError = "groups must be a list of {name, parameters}";
        return false;
    }
    std::set<uint32_t> ids;
    for (const Json& jsonGroup : *pGroups) {
        PanelLayout::Group group;
        const Json* pName = Field(jsonGroup, "name");
        const Json* pParameters = Field(jsonGroup, "parameters");
        group.strName = pName != nullptr && pName->is_string() ? pName->get<std::string>() : "";
        if (pParameters == nullptr || !pParameters->is_array()) {
            strError = "group \"" + group.strName + "\" has no list of parameters";
            return false;
        }
        for (const Json& entry : *pParameters) {
            PanelParameter parameter;
            if (!ParseParameter(entry, parameter, strError)) {
                return false;
            }
            if (!ids.insert(parameter.nId).second) {
                strError = "parameter " + std::to_string(parameter.nId) + " appears twice";
                return false;
            }
            group.parameters.push_back(parameter);
        }
        layout.groups.push_back(group);
    }
    if (ids.empty() || ids.size() > kMaxLayoutParameters) {
        strError = "a layout holds 1 to " + std::to_string(kMaxLayoutParameters) + " parameters";
        return false;
    }
    const Json* pOutputModes = Field(root, "outputModes");
    const Json* pSoundModes = Field(root, "soundModes");
    if (!ParseModes(pOutputModes != nullptr ? *pOutputModes : Json(), "outputModes",
                    layout.outputModes, strError) ||
        !ParseModes(pSoundModes != nullptr ? *pSoundModes : Json(), "soundModes", layout.soundModes,
                    strError)) {
        return false;
    }
    layout.volume.strLabel = "Volume";
    const Json* pVolume = Field(root, "volume");
    if (pVolume != nullptr && !ParseRange(*pVolume, layout.volume, strError)) {
        strError = "volume: " + strError;
        return false;
    }
    return true;
}

bool PageCommand(const Json& request, const PanelLayout& layout, PanelCommand& command,
                 std::string& strError) {
    command = PanelCommand();
    const Json* pCommand = Field(request, "command");
    const std::string strCommand =
        pCommand != nullptr && pCommand->is_string() ? pCommand->get<std::string>() : "";
    if (strCommand == "set-param") {
        ParameterValue parameter{0, 0.0};
        if (!ParameterSet(request, layout, parameter, strError)) {
            return false;
        }
        command.words = {"set-param", std::to_string(parameter.nId),
                         TarvoFX::TuningProtocol::ShortestNumberText(parameter.dValue)};
        command.parameters.push_back(parameter);
        return true;
    }
    if (strCommand == "output-mode") {
        return ModeCommand(request, "output-mode", "outputMode", layout.outputModes, command,
                           strError);
    }
    if (strCommand == "sound-mode") {
        return ModeCommand(request, "sound-mode", "soundMode", layout.soundModes, command,
                           strError);
    }
    if (strCommand == "custom-output-mode") {
        return CustomOutputMode(request, layout, command, strError);
    }
    if (strCommand == "set-tag") {
        return SetTag(request, layout, command, strError);
    }
    if (strCommand == "volume") {
        return VolumeCommand(request, "value", layout, command, strError);
    }
    if (strCommand == "log-level") {
        return LogLevel(request, command, strError);
    }
    if (strCommand == "log-output") {
        return LogOutput(request, command, strError);
    }
    if (strCommand == "recording") {
        return Recording(request, command, strError);
    }
    if (strCommand == "meters") {
        bool bOn = false;
        if (!BoolField(request, "on", bOn, strError)) {
            return false;
        }
        command.words = {"meters", bOn ? "on" : "off"};
        return true;
    }
    if (strCommand == "calibrate" || strCommand == "dump") {
        command.words = {strCommand};
        return true;
    }
    if (strCommand == "load-preset") {
        std::string strPath;
        if (!WordField(request, "path", CDataAPO::kMaxPathLength, strPath, strError)) {
            return false;
        }
        command.words = {"load-preset", strPath};
        return true;
    }
    strError = strCommand.empty() ? "the request names no command"
                                  : "there is no command \"" + strCommand + "\"";
    return false;
}

bool StateCommands(const Json& state, const PanelLayout& layout,
                   std::vector<PanelCommand>& commands, std::string& strError) {
    commands.clear();
    const Json* pParameters = Field(state, "parameters");
    if (pParameters == nullptr || !pParameters->is_array()) {
        strError = "not a panel state: it has no list of parameters";
        return false;
    }
    PanelCommand values;
    std::string strPairs;
    for (const Json& entry : *pParameters) {
        ParameterValue parameter{0, 0.0};
        if (!ParameterSet(entry, layout, parameter, strError)) {
            return false;
        }
        strPairs += (strPairs.empty() ? "" : ",") + std::to_string(parameter.nId) + "=" +
                    TarvoFX::TuningProtocol::ShortestNumberText(parameter.dValue);
        values.parameters.push_back(parameter);
    }
    if (!values.parameters.empty()) {
        values.words = {"set-params", strPairs};
        commands.push_back(values);
    }
    const Json* pModes = Field(state, "modes");
    const Json modes = pModes != nullptr ? *pModes : Json::object();
    if (!modes.is_object()) {
        strError = "modes must be an object";
        return false;
    }
    struct ModeKind {
        const char* szKey;
        const char* szWord;
        const std::vector<PanelMode>& offered;
    };
    for (const ModeKind& kind : {ModeKind{"outputMode", "output-mode", layout.outputModes},
                                 ModeKind{"soundMode", "sound-mode", layout.soundModes}}) {
        const Json* pMode = Field(modes, kind.szKey);
        if (pMode != nullptr) {
            PanelCommand command;
            if (!ModeCommand({{"mode", *pMode}}, kind.szWord, kind.szKey, kind.offered, command,
                             strError)) {
                strError = std::string(kind.szKey) + ": " + strError;
                return false;
            }
            commands.push_back(command);
        }
    }
    const Json* pCustom = Field(modes, "customOutputMode");
    if (pCustom != nullptr) {
        PanelCommand command;
        if (!CustomOutputMode(*pCustom, layout, command, strError)) {
            strError = "customOutputMode: " + strError;
            return false;
        }
        commands.push_back(command);
    }
    // The page's own sets of values (A/B, undo, a compared file) may carry
    // the volume too; a saved state has none, the protocol reads none back.
    if (Field(state, "volume") != nullptr) {
        PanelCommand command;
        if (!VolumeCommand(state, "volume", layout, command, strError)) {
            return false;
        }
        commands.push_back(command);
    }
    if (commands.empty()) {
        strError = "the state holds nothing to send";
        return false;
    }
    return true;
}

Json StateJson(const std::map<uint32_t, double>& values, const Json& modes) {
    Json parameters = Json::array();
    for (const auto& value : values) {
        parameters.push_back({{"id", value.first}, {"value", value.second}});
    }
    return {{"format", "veltra-panel-state"}, {"parameters", parameters}, {"modes", modes}};
}

Json LoggingChoices() {
    Json tags = Json::array();
    for (const char* szTag : TarvoFX::TarvoLog::s_caszTarvoLogTags) {
        tags.push_back(szTag);
    }
    Json outputs = Json::array();
    for (const char* szOutput : TarvoFX::TarvoLogImpl::s_caszLogOutputNames) {
        outputs.push_back(szOutput);
    }
    const Json levels = Json::array({{{"value", TarvoFX::LOG_LEVEL_VERBOSE}, {"label", "verbose"}},
                                     {{"value", TarvoFX::LOG_LEVEL_DEBUG}, {"label", "debug"}},
                                     {{"value", TarvoFX::LOG_LEVEL_INFO}, {"label", "info"}},
                                     {{"value", TarvoFX::LOG_LEVEL_WARNING}, {"label", "warning"}},
                                     {{"value", TarvoFX::LOG_LEVEL_ERROR}, {"label", "error"}}});
    return {{"tags", tags}, {"levels", levels}, {"outputs", outputs}, {"fileOutput", kFileOutput}};
}

}  // namespace VeltraTune
