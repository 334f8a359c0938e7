// veltra-tune: the tuning tool's side of the protocol, for people. It connects
// to a running tuning server, sends commands in the text, binary or framed
// dialect, and prints the replies of parameter queries.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

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
};

struct Options {
    std::string strHost = "127.0.0.1";
    int nPort = -1;
    TarvoFX::ProtocolVersion eDialect = TarvoFX::kText;
    int nTimeoutMs = 2000;
    std::vector<std::string> command;
};

void Usage(FILE* pOut) {
    std::fprintf(pOut,
                 "usage: veltra-tune --port PORT [options] [COMMAND ARGS...]\n"
                 "       veltra-tune panel --port PORT [panel options]   (see panel --help)\n"
                 "\n"
                 "Sends one command to a tuning server and prints the reply of a query; with\n"
                 "no command, reads commands line by line from standard input (interactive),\n"
                 "all on one connection, until end of input or \"quit\".\n"
                 "\n"
                 "options:\n"
                 "  --host HOST        server address (default 127.0.0.1)\n"
                 "  --port PORT        server port (required)\n"
                 "  --dialect D        text (default), binary or framed\n"
                 "  --timeout MS       how long connecting, and a query's reply, may take\n"
                 "                     (default 2000)\n"
                 "  --help             this text\n"
                 "\n"
                 "commands:\n%s"
                 "\n"
                 "Requests the server knows only as text lines (set-tag, log-level, log-output,\n"
                 "meters, volume, dump) are sent as text lines in every dialect.\n"
                 "\n"
                 "exit status: 0 done; 1 connection lost or bad reply; 2 usage error;\n"
                 "3 no connection (refused or unreachable); 4 a query got no reply in time.\n",
                 VeltraTune::CommandHelp().c_str());
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
    if (options.nPort < 0) {
        std::fprintf(stderr, "veltra-tune: --port is required\n");
        return false;
    }
    return true;
}

// Runs one command on the connection; prints what happened.
int RunCommand(int nSocket, const Options& options, const std::vector<std::string>& words) {
    VeltraTune::Request request;
    std::string strError;
    if (!VeltraTune::BuildRequest(words, options.eDialect, request, strError)) {
        std::fprintf(stderr, "veltra-tune: %s\n", strError.c_str());
        return kExitUsage;
    }
    if (!request.strNote.empty()) {
        std::printf("note: %s\n", request.strNote.c_str());
    }
    if (!VeltraTune::SendAll(nSocket, request.bytes)) {
        std::fprintf(stderr, "veltra-tune: connection lost while sending: %s\n",
                     std::strerror(errno));
        return kExitFailed;
    }
    if (request.eReply == VeltraTune::ReplyKind::kNone) {
        std::printf("%s\n", VeltraTune::SentText(words[0], request.bytes.size()).c_str());
        std::fflush(stdout);
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
                         words[0].c_str(), options.nTimeoutMs);
            return kExitTimeout;
        case VeltraTune::ReplyStatus::kClosed:
            std::fprintf(stderr, "veltra-tune: the server closed the connection\n");
            return kExitFailed;
    }
    std::vector<VeltraTune::ParameterValue> values;
    if (!reader.Decode(reply, values, strError)) {
        std::fprintf(stderr, "veltra-tune: %s\n", strError.c_str());
        return kExitFailed;
    }
    std::printf("%s", values.empty() ? "(no values)\n" : VeltraTune::FormatValues(values).c_str());
    std::fflush(stdout);
    return kExitOk;
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
        Usage(stderr);
        return kExitUsage;
    }
    if (bHelp) {
        Usage(stdout);
        return kExitOk;
    }
    // A one-shot command is checked before anything goes on the wire.
    if (!options.command.empty()) {
        VeltraTune::Request request;
        std::string strError;
        if (!VeltraTune::BuildRequest(options.command, options.eDialect, request, strError)) {
            std::fprintf(stderr, "veltra-tune: %s\n", strError.c_str());
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
        nStatus = RunCommand(nSocket, options, options.command);
    } else {
        std::string strLine;
        while (std::getline(std::cin, strLine)) {
            std::vector<std::string> words = Words(strLine);
            if (words.empty() || words[0][0] == '#') {
                continue;
            }
            if (words[0] == "quit" || words[0] == "exit") {
                break;
            }
            int nResult = RunCommand(nSocket, options, words);
            if (nResult == kExitFailed) {
                nStatus = kExitFailed;
                break;
            }
        }
    }
    close(nSocket);
    return nStatus;
}
