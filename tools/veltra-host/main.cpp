// veltra-host: runs the effect library on this machine's simulated platform.
// It sets the SDK level property, creates an effect through the library's
// factory, initialises it on an audio session and switches algorithms, while
// printing every call that reaches the simulated audio server.
#include <android/log.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "HostPlatform/AudioServer.h"
#include "HostPlatform/Properties.h"
#include "VeltraEffectAPI/VeltraEffectAPIBase.h"

namespace {

struct Options {
    std::string strSdk = "28";
    std::string strEffect = "Veltra3";
    int nIO = -1;
    int nPriority = 0;
    int nSession = 0;
    std::vector<int> sessions;
    std::vector<std::string> algorithms;
    bool bDemo = false;
    bool bVerbose = false;
};

void Usage(FILE* pOut) {
    std::fprintf(pOut,
                 "usage: veltra-host [options]\n"
                 "  --sdk N          SDK level property (default 28)\n"
                 "  --effect NAME    effect type name (default Veltra3)\n"
                 "  --io N           audio io handle (default -1: the platform default)\n"
                 "  --priority N     priority for Init (default 0)\n"
                 "  --session N      audio session for Init (default 0)\n"
                 "  --add-session N  register a further session (repeatable)\n"
                 "  --enable NAME    switch an algorithm on, then off again (repeatable)\n"
                 "  --demo           a scripted run: sessions 3 and 7, algorithm \"x\"\n"
                 "  --verbose        print the library's debug log records too\n"
                 "  --help           this text\n");
}

bool ParseInt(const char* szText, int* pnValue) {
    char* pEnd = nullptr;
    long nValue = std::strtol(szText, &pEnd, 10);
    if (pEnd == szText || *pEnd != '\0') {
        return false;
    }
    *pnValue = static_cast<int>(nValue);
    return true;
}

// Returns 0 to go on, otherwise the exit status.
int ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string strArg = argv[i];
        auto value = [&](int* pnValue) {
            if (i + 1 >= argc || !ParseInt(argv[i + 1], pnValue)) {
                std::fprintf(stderr, "veltra-host: %s needs a number\n", strArg.c_str());
                return false;
            }
            ++i;
            return true;
        };
        auto text = [&](std::string* pstrValue) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "veltra-host: %s needs a value\n", strArg.c_str());
                return false;
            }
            *pstrValue = argv[++i];
            return true;
        };
        int nValue = 0;
        std::string strValue;
        if (strArg == "--help") {
            Usage(stdout);
            return -1;
        } else if (strArg == "--sdk") {
            if (!text(&options.strSdk))
                return 2;
        } else if (strArg == "--effect") {
            if (!text(&options.strEffect))
                return 2;
        } else if (strArg == "--io") {
            if (!value(&options.nIO))
                return 2;
        } else if (strArg == "--priority") {
            if (!value(&options.nPriority))
                return 2;
        } else if (strArg == "--session") {
            if (!value(&options.nSession))
                return 2;
        } else if (strArg == "--add-session") {
            if (!value(&nValue))
                return 2;
            options.sessions.push_back(nValue);
        } else if (strArg == "--enable") {
            if (!text(&strValue))
                return 2;
            options.algorithms.push_back(strValue);
        } else if (strArg == "--demo") {
            options.bDemo = true;
        } else if (strArg == "--verbose") {
            options.bVerbose = true;
        } else {
            std::fprintf(stderr, "veltra-host: unknown option %s\n", strArg.c_str());
            Usage(stderr);
            return 2;
        }
    }
    if (options.bDemo) {
        options.sessions = {7, 3};
        if (options.algorithms.empty()) {
            options.algorithms.push_back("x");
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    int nStatus = ParseOptions(argc, argv, options);
    if (nStatus != 0) {
        return nStatus < 0 ? 0 : nStatus;
    }
    if (!HostPlatform::SetSystemProperty("ro.build.version.sdk", options.strSdk)) {
        std::fprintf(stderr, "veltra-host: bad SDK level %s\n", options.strSdk.c_str());
        return 2;
    }
    if (options.bVerbose) {
        __android_log_set_minimum_priority(ANDROID_LOG_VERBOSE);
    }
    HostPlatform::AudioServer::Instance().SetObserver([](const HostPlatform::JournalEntry& entry) {
        std::printf("platform: %s\n", HostPlatform::DescribeEntry(entry).c_str());
        std::fflush(stdout);
    });

    std::printf("host: SDK level %s, creating \"%s\" on io %d\n", options.strSdk.c_str(),
                options.strEffect.c_str(), options.nIO);
    std::unique_ptr<TarvoFX::IVeltraEffectAPI> pEffect(
        TarvoFX::VeltraEffectFactory::CreateVeltraEffect(options.strEffect, options.nIO, nullptr));

    std::printf("host: Init priority %d session %d\n", options.nPriority, options.nSession);
    if (!pEffect->Init(options.nPriority, options.nSession)) {
        std::fprintf(stderr,
                     "veltra-host: Init failed (the platform refused the effect, or the "
                     "effect shim could not be loaded)\n");
        return 4;
    }
    for (int nSession : options.sessions) {
        pEffect->SetAudioSession(nSession, true);
        std::printf("host: registered session %d\n", nSession);
    }
    bool bOk = true;
    for (const std::string& strAlg : options.algorithms) {
        for (bool bEnable : {true, false}) {
            bool bResult = pEffect->SetEnabled(strAlg, bEnable);
            std::printf("host: SetEnabled(\"%s\", %s) -> %s\n", strAlg.c_str(),
                        bEnable ? "true" : "false", bResult ? "true" : "false");
            bOk = bOk && bResult;
        }
    }
    pEffect.reset();
    HostPlatform::AudioServer::Instance().SetObserver(nullptr);
    std::printf("host: effect deleted, %zu platform instances left\n",
                HostPlatform::AudioServer::Instance().LiveInstanceCount());
    return bOk ? 0 : 1;
}
