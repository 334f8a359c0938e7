#include "Panel.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "PanelAssets.h"
#include "PanelRelay.h"
#include "PanelRequests.h"
#include "TuningRequests.h"

namespace VeltraTune {

namespace {

enum ExitStatus {
    kExitOk = 0,
    kExitFailed = 1,
    kExitUsage = 2,
    kExitNoListen = 5,
};

// The page's pace: how often it reads the values back, and how often at most
// a control that is being dragged sends its value.
constexpr int kReadBackMs = 300;
constexpr int kThrottleMs = 40;

struct PanelOptions {
    std::string strHost = "127.0.0.1";
    int nPort = -1;
    std::string strListenHost = "127.0.0.1";
    int nListenPort = 8080;
    std::string strLayout;
    TarvoFX::ProtocolVersion eDialect = TarvoFX::kBinaryFramed;
    int nTimeoutMs = 1000;
};

void PanelUsage(FILE* pOut) {
    std::fprintf(
        pOut,
        "usage: veltra-tune panel --port PORT [options]\n"
        "\n"
        "Serves a tuning panel to a web browser: sliders for the layout's parameters,\n"
        "modes, tags, volume, logging, recording, meters, presets, the values read\n"
        "back from the effect and a log of every request. The page's requests go to\n"
        "the tuning server over one connection, in order, checked first. It answers\n"
        "only requests addressed to its listening address or a loopback name with its\n"
        "port, and refuses those that a page of another origin makes.\n"
        "\n"
        "options:\n"
        "  --host HOST           tuning server address (default 127.0.0.1)\n"
        "  --port PORT           tuning server port (required)\n"
        "  --listen HOST:PORT    where the panel serves the page (default 127.0.0.1:8080;\n"
        "                        port 0 picks a free one)\n"
        "  --layout FILE         the parameters to show (JSON; default: the layout of\n"
        "                        the demonstration, served as /default-layout.json)\n"
        "  --dialect D           framed (default), binary or text\n"
        "  --timeout MS          how long connecting, and a reply, may take (default 1000)\n"
        "  --help                this text\n"
        "\n"
        "exit status: 0 stopped by SIGINT or SIGTERM; 2 usage error or bad layout;\n"
        "5 the panel's address cannot be served.\n");
}

bool ParseListen(const std::string& strValue, PanelOptions& options) {
    const size_t nColon = strValue.rfind(':');
    if (nColon == std::string::npos || nColon == 0) {
        return false;
    }
    std::string strHost = strValue.substr(0, nColon);
    if (strHost.size() > 2 && strHost.front() == '[' && strHost.back() == ']') {
        strHost = strHost.substr(1, strHost.size() - 2);
    }
    int32_t nPort = 0;
    if (!ParseI32(strValue.substr(nColon + 1), nPort) || nPort < 0 || nPort > 65535) {
        return false;
    }
    options.strListenHost = strHost;
    options.nListenPort = nPort;
    return true;
}

// -1 to go on, else the exit status.
int ParsePanelOptions(int argc, char** argv, PanelOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string strArg = argv[i];
        if (strArg == "--help") {
            PanelUsage(stdout);
            return kExitOk;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "veltra-tune panel: %s needs a value\n", strArg.c_str());
            return kExitUsage;
        }
        const std::string strValue = argv[++i];
        int32_t nNumber = 0;
        const bool bNumber = ParseI32(strValue, nNumber);
        bool bOk = true;
        if (strArg == "--host") {
            options.strHost = strValue;
        } else if (strArg == "--port") {
            bOk = bNumber && nNumber >= 1 && nNumber <= 65535;
            options.nPort = nNumber;
        } else if (strArg == "--listen") {
            bOk = ParseListen(strValue, options);
        } else if (strArg == "--layout") {
            options.strLayout = strValue;
        } else if (strArg == "--dialect") {
            bOk = ParseDialect(strValue, options.eDialect);
        } else if (strArg == "--timeout") {
            bOk = bNumber && nNumber >= 1 && nNumber <= 60000;
            options.nTimeoutMs = nNumber;
        } else {
            std::fprintf(stderr, "veltra-tune panel: unknown option %s\n", strArg.c_str());
            PanelUsage(stderr);
            return kExitUsage;
        }
        if (!bOk) {
            std::fprintf(stderr, "veltra-tune panel: bad value for %s: %s\n", strArg.c_str(),
                         strValue.c_str());
            return kExitUsage;
        }
    }
    if (options.nPort < 0) {
        std::fprintf(stderr, "veltra-tune panel: --port is required\n");
        PanelUsage(stderr);
        return kExitUsage;
    }
    return -1;
}

const PanelAsset* FindAsset(const std::string& strPath) {
    for (size_t i = 0; i < kPanelAssetCount; ++i) {
        if (strPath == kPanelAssets[i].szPath) {
            return &kPanelAssets[i];
        }
    }
    return nullptr;
}

bool LoadLayout(const std::string& strPath, PanelLayout& layout) {
    std::string strText;
    if (strPath.empty()) {
        const PanelAsset* pDefault = FindAsset("/default-layout.json");
        strText.assign(reinterpret_cast<const char*>(pDefault->pData), pDefault->nSize);
    } else {
        std::ifstream file(strPath);
        std::ostringstream text;
        text << file.rdbuf();
        if (!file) {
            std::fprintf(stderr, "veltra-tune panel: cannot read %s\n", strPath.c_str());
            return false;
        }
        strText = text.str();
    }
    std::string strError;
    if (!ParseLayout(strText, layout, strError)) {
        std::fprintf(stderr, "veltra-tune panel: bad layout %s: %s\n",
                     strPath.empty() ? "(default)" : strPath.c_str(), strError.c_str());
        return false;
    }
    return true;
}

bool IsLoopback(const std::string& strHost) {
    in_addr address4 = {};
    if (inet_pton(AF_INET, strHost.c_str(), &address4) == 1) {
        return (ntohl(address4.s_addr) >> 24) == 127;
    }
    return strHost == "::1" || strHost == "localhost";
}

void Reply(httplib::Response& response, int nStatus, const Json& body) {
    response.status = nStatus;
    response.set_header("Cache-Control", "no-store");
    response.set_content(body.dump(), "application/json");
}

void Refuse(httplib::Response& response, int nStatus, const std::string& strError) {
    Reply(response, nStatus, {{"ok", false}, {"error", strError}});
}

// The page's requests are JSON; a form another site's page could post
// across origins is no request of this panel.
bool JsonBody(const httplib::Request& request, httplib::Response& response, Json& body) {
    if (request.get_header_value("Content-Type").rfind("application/json", 0) != 0) {
        Refuse(response, 415, "requests must be JSON (Content-Type: application/json)");
        return false;
    }
    body = Json::parse(request.body, nullptr, false);
    if (body.is_discarded()) {
        Refuse(response, 400, "the request is not valid JSON");
        return false;
    }
    return true;
}

// A request of the page that sends commands: its JSON checked and turned into
// commands by toCommands (false with a message for the page), then sent.
template <typename ToCommands>
void PostCommands(httplib::Server& server, const char* szPath, PanelRelay& relay,
                  ToCommands toCommands) {
    server.Post(szPath, [&relay, toCommands](const httplib::Request& request,
                                             httplib::Response& response) {
        Json body;
        std::vector<PanelCommand> commands;
        std::string strError;
        if (!JsonBody(request, response, body)) {
            return;
        }
        if (!toCommands(body, commands, strError)) {
            Refuse(response, 400, strError);
            return;
        }
        std::string strSendError;
        if (relay.Send(commands, strSendError)) {
            // The commands by name, for the page to say which ones the
            // tuning protocol answers with no result.
            Json names = Json::array();
            for (const PanelCommand& command : commands) {
                names.push_back(command.words[0]);
            }
            Reply(response, 200, {{"ok", true}, {"sent", commands.size()}, {"commands", names}});
        } else {
            Reply(response, 503,
                  {{"ok", false}, {"error", strSendError}, {"connection", relay.Connection()}});
        }
    });
}

std::string Lowered(std::string strText) {
    std::transform(strText.begin(), strText.end(), strText.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return strText;
}

// The Host headers the panel answers: its listening address and the loopback
// names, each with the port it serves. A page of another site that a DNS
// answer turned to this address names that site instead and is refused.
std::vector<std::string> AcceptedHosts(const std::string& strListenHost, int nPort) {
    std::vector<std::string> hosts;
    const std::string strListen =
        strListenHost.find(':') != std::string::npos ? "[" + strListenHost + "]" : strListenHost;
    for (const std::string& strName : {std::string("127.0.0.1"), std::string("localhost"),
                                       std::string("[::1]"), Lowered(strListen)}) {
        const std::string strHost = strName + ":" + std::to_string(nPort);
        if (std::find(hosts.begin(), hosts.end(), strHost) == hosts.end()) {
            hosts.push_back(strHost);
        }
        // A browser leaves out the port of plain HTTP.
        if (nPort == 80 && std::find(hosts.begin(), hosts.end(), strName) == hosts.end()) {
            hosts.push_back(strName);
        }
    }
    return hosts;
}

// Every request names one of the accepted hosts, and one that comes from a
// page (it has an Origin) comes from a page of the panel's own: served under
// one of those hosts. Anything else is refused before it reaches a route, so
// no page of another origin can send a command or read a value.
void Guard(httplib::Server& server, const std::vector<std::string>& hosts) {
    std::vector<std::string> origins;
    std::string strNames;
    for (const std::string& strHost : hosts) {
        origins.push_back("http://" + strHost);
        strNames += (strNames.empty() ? "" : ", ") + strHost;
    }
    server.set_pre_routing_handler(
        [hosts, origins, strNames](const httplib::Request& request, httplib::Response& response) {
            const std::string strHost = Lowered(request.get_header_value("Host"));
            if (std::find(hosts.begin(), hosts.end(), strHost) == hosts.end()) {
                Refuse(response, 403,
                       "the panel answers requests addressed to " + strNames + " only, not to \"" +
                           request.get_header_value("Host") + "\"");
                return httplib::Server::HandlerResponse::Handled;
            }
            if (request.has_header("Origin") &&
                std::find(origins.begin(), origins.end(),
                          Lowered(request.get_header_value("Origin"))) == origins.end()) {
                Refuse(response, 403,
                       "requests from another origin (" + request.get_header_value("Origin") +
                           ") are refused");
                return httplib::Server::HandlerResponse::Handled;
            }
            return httplib::Server::HandlerResponse::Unhandled;
        });
}

// The listening socket without SO_REUSEPORT, which cpp-httplib sets by
// default and which lets a second panel listen on the same port: SO_REUSEADDR
// alone still refuses a port that has a listener, and lets a restarted panel
// take its port back while old connections linger.
void ListenerOptions(int nSocket) {
    const int nYes = 1;
    setsockopt(nSocket, SOL_SOCKET, SO_REUSEADDR, &nYes, sizeof(nYes));
}

void Routes(httplib::Server& server, const PanelLayout& layout, PanelRelay& relay) {
    server.Get("/api/config", [&](const httplib::Request&, httplib::Response& response) {
        Reply(response, 200,
              {{"layout", layout.ToJson()},
               {"logging", LoggingChoices()},
               {"readBackMs", kReadBackMs},
               {"throttleMs", kThrottleMs},
               {"connection", relay.Connection()}});
    });
    server.Get("/api/poll", [&](const httplib::Request& request, httplib::Response& response) {
        uint32_t nAfter = 0;
        if (request.has_param("log") && !ParseU32(request.get_param_value("log"), nAfter)) {
            nAfter = 0;
        }
        Json body = relay.ReadBack();
        body["log"] = relay.LogAfter(nAfter);
        Reply(response, 200, body);
    });
    PostCommands(
        server, "/api/send", relay,
        [&layout](const Json& body, std::vector<PanelCommand>& commands, std::string& strError) {
            commands.resize(1);
            return PageCommand(body, layout, commands[0], strError);
        });
    server.Get("/api/state", [&](const httplib::Request&, httplib::Response& response) {
        Reply(response, 200, relay.State());
        response.set_header("Content-Disposition",
                            "attachment; filename=\"veltra-panel-state.json\"");
    });
    PostCommands(
        server, "/api/state", relay,
        [&layout](const Json& body, std::vector<PanelCommand>& commands, std::string& strError) {
            return StateCommands(body, layout, commands, strError);
        });
    server.Get(R"(/[a-z\-\.]*)", [](const httplib::Request& request, httplib::Response& response) {
        const PanelAsset* pAsset = FindAsset(request.path == "/" ? "/index.html" : request.path);
        if (pAsset == nullptr) {
            response.status = 404;
            return;
        }
        response.set_content(reinterpret_cast<const char*>(pAsset->pData), pAsset->nSize,
                             pAsset->szContentType);
    });
}

}  // namespace

int RunPanel(int argc, char** argv) {
    PanelOptions options;
    const int nParsed = ParsePanelOptions(argc, argv, options);
    if (nParsed >= 0) {
        return nParsed;
    }
    PanelLayout layout;
    if (!LoadLayout(options.strLayout, layout)) {
        return kExitUsage;
    }
    // The HTTP server's threads inherit the blocked stop signals; this thread
    // takes them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    PanelRelay relay(layout, options.strHost, options.nPort, options.eDialect, options.nTimeoutMs);
    httplib::Server server;
    server.set_keep_alive_timeout(1);
    server.set_payload_max_length(1 << 20);
    server.set_socket_options(ListenerOptions);
    Routes(server, layout, relay);
    int nListenPort = options.nListenPort;
    if (nListenPort == 0) {
        nListenPort = server.bind_to_any_port(options.strListenHost);
    } else if (!server.bind_to_port(options.strListenHost, nListenPort)) {
        nListenPort = -1;
    }
    if (nListenPort <= 0) {
        std::fprintf(stderr, "veltra-tune panel: cannot serve %s:%d (is it in use?)\n",
                     options.strListenHost.c_str(), options.nListenPort);
        return kExitNoListen;
    }
    Guard(server, AcceptedHosts(options.strListenHost, nListenPort));
    const bool bV6 = options.strListenHost.find(':') != std::string::npos;
    const std::string strUrl = "http://" +
                               (bV6 ? "[" + options.strListenHost + "]" : options.strListenHost) +
                               ":" + std::to_string(nListenPort) + "/";
    std::printf("panel: serving %s %s\n", strUrl.c_str(),
                IsLoopback(options.strListenHost)
                    ? "(loopback only)"
                    : "on a network address: anyone who can reach it can steer the effect");
    std::printf("panel: tuning server %s:%d, %s dialect; SIGINT or SIGTERM stops\n",
                options.strHost.c_str(), options.nPort, DialectName(options.eDialect));
    std::fflush(stdout);

    bool bServed = true;
    std::thread serving([&server, &bServed] {
        bServed = server.listen_after_bind();
        // Wakes the waiting thread when serving ends by itself.
        kill(getpid(), SIGTERM);
    });
    int nSignal = 0;
    sigwait(&stopSignals, &nSignal);
    server.stop();
    serving.join();
    std::printf("panel: stopped (%s)\n", strsignal(nSignal));
    return bServed ? kExitOk : kExitFailed;
}

}  // namespace VeltraTune
