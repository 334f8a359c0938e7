// How the simulated effect reads a request: every command code it knows has
// a layout (fixed fields, counted arrays, zero-terminated texts or tagged
// values), and a request is accepted only when its bytes match that layout
// exactly. The decoded fields are kept by name for the effect's answers.
#pragma once

#include <stdint.h>

#include <map>
#include <string>
#include <vector>

#include "HostPlatform/Export.h"

namespace HostPlatform {

using Bytes = std::vector<uint8_t>;

struct HOST_PLATFORM_API EffectRequest {
    uint32_t nCode = 0;
    std::string strName;  // the operation the code stands for, e.g. "SetOutputMode"

    // Fields by name. Integers and flags (signed fields sign-extended) and
    // doubles hold one element per value; texts one per string.
    std::map<std::string, std::vector<int64_t>> numbers;
    std::map<std::string, std::vector<double>> doubles;
    std::map<std::string, std::vector<std::string>> texts;
    std::map<std::string, Bytes> blocks;

    // The first (for a scalar field, the only) value of a field; a name the
    // layout does not have throws std::out_of_range.
    int64_t Number(const std::string& strField) const { return numbers.at(strField).at(0); }
    double Double(const std::string& strField) const { return doubles.at(strField).at(0); }
    const std::string& Text(const std::string& strField) const { return texts.at(strField).at(0); }
};

// Decodes a request by the layout of nCode. False for a code outside the
// effect's table, or bytes that do not match the layout: a wrong size, a
// count or length that disagrees with the size, a missing terminator, or a
// tagged value with the wrong tag or width.
HOST_PLATFORM_API bool DecodeEffectRequest(uint32_t nCode, const Bytes& request,
                                           EffectRequest& decoded);

// Whether the effect's table lists nCode.
HOST_PLATFORM_API bool IsKnownEffectCommand(uint32_t nCode);

}  // namespace HostPlatform
