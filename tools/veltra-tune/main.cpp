// veltra-tune: the tuning tool's side of the protocol, for people. It connects
// to a running tuning server, sends commands in the text, binary or framed
// dialect, and prints the replies of parameter queries.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#ifdef VELTRA_TUNE_LIBEDIT
#include <histedit.h>
#endif

#include "NetworkManager/TuningProtocol.h"
#include "Panel.h"
#include "TuningClient.h"
#include "TuningRequests.h"

namespace {

enum ExitStatus {
    kExitOk = 0,
    kExitFailed = 1,  // the connection broke, or a reply made no sense
    kExitUsage = 2,   // bad options or command
    kExitNoConnection = 3,
    kExitTimeout = 4,  // a query got no reply in time
    kExitNotHeld = 5,  // a parameter read back after a set holds another value
};

struct Options {
    std::string strHost = "127.0.0.1";
    int nPort = -1;
    TarvoFX::ProtocolVersion eDialect = TarvoFX::kText;
    int nTimeoutMs = 2000;
    bool bVerify = true;
    std::vector<std::string> command;
};

const char* const kUsageLine = "usage: veltra-tune --port PORT [options] [COMMAND ARGS...]";

void Usage(FILE* pOut) {
    std::fprintf(pOut,
                 "%s\n"
                 "       veltra-tune panel --port PORT [panel options]   (see panel --help)\n"
                 "       veltra-tune help [COMMAND]   (the commands, or one in detail)\n"
                 "\n"
                 "Sends one command to a tuning server and reports what came of it; with no\n"
                 "command, reads commands line by line from standard input, all on one\n"
                 "connection, until end of input or \"quit\" (\"help\" lists the commands;\n"
                 "at a terminal with a prompt, line editing and history).\n"
                 "\n"
                 "options:\n"
                 "  --host HOST        server address (default 127.0.0.1)\n"
                 "  --port PORT        server port (required)\n"
                 "  --dialect D        text (default), binary or framed\n"
                 "  --timeout MS       how long connecting, and a query's reply, may take\n"
                 "                     (default 2000)\n"
                 "  --no-verify        send set-param and set-params without reading the\n"
                 "                     values back\n"
                 "  --help             this text\n"
                 "\n"
                 "commands:\n%s"
                 "\n%s"
                 "\n"
                 "What the tool reports: a query prints the values the effect answers; after\n"
                 "set-param and set-params it reads the values back (text replies carry two\n"
                 "decimals) and names each one the effect does not hold. For every other\n"
                 "command the tuning protocol returns no result, so the tool says only that\n"
                 "it was sent; the effect's own log tells whether it took. Requests the\n"
                 "server knows only as text lines (set-tag, log-level, log-output, meters,\n"
                 "volume, dump) are sent as text lines in every dialect. Every request's\n"
                 "bytes, in each dialect, are in docs/protocol.md.\n"
                 "\n"
                 "exit status: 0 done; 1 connection lost or bad reply; 2 usage error;\n"
                 "3 no connection (refused or unreachable); 4 a query got no reply in time;\n"
                 "5 a value read back after a set is not the value set.\n",
                 kUsageLine, VeltraTune::CommandHelp().c_str(), VeltraTune::LogNamesHelp().c_str());
}

// A usage error: one line that says what is wrong, then the usage line of
// the command (or where the commands are listed).
void UsageError(const std::vector<std::string>& words, const std::string& strError,
                bool bInteractive) {
    std::fprintf(stderr, "veltra-tune: %s\n", strError.c_str());
    const std::string strUsage = words.empty() ? "" : VeltraTune::CommandUsage(words[0]);
    if (!strUsage.empty()) {
        std::fprintf(stderr, "usage: %s%s\n", bInteractive ? "" : "veltra-tune [options] ",
                     strUsage.c_str());
    } else {
        std::fprintf(stderr, "%s\n",
                     bInteractive ? "\"help\" lists the commands"
                                  : "\"veltra-tune --help\" lists the commands");
    }
}

bool ParseOptions(int argc, char** argv, Options& options, bool& bHelp) {
    bHelp = false;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string strArg = argv[i];
        if (strArg.rfind("--", 0) != 0) {
            break;
        }
        if (strArg == "--help") {
            bHelp = true;
            return true;
        }
        if (strArg == "--no-verify") {
            options.bVerify = false;
            continue;
        }
        if (strArg != "--host" && strArg != "--port" && strArg != "--dialect" &&
            strArg != "--timeout") {
            std::fprintf(stderr, "veltra-tune: unknown option %s\n", strArg.c_str());
            return false;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "veltra-tune: %s needs a value\n", strArg.c_str());
            return false;
        }
        const std::string strValue = argv[++i];
        char* pEnd = nullptr;
        if (strArg == "--host") {
            options.strHost = strValue;
        } else if (strArg == "--port") {
            long nPort = std::strtol(strValue.c_str(), &pEnd, 10);
            if (*pEnd != '\0' || nPort < 1 || nPort > 65535) {
                std::fprintf(stderr, "veltra-tune: bad port %s\n", strValue.c_str());
                return false;
            }
            options.nPort = static_cast<int>(nPort);
        } else if (strArg == "--dialect") {
            if (!VeltraTune::ParseDialect(strValue, options.eDialect)) {
                std::fprintf(stderr, "veltra-tune: unknown dialect %s\n", strValue.c_str());
                return false;
            }
        } else if (strArg == "--timeout") {
            long nTimeout = std::strtol(strValue.c_str(), &pEnd, 10);
            if (*pEnd != '\0' || nTimeout < 1 || nTimeout > 3600000) {
                std::fprintf(stderr, "veltra-tune: bad timeout %s\n", strValue.c_str());
                return false;
            }
            options.nTimeoutMs = static_cast<int>(nTimeout);
        } else {
            std::fprintf(stderr, "veltra-tune: unknown option %s\n", strArg.c_str());
            return false;
        }
    }
    options.command.assign(argv + i, argv + argc);
    // "help" needs no server.
    if (options.nPort < 0 && (options.command.empty() || options.command[0] != "help")) {
        std::fprintf(stderr, "veltra-tune: --port is required\n");
        return false;
    }
    return true;
}

// Sends a request and, for a query, receives and decodes its reply.
int Exchange(int nSocket, const Options& options, const std::string& strCommand,
             const VeltraTune::Request& request, std::vector<VeltraTune::ParameterValue>& values) {
    if (!VeltraTune::SendAll(nSocket, request.bytes)) {
        std::fprintf(stderr, "veltra-tune: connection lost while sending: %s\n",
                     std::strerror(errno));
        return kExitFailed;
    }
    if (request.eReply == VeltraTune::ReplyKind::kNone) {
        return kExitOk;
    }
    const VeltraTune::ReplyReader reader(request.eReply, request.eReplyDialect);
    VeltraTune::Bytes reply;
    switch (VeltraTune::ReceiveReply(nSocket, reader, options.nTimeoutMs, reply)) {
        case VeltraTune::ReplyStatus::kComplete:
            break;
        case VeltraTune::ReplyStatus::kTimeout:
            std::fprintf(stderr,
                         "veltra-tune: no reply to %s within %d ms (the effect did not answer "
                         "this query)\n",
                         strCommand.c_str(), options.nTimeoutMs);
            return kExitTimeout;
        case VeltraTune::ReplyStatus::kClosed:
            std::fprintf(stderr, "veltra-tune: the server closed the connection\n");
            return kExitFailed;
    }
    std::string strError;
    if (!reader.Decode(reply, values, strError)) {
        std::fprintf(stderr, "veltra-tune: %s\n", strError.c_str());
        return kExitFailed;
    }
    return kExitOk;
}

// Reads the values of a set back with a query in the same dialect and
// compares each with what was set, as far as the reply carries it.
int ReadBack(int nSocket, const Options& options, const std::string& strSent,
             const VeltraTune::Request& set) {
    // A later value for the same id is the one that stays.
    std::vector<VeltraTune::ParameterValue> expected;
    for (const VeltraTune::ParameterValue& value : set.sets) {
        auto it =
            std::find_if(expected.begin(), expected.end(),
                         [&](const VeltraTune::ParameterValue& e) { return e.nId == value.nId; });
        if (it == expected.end()) {
            expected.push_back(value);
        } else {
            it->dValue = value.dValue;
        }
    }
    std::string strIds;
    for (const VeltraTune::ParameterValue& value : expected) {
        strIds += (strIds.empty() ? "" : ",") + std::to_string(value.nId);
    }
    VeltraTune::Request query;
    std::string strError;
    if (!VeltraTune::BuildRequest({"get-params", strIds}, options.eDialect, query, strError)) {
        std::fprintf(stderr, "veltra-tune: %s\n", strError.c_str());
        return kExitFailed;
    }
    std::vector<VeltraTune::ParameterValue> held;
    const int nStatus = Exchange(nSocket, options, "the read-back", query, held);
    if (nStatus != kExitOk) {
        return nStatus;
    }
    int nResult = kExitOk;
    bool bRounded = false;
    std::string strHeld;
    for (const VeltraTune::ParameterValue& value : expected) {
        auto it = std::find_if(held.begin(), held.end(), [&](const VeltraTune::ParameterValue& h) {
            return h.nId == value.nId;
        });
        const double dCarried = VeltraTune::AsReplyCarries(value.dValue, query.eReplyDialect);
        bRounded = bRounded || dCarried != value.dValue;
        if (it == held.end()) {
            std::fprintf(
                stderr, "veltra-tune: parameter %u: set %s, the effect's answer leaves it out\n",
                value.nId, TarvoFX::TuningProtocol::ShortestNumberText(value.dValue).c_str());
            nResult = kExitNotHeld;
        } else if (it->dValue != dCarried) {
            std::fprintf(stderr, "veltra-tune: parameter %u: set %s, the effect holds %s\n",
                         value.nId,
                         TarvoFX::TuningProtocol::ShortestNumberText(value.dValue).c_str(),
                         TarvoFX::TuningProtocol::ShortestNumberText(it->dValue).c_str());
            nResult = kExitNotHeld;
        } else {
            strHeld += (strHeld.empty() ? "" : ", ") + std::to_string(value.nId) + " = " +
                       TarvoFX::TuningProtocol::ShortestNumberText(it->dValue);
        }
    }
    if (nResult == kExitOk) {
        std::printf("%s; read back: %s%s\n", strSent.c_str(), strHeld.c_str(),
                    bRounded ? " (the text reply carries two decimals)" : "");
        std::fflush(stdout);
    }
    return nResult;
}

// Runs one command on the connection; prints what happened.
int RunCommand(int nSocket, const Options& options, const std::vector<std::string>& words,
               bool bInteractive) {
    VeltraTune::Request request;
    std::string strError;
    if (!VeltraTune::BuildRequest(words, options.eDialect, request, strError)) {
        UsageError(words, strError, bInteractive);
        return kExitUsage;
    }
    if (!request.strNote.empty()) {
        std::printf("note: %s\n", request.strNote.c_str());
    }
    std::vector<VeltraTune::ParameterValue> values;
    const int nStatus = Exchange(nSocket, options, words[0], request, values);
    if (nStatus != kExitOk) {
        return nStatus;
    }
    const std::string strSent = VeltraTune::SentText(words[0], request.bytes.size());
    switch (request.eOutcome) {
        case VeltraTune::Outcome::kReply:
            std::printf(
                "%s", values.empty() ? "(no values)\n" : VeltraTune::FormatValues(values).c_str());
            break;
        case VeltraTune::Outcome::kReadBack:
            if (options.bVerify) {
                return ReadBack(nSocket, options, strSent, request);
            }
            std::printf("%s; not read back (--no-verify)\n", strSent.c_str());
            break;
        case VeltraTune::Outcome::kNoResult:
            std::printf("%s; the tuning protocol returns no result for %s\n", strSent.c_str(),
                        words[0].c_str());
            break;
    }
    std::fflush(stdout);
    return kExitOk;
}

const char* const kPrompt = "veltra-tune> ";

// The lines of the interactive mode. At a terminal they come with a prompt
// and, where the tool is built with libedit, with line editing and history;
// from a pipe or a file they are read as they are.
class LineSource {
public:
    explicit LineSource(const char* szProgram) : m_bTerminal(isatty(STDIN_FILENO) == 1) {
#ifdef VELTRA_TUNE_LIBEDIT
        if (m_bTerminal) {
            m_pEditLine = el_init(szProgram, stdin, stdout, stderr);
            m_pHistory = history_init();
            if (m_pEditLine != nullptr && m_pHistory != nullptr) {
                HistEvent event;
                history(m_pHistory, &event, H_SETSIZE, 1000);
                history(m_pHistory, &event, H_SETUNIQUE, 1);
                el_set(m_pEditLine, EL_PROMPT, &LineSource::Prompt);
                el_set(m_pEditLine, EL_EDITOR, "emacs");
                el_set(m_pEditLine, EL_SIGNAL, 1);
                el_set(m_pEditLine, EL_HIST, history, m_pHistory);
                el_source(m_pEditLine, nullptr);  // the person's ~/.editrc, if any
            } else {
                Close();
            }
        }
#else
        (void)szProgram;
#endif
    }
    ~LineSource() {
        Close();
    }
    LineSource(const LineSource&) = delete;
    LineSource& operator=(const LineSource&) = delete;

    bool Terminal() const {
        return m_bTerminal;
    }

    // The next line without its line feed; false at the end of input.
    bool Next(std::string& strLine) {
#ifdef VELTRA_TUNE_LIBEDIT
        if (m_pEditLine != nullptr) {
            int nCount = 0;
            const char* szLine = el_gets(m_pEditLine, &nCount);
            if (szLine == nullptr || nCount <= 0) {
                std::printf("\n");
                return false;
            }
            strLine.assign(szLine, static_cast<size_t>(nCount));
            while (!strLine.empty() && (strLine.back() == '\n' || strLine.back() == '\r')) {
                strLine.pop_back();
            }
            if (strLine.find_first_not_of(" \t") != std::string::npos) {
                HistEvent event;
                history(m_pHistory, &event, H_ENTER, strLine.c_str());
            }
            return true;
        }
#endif
        if (m_bTerminal) {
            std::printf("%s", kPrompt);
            std::fflush(stdout);
        }
        if (!std::getline(std::cin, strLine)) {
            if (m_bTerminal) {
                std::printf("\n");
            }
            return false;
        }
        return true;
    }

private:
    void Close() {
#ifdef VELTRA_TUNE_LIBEDIT
        if (m_pEditLine != nullptr) {
            el_end(m_pEditLine);
            m_pEditLine = nullptr;
        }
        if (m_pHistory != nullptr) {
            history_end(m_pHistory);
            m_pHistory = nullptr;
        }
#endif
    }
#ifdef VELTRA_TUNE_LIBEDIT
    static char* Prompt(EditLine*) {
        return const_cast<char*>(kPrompt);
    }
    EditLine* m_pEditLine = nullptr;
    History* m_pHistory = nullptr;
#endif
    bool m_bTerminal;
};

// "help" and "help COMMAND"; false for an unknown command.
bool Help(const std::vector<std::string>& words) {
    if (words.size() == 1) {
        std::printf("commands:\n%s  %-36s %s\n  %-36s %s\n\n%s", VeltraTune::CommandHelp().c_str(),
                    "help [COMMAND]", "this list, or one command in detail", "quit",
                    "end the session", VeltraTune::LogNamesHelp().c_str());
    } else {
        std::string strText;
        if (words.size() == 2 && VeltraTune::CommandDetail(words[1], strText)) {
            std::printf("%s", strText.c_str());
        } else {
            std::fprintf(stderr, "veltra-tune: no command \"%s\"\n\"help\" lists the commands\n",
                         words[1].c_str());
            return false;
        }
    }
    std::fflush(stdout);
    return true;
}

std::vector<std::string> Words(const std::string& strLine) {
    std::istringstream stream(strLine);
    std::vector<std::string> words;
    std::string strWord;
    while (stream >> strWord) {
        words.push_back(strWord);
    }
    return words;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "panel") == 0) {
#ifdef VELTRA_TUNE_PANEL
        return VeltraTune::RunPanel(argc - 1, argv + 1);
#else
        std::fprintf(stderr, "veltra-tune: this build has no panel (cpp-httplib was not found)\n");
        return kExitUsage;
#endif
    }
    Options options;
    bool bHelp = false;
    if (!ParseOptions(argc, argv, options, bHelp)) {
        std::fprintf(stderr, "%s\n(veltra-tune --help tells more)\n", kUsageLine);
        return kExitUsage;
    }
    if (bHelp) {
        Usage(stdout);
        return kExitOk;
    }
    if (!options.command.empty() && options.command[0] == "help") {
        return Help(options.command) ? kExitOk : kExitUsage;
    }
    // A one-shot command is checked before anything goes on the wire.
    if (!options.command.empty()) {
        VeltraTune::Request request;
        std::string strError;
        if (!VeltraTune::BuildRequest(options.command, options.eDialect, request, strError)) {
            UsageError(options.command, strError, false);
            return kExitUsage;
        }
    }
    std::string strError;
    int nSocket = VeltraTune::Connect(options.strHost, options.nPort, options.nTimeoutMs, strError);
    if (nSocket < 0) {
        std::fprintf(stderr, "veltra-tune: %s\n", strError.c_str());
        return kExitNoConnection;
    }
    int nStatus = kExitOk;
    if (!options.command.empty()) {
        nStatus = RunCommand(nSocket, options, options.command, false);
    } else {
        LineSource lines(argv[0]);
        if (lines.Terminal()) {
            std::printf("connected to %s:%d (%s dialect); \"help\" lists the commands\n",
                        options.strHost.c_str(), options.nPort,
                        VeltraTune::DialectName(options.eDialect));
        }
        std::string strLine;
        while (lines.Next(strLine)) {
            std::vector<std::string> words = Words(strLine);
            if (words.empty() || words[0][0] == '#') {
                continue;
            }
            if (words[0] == "quit" || words[0] == "exit") {
                break;
            }
            if (words[0] == "help") {
                Help(words);
                continue;
            }
            const int nResult = RunCommand(nSocket, options, words, true);
            if (nResult == kExitFailed) {
                nStatus = kExitFailed;
                break;
            }
            if (nResult == kExitNotHeld) {
                nStatus = kExitNotHeld;
            }
        }
    }
    close(nSocket);
    return nStatus;
}
