// veltra-tune: the tuning tool's side of the protocol, for people. It connects
// to a running tuning server, sends commands in the text, binary or framed
// dialect, and prints the replies of parameter queries.
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

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
                 "\n"
                 "Sends one command to a tuning server and prints the reply of a query; with\n"
                 "no command, reads commands line by line from standard input (interactive),\n"
                 "all on one connection, until end of input or \"quit\".\n"
                 "\n"
                 "options:\n"
                 "  --host HOST        server address (default 127.0.0.1)\n"
                 "  --port PORT        server port (required)\n"
                 "  --dialect D        text (default), binary or framed\n"
                 "  --timeout MS       how long a query waits for its reply (default 2000)\n"
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
            if (strValue == "text") {
                options.eDialect = TarvoFX::kText;
            } else if (strValue == "binary") {
                options.eDialect = TarvoFX::kBinary;
            } else if (strValue == "framed") {
                options.eDialect = TarvoFX::kBinaryFramed;
            } else {
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

int Connect(const Options& options, std::string& strError) {
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* pResult = nullptr;
    const std::string strPort = std::to_string(options.nPort);
    int nError = getaddrinfo(options.strHost.c_str(), strPort.c_str(), &hints, &pResult);
    if (nError != 0) {
        strError = std::string("cannot resolve ") + options.strHost + ": " + gai_strerror(nError);
        return -1;
    }
    int nSocket = -1;
    for (addrinfo* p = pResult; p != nullptr && nSocket < 0; p = p->ai_next) {
        nSocket = socket(p->ai_family, p->ai_socktype | SOCK_CLOEXEC, p->ai_protocol);
        if (nSocket >= 0 && connect(nSocket, p->ai_addr, p->ai_addrlen) != 0) {
            strError = std::string("cannot connect to ") + options.strHost + ":" + strPort + ": " +
                       std::strerror(errno);
            close(nSocket);
            nSocket = -1;
        }
    }
    freeaddrinfo(pResult);
    return nSocket;
}

bool SendAll(int nSocket, const VeltraTune::Bytes& bytes) {
    size_t nSent = 0;
    while (nSent < bytes.size()) {
        ssize_t n = send(nSocket, bytes.data() + nSent, bytes.size() - nSent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        nSent += static_cast<size_t>(n);
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
    if (!SendAll(nSocket, request.bytes)) {
        std::fprintf(stderr, "veltra-tune: connection lost while sending: %s\n",
                     std::strerror(errno));
        return kExitFailed;
    }
    if (request.eReply == VeltraTune::ReplyKind::kNone) {
        std::printf("sent %s (%zu bytes)\n", words[0].c_str(), request.bytes.size());
        std::fflush(stdout);
        return kExitOk;
    }

    const VeltraTune::ReplyReader reader(request.eReply, request.eReplyDialect);
    VeltraTune::Bytes reply;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(options.nTimeoutMs);
    while (!reader.Complete(reply)) {
        const auto nLeft = std::chrono::duration_cast<std::chrono::milliseconds>(
                               deadline - std::chrono::steady_clock::now())
                               .count();
        pollfd pfd = {nSocket, POLLIN, 0};
        int nReady = nLeft > 0 ? poll(&pfd, 1, static_cast<int>(nLeft)) : 0;
        if (nReady < 0 && errno == EINTR) {
            continue;
        }
        if (nReady == 0) {
            std::fprintf(stderr,
                         "veltra-tune: no reply to %s within %d ms (the effect did not answer "
                         "this query)\n",
                         words[0].c_str(), options.nTimeoutMs);
            return kExitTimeout;
        }
        uint8_t aBuffer[4096];
        ssize_t n = recv(nSocket, aBuffer, sizeof(aBuffer), 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            std::fprintf(stderr, "veltra-tune: the server closed the connection\n");
            return kExitFailed;
        }
        reply.insert(reply.end(), aBuffer, aBuffer + n);
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
    int nSocket = Connect(options, strError);
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
