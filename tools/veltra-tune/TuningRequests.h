// The tuning client's side of the protocol: turns a command typed by a person
// into the bytes of a request in one of the three dialects, and reads the
// server's replies. Command numbers, the frame marker and the field limits are
// the library's own (NetworkManager/CDataAPO.h).
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "NetworkManager/CDataAPO.h"

namespace VeltraTune {

using Bytes = std::vector<uint8_t>;

enum class ReplyKind {
    kNone,            // the server sends nothing back
    kParameter,       // 16 bytes: u32 2, id, value
    kParameterArray,  // array values in the request's dialect
};

struct ParameterValue {
    uint32_t nId;
    double dValue;
};

// What the tool can learn of a request's effect.
enum class Outcome {
    kReply,     // a query: its reply tells
    kReadBack,  // a parameter set: a query reads the values back
    kNoResult,  // the protocol returns nothing for it, and no query reads it back
};

struct Request {
    Bytes bytes;  // what to send
    ReplyKind eReply = ReplyKind::kNone;
    TarvoFX::ProtocolVersion eReplyDialect = TarvoFX::kBinary;  // dialect of an array reply
    std::string strNote;  // how the request was sent, when not in the asked dialect
    TarvoFX::ProtocolVersion eSent = TarvoFX::kText;  // the dialect the bytes are in
    Outcome eOutcome = Outcome::kNoResult;
    std::vector<ParameterValue> sets;  // kReadBack: the values set, in request order
};

// Numbers as a person types them: the whole text must convert. Ids and
// counts take decimal, 0x hexadecimal or 0 octal.
bool ParseU32(const std::string& strText, uint32_t& nValue);
bool ParseI32(const std::string& strText, int32_t& nValue);
// Values must be finite: no "nan" or "inf".
bool ParseDouble(const std::string& strText, double& dValue);

// The dialects by the names the tools use: "text", "binary", "framed".
bool ParseDialect(const std::string& strName, TarvoFX::ProtocolVersion& eDialect);
const char* DialectName(TarvoFX::ProtocolVersion eDialect);

// Builds the request for one command (its words, e.g. {"set-param", "12", "0.5"}).
// False with a one-line message in strError for an unknown command or bad
// arguments: numbers must be finite and integers fit the field they travel
// in (16-bit modes and tag masks, 32-bit ids, signed in the text dialect's
// queries), log levels are 0 to 4, and log tags and outputs are the names
// the library's log knows.
bool BuildRequest(const std::vector<std::string>& words, TarvoFX::ProtocolVersion eDialect,
                  Request& request, std::string& strError);

// The commands with their arguments and meaning, for --help.
// The words with szSeparator between each two.
std::string JoinWords(const std::vector<std::string>& words, const char* szSeparator);

std::string CommandHelp();
// A command's usage line ("set-param ID VALUE"); empty for an unknown command.
std::string CommandUsage(const std::string& strCommand);
// For "help COMMAND": usage, meaning and what the tool can report of it;
// false for an unknown command.
bool CommandDetail(const std::string& strCommand, std::string& strText);
// The log tags and outputs the library knows, from its own tables.
std::string LogNamesHelp();

// The value a query's reply carries for dValue: the text dialect's replies
// carry two decimals, the binary ones the value itself.
double AsReplyCarries(double dValue, TarvoFX::ProtocolVersion eDialect);

// Reading replies: each reader is given the bytes received so far and
// reports how many it needs in all (0 when it cannot tell yet); once they
// are there it decodes them. False with strError for bytes that are no reply.
class ReplyReader {
public:
    ReplyReader(ReplyKind eKind, TarvoFX::ProtocolVersion eDialect);
    // True once bytes hold a complete reply.
    bool Complete(const Bytes& bytes) const;
    bool Decode(const Bytes& bytes, std::vector<ParameterValue>& values,
                std::string& strError) const;

private:
    ReplyKind m_eKind;
    TarvoFX::ProtocolVersion m_eDialect;
};

// "12 = 0.50" lines for printing.
std::string FormatValues(const std::vector<ParameterValue>& values);

}  // namespace VeltraTune
