// What the panel's page may ask for, checked before anything reaches the
// tuning server: the layout that says which parameters the page shows (id,
// label, range, step, unit) and which modes it offers, and the page's JSON
// requests, each turned into the words of one veltra-tune command or refused
// with a message for the page.
#pragma once

#include <stdint.h>

#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "TuningRequests.h"

namespace VeltraTune {

using Json = nlohmann::json;

struct PanelParameter {
    uint32_t nId = 0;
    std::string strLabel;
    double dMin = 0.0;
    double dMax = 1.0;
    double dStep = 0.01;
    std::string strUnit;
};

struct PanelMode {
    int32_t nValue = 0;
    std::string strLabel;
};

struct PanelLayout {
    struct Group {
        std::string strName;
        std::vector<PanelParameter> parameters;
    };
    std::string strTitle;
    std::vector<Group> groups;
    std::vector<PanelMode> outputModes;
    std::vector<PanelMode> soundModes;
    PanelParameter volume;  // range and step of the volume control

    const PanelParameter* Find(uint32_t nId) const;
    std::vector<uint32_t> Ids() const;
    Json ToJson() const;
};

// Reads a layout file's text; false with a message naming what is wrong.
bool ParseLayout(const std::string& strText, PanelLayout& layout, std::string& strError);

// One request for the tuning server, with what it changes as the panel
// keeps track of it: the parameter values it sets and the modes it selects
// ("outputMode", "soundMode", "customOutputMode" as a {first, second} object).
struct PanelCommand {
    std::vector<std::string> words;  // a veltra-tune command
    std::vector<ParameterValue> parameters;
    Json modes = Json::object();
};

// A request of the page ({"command": "set-param", "id": 12, "value": 0.5}
// and the like). False with a message when a field is missing, of the wrong
// kind, out of range, names a parameter the layout does not have, or holds
// text that a request cannot carry.
bool PageCommand(const Json& request, const PanelLayout& layout, PanelCommand& command,
                 std::string& strError);

// A saved panel state, checked whole before anything is sent: the commands
// that restore it (every parameter, then the modes it holds, then the volume
// when it has one).
bool StateCommands(const Json& state, const PanelLayout& layout,
                   std::vector<PanelCommand>& commands, std::string& strError);

// The state file the page downloads: parameter values and selected modes.
Json StateJson(const std::map<uint32_t, double>& values, const Json& modes);

// The log tags, levels and outputs the page offers, from the library's tables.
Json LoggingChoices();

}  // namespace VeltraTune
