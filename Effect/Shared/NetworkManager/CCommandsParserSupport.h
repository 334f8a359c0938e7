// What the command parser's files share: the record type, the width of a
// binary word and the command numbers a binary request may start with.
// Internal to the parser; nothing outside NetworkManager includes it.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "NetworkManager/CCommandsParser.h"
#include "NetworkManager/CDataAPO.h"

namespace TarvoFX {
namespace CommandsParserSupport {

using Record = CCommandsParser::Record;

// Width of a binary word: command number, count, length, parameter id.
constexpr size_t kWord = 4;

inline bool IsCommandNumber(uint32_t nWord) {
    return nWord >= 1 && nWord <= kCommandLast;
}

}  // namespace CommandsParserSupport
}  // namespace TarvoFX
