// veltra-host: runs the effect library on this machine's simulated platform.
// It sets the SDK level and any other system property asked for, creates an
// effect through the library's
// factory, initialises it on an audio session, optionally registers sessions
// and switches algorithms, serves tuning clients over TCP, turns the
// library's standard-output log on and prints every call that reaches the
// simulated audio server, until SIGINT or SIGTERM.
#include <android/log.h>
#include <arpa/inet.h>
#include <dlfcn.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "HostPlatform/AudioServer.h"
#include "HostPlatform/Properties.h"
#include "HostPlatform/SimulatedEffect.h"
#include "VeltraEffectAPI/FxShimWrapper.h"
#include "VeltraEffectAPI/VeltraEffectAPIBase.h"

namespace {

enum ExitStatus {
    kExitOk = 0,
    kExitFailed = 1,
    kExitUsage = 2,
    kExitNoShim = 3,
    kExitInitFailed = 4,
    kExitNoServer = 5,
};

struct Options {
    std::string strSdk = "28";
    std::string strEffect = "Veltra3";
    int nIO = -1;
    int nPriority = 0;
    int nSession = 0;
    std::vector<int> sessions;
    std::vector<std::string> algorithms;
    int nPort = -1;  // no tuning server
    std::string strPortFile;
    std::string strSavePresets;
    std::string strSaveUserPresets;
    std::vector<std::pair<std::string, std::string>> properties;  // in the order given
    bool bOnce = false;
    bool bQuiet = false;
    bool bList = false;
};

const char* const kSdkProperty = "ro.build.version.sdk";

// The effect names the library's factory tells apart, and what it makes of each.
struct EffectName {
    const char* szName;
    const char* szKind;
};
const EffectName s_aEffectNames[] = {
    {TarvoFX::VeltraEffectFactory::s_cszVeltra3, "playback effect (output UUID)"},
    {TarvoFX::VeltraEffectFactory::s_cszKorimo2, "playback effect (output UUID)"},
    {TarvoFX::VeltraEffectFactory::s_cszNimbra3Proxy, "capture effect (input UUID)"},
};
// What the factory makes of any other name.
const char* const kOtherEffectKind = "playback effect (output UUID)";

const EffectName* FindEffectName(const std::string& strName) {
    for (const EffectName& name : s_aEffectNames) {
        if (strName == name.szName) {
            return &name;
        }
    }
    return nullptr;
}

std::string KnownEffectNames() {
    std::string strNames;
    for (const EffectName& name : s_aEffectNames) {
        strNames += (strNames.empty() ? "" : ", ") + std::string(name.szName);
    }
    return strNames;
}

void Usage(FILE* pOut) {
    std::fprintf(
        pOut,
        "usage: veltra-host [options]\n"
        "\n"
        "Runs one effect on the simulated platform until SIGINT or SIGTERM, printing\n"
        "every call that reaches the audio server and the library's log.\n"
        "\n"
        "options:\n"
        "  --sdk N                 SDK level property (default 28)\n"
        "  --property NAME=VALUE   set a system property before the effect is created\n"
        "                          (repeatable; e.g. ro.debuggable=0 for a consumer build,\n"
        "                          ro.debuggable=1 for an engineering build,\n"
        "                          persist.vendor.veltra.tuning.remote=1)\n"
        "  --effect NAME           effect type name (default Veltra3; see --list)\n"
        "  --io N                  audio io handle (default -1: the platform default)\n"
        "  --priority N            priority for Init (default 0)\n"
        "  --session N             audio session for Init (default 0)\n"
        "  --add-session N         register a further session (repeatable)\n"
        "  --enable NAME           switch an algorithm on (repeatable)\n"
        "  --port N                serve tuning clients on port N; 0 picks a free port\n"
        "  --port-file PATH        write the tuning port to PATH once serving\n"
        "  --save-presets PATH     save the base presets to PATH when stopping\n"
        "  --save-user-presets PATH  save the user presets to PATH when stopping\n"
        "  --once                  stop after setting up instead of waiting for a signal\n"
        "  --quiet                 print only the host's own lines: neither the calls\n"
        "                          that reach the audio server nor the library's log\n"
        "  --list                  list the effect names, the simulated effect's\n"
        "                          algorithms and what it holds, then stop\n"
        "  --help                  this text\n"
        "\n"
        "exit status: 0 stopped cleanly; 2 usage error; 3 the effect shim could not be\n"
        "loaded; 4 Init failed; 5 the tuning server could not listen; 1 other failures.\n");
}

// --list: what this host can run and what the simulated effect holds at start.
void List() {
    std::printf("effect names (--effect):\n");
    for (const EffectName& name : s_aEffectNames) {
        std::printf("  %-14s %s\n", name.szName, name.szKind);
    }
    std::printf("  %-14s %s\n", "any other", kOtherEffectKind);
    std::printf(
        "\nalgorithms (--enable): the simulated effect takes any name and keeps the set\n"
        "switched on; it knows none by name and refuses none\n");
    const HostPlatform::SimulatedEffect::State state = HostPlatform::SimulatedEffect().Snapshot();
    std::printf("\nwhat the simulated effect holds at start:\n");
    std::printf(
        "  parameters      ids 0 to 4294967295, in a base and a user layer per\n"
        "                  (output mode, sound mode, sub-type mask); any value;\n"
        "                  an id never set reads as 0\n");
    std::string strModes;
    for (const auto& mode : state.supportedOutputModes) {
        strModes += (strModes.empty() ? "" : ", ") + std::to_string(mode.first) + " " + mode.second;
    }
    std::printf("  output modes    %s (16 bits; 65535 stands for every mode); now %u\n",
                strModes.c_str(), static_cast<unsigned>(state.nOutputMode));
    std::string strSoundModes;
    for (uint32_t nMode : state.supportedSoundModes) {
        strSoundModes += (strSoundModes.empty() ? "" : ", ") + std::to_string(nMode);
    }
    std::string strDefaults;
    for (const auto& entry : state.defaultSoundModes) {
        strDefaults += (strDefaults.empty() ? "" : ", ") + std::to_string(entry.first) + "->" +
                       std::to_string(entry.second);
    }
    std::printf("  sound modes     %s (16 bits); defaults by output mode %s; now %u\n",
                strSoundModes.c_str(), strDefaults.c_str(),
                static_cast<unsigned>(state.nSoundMode));
    std::printf("  tag mask        supported 0x%X (16 bits)\n", state.nSupportedTagMask);
    std::printf("  volume          %g\n", state.dVolume);
    std::printf("  meters          %s; recording %s\n", state.bMeters ? "on" : "off",
                state.bRecording ? "on" : "off");
}

bool ParseInt(const char* szText, int* pnValue) {
    char* pEnd = nullptr;
    long nValue = std::strtol(szText, &pEnd, 10);
    if (pEnd == szText || *pEnd != '\0' || nValue < INT32_MIN || nValue > INT32_MAX) {
        return false;
    }
    *pnValue = static_cast<int>(nValue);
    return true;
}

// Returns -1 to go on, otherwise the exit status.
int ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string strArg = argv[i];
        if (strArg == "--help") {
            Usage(stdout);
            return kExitOk;
        }
        if (strArg == "--once") {
            options.bOnce = true;
            continue;
        }
        if (strArg == "--quiet") {
            options.bQuiet = true;
            continue;
        }
        if (strArg == "--list") {
            options.bList = true;
            continue;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "veltra-host: %s needs a value\n", strArg.c_str());
            return kExitUsage;
        }
        const char* szValue = argv[++i];
        int nValue = 0;
        const bool bNumber = ParseInt(szValue, &nValue);
        auto number = [&](int& nTarget) {
            if (!bNumber) {
                std::fprintf(stderr, "veltra-host: %s needs a number\n", strArg.c_str());
                return false;
            }
            nTarget = nValue;
            return true;
        };
        bool bOk = true;
        if (strArg == "--sdk") {
            options.strSdk = szValue;
        } else if (strArg == "--property") {
            const std::string strProperty = szValue;
            const size_t nEquals = strProperty.find('=');
            bOk = nEquals != std::string::npos && nEquals > 0;
            if (bOk && strProperty.substr(0, nEquals) == kSdkProperty) {
                options.strSdk = strProperty.substr(nEquals + 1);  // the same as --sdk
            } else if (bOk) {
                options.properties.emplace_back(strProperty.substr(0, nEquals),
                                                strProperty.substr(nEquals + 1));
            } else {
                std::fprintf(stderr, "veltra-host: --property needs NAME=VALUE, not %s\n", szValue);
            }
        } else if (strArg == "--effect") {
            options.strEffect = szValue;
        } else if (strArg == "--io") {
            bOk = number(options.nIO);
        } else if (strArg == "--priority") {
            bOk = number(options.nPriority);
        } else if (strArg == "--session") {
            bOk = number(options.nSession);
        } else if (strArg == "--add-session") {
            int nSession = 0;
            bOk = number(nSession);
            options.sessions.push_back(nSession);
        } else if (strArg == "--enable") {
            options.algorithms.push_back(szValue);
        } else if (strArg == "--port") {
            bOk = number(options.nPort) && options.nPort >= 0 && options.nPort <= 65535;
            if (!bOk) {
                std::fprintf(stderr, "veltra-host: bad port %s\n", szValue);
            }
        } else if (strArg == "--port-file") {
            options.strPortFile = szValue;
        } else if (strArg == "--save-presets") {
            options.strSavePresets = szValue;
        } else if (strArg == "--save-user-presets") {
            options.strSaveUserPresets = szValue;
        } else {
            std::fprintf(stderr, "veltra-host: unknown option %s\n", strArg.c_str());
            bOk = false;
        }
        if (!bOk) {
            std::fprintf(stderr, "usage: veltra-host [options] (veltra-host --help tells more)\n");
            return kExitUsage;
        }
    }
    return -1;
}

std::mutex g_printMutex;

void Print(const char* szFormat, const std::string& strText) {
    std::lock_guard<std::mutex> lock(g_printMutex);
    std::printf(szFormat, strText.c_str());
    std::fflush(stdout);
}

// A port nobody listens on now, found by binding port 0.
int FreePort() {
    int nFD = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_ANY);
    socklen_t nLength = sizeof(addr);
    int nPort = -1;
    if (nFD >= 0 && bind(nFD, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0 &&
        getsockname(nFD, reinterpret_cast<sockaddr*>(&addr), &nLength) == 0) {
        nPort = ntohs(addr.sin_port);
    }
    if (nFD >= 0) {
        close(nFD);
    }
    return nPort;
}

// Whether the library has loaded a platform effect shim under any of its names.
bool ShimLoaded() {
    for (const char* szName :
         {TarvoFX::FxShimWrapper::FX_SHIM_OREO_LIB, TarvoFX::FxShimWrapper::FX_SHIM_NOUGAT_LIB,
          TarvoFX::FxShimWrapper::FX_SHIM_MARSHMALLOW_LIB,
          TarvoFX::FxShimWrapper::FX_SHIM_LOLLIPOP_LIB}) {
        void* pHandle = dlopen(szName, RTLD_NOW | RTLD_NOLOAD);
        if (pHandle != nullptr) {
            dlclose(pHandle);
            return true;
        }
    }
    return false;
}

bool WritePortFile(const std::string& strPath, int nPort) {
    const std::string strTemp = strPath + ".tmp";
    FILE* pFile = std::fopen(strTemp.c_str(), "w");
    if (pFile == nullptr) {
        return false;
    }
    const bool bWritten = std::fprintf(pFile, "%d\n", nPort) > 0;
    return std::fclose(pFile) == 0 && bWritten &&
           std::rename(strTemp.c_str(), strPath.c_str()) == 0;
}

// The library's log accepts run-time changes once it has read its
// configuration, a moment after first use.
bool TurnStandardOutputLogOn(TarvoFX::IVeltraEffectAPI& effect) {
    for (int nTry = 0; nTry < 500; ++nTry) {
        if (effect.SetLogOutput("STDOUT_LOG", true)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    const int nParsed = ParseOptions(argc, argv, options);
    if (nParsed >= 0) {
        return nParsed;
    }
    if (options.bList) {
        List();
        return kExitOk;
    }
    // The library writes its records to the platform log before it is told
    // otherwise; a quiet host silences that log before the first record.
    if (options.bQuiet) {
        __android_log_set_minimum_priority(ANDROID_LOG_SILENT);
    }
    // Every thread started from here on inherits the blocked signals; the main
    // thread takes them with sigwait.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    if (!HostPlatform::SetSystemProperty(kSdkProperty, options.strSdk)) {
        std::fprintf(stderr, "veltra-host: bad SDK level %s\n", options.strSdk.c_str());
        return kExitUsage;
    }
    Print("host: SDK level %s\n", options.strSdk);
    for (const auto& property : options.properties) {
        if (!HostPlatform::SetSystemProperty(property.first, property.second)) {
            std::fprintf(stderr, "veltra-host: cannot set property %s (a value holds 91 bytes)\n",
                         property.first.c_str());
            return kExitUsage;
        }
        Print("host: property %s\n", property.first + "=" + property.second);
    }
    const EffectName* pEffectName = FindEffectName(options.strEffect);
    if (pEffectName == nullptr) {
        std::fprintf(stderr,
                     "veltra-host: warning: \"%s\" is no effect name the library knows (%s); "
                     "it makes a %s of it\n",
                     options.strEffect.c_str(), KnownEffectNames().c_str(), kOtherEffectKind);
    }

    std::unique_ptr<TarvoFX::IVeltraEffectAPI> pEffect(
        TarvoFX::VeltraEffectFactory::CreateVeltraEffect(options.strEffect, options.nIO, nullptr));
    if (!ShimLoaded()) {
        std::fprintf(stderr,
                     "veltra-host: the platform effect shim could not be loaded for SDK level %s "
                     "(see the log above)\n",
                     options.strSdk.c_str());
        return kExitNoShim;
    }
    Print("host: created %s\n",
          "\"" + options.strEffect + "\", a " +
              (pEffectName != nullptr ? pEffectName->szKind : kOtherEffectKind));

    if (!options.bQuiet) {
        HostPlatform::AudioServer::Instance().SetObserver(
            [](const HostPlatform::JournalEntry& entry) {
                Print("effect: %s\n", HostPlatform::DescribeEntry(entry));
            });
    }
    if (!pEffect->Init(options.nPriority, options.nSession)) {
        std::fprintf(stderr, "veltra-host: Init failed (priority %d, session %d)\n",
                     options.nPriority, options.nSession);
        HostPlatform::AudioServer::Instance().SetObserver(nullptr);
        return kExitInitFailed;
    }
    // The library's records go to one place: standard output, in its own
    // format, and no longer also to the platform log.
    if (!options.bQuiet && TurnStandardOutputLogOn(*pEffect)) {
        pEffect->SetLogOutput("ANDROID_LOG", false);
        Print("host: %s\n", "the library's standard-output log is on (the platform log is off)");
    }
    for (int nSession : options.sessions) {
        pEffect->SetAudioSession(nSession, true);
        Print("host: registered session %s\n", std::to_string(nSession));
    }
    for (const std::string& strAlg : options.algorithms) {
        const bool bResult = pEffect->SetEnabled(strAlg, true);
        Print("host: %s\n", "switched \"" + strAlg + "\" on: " + (bResult ? "ok" : "refused"));
    }

    int nStatus = kExitOk;
    if (options.nPort >= 0) {
        const int nPort = options.nPort == 0 ? FreePort() : options.nPort;
        if (nPort <= 0 || !pEffect->SetTcpIpEnable(true, nPort)) {
            std::fprintf(stderr,
                         "veltra-host: cannot serve tuning clients on port %d (is it in use?)\n",
                         nPort);
            nStatus = kExitNoServer;
        } else {
            Print("host: tuning server listening on port %s\n", std::to_string(nPort));
            if (!options.strPortFile.empty() && !WritePortFile(options.strPortFile, nPort)) {
                std::fprintf(stderr, "veltra-host: cannot write %s\n", options.strPortFile.c_str());
                nStatus = kExitFailed;
            }
        }
    }

    if (nStatus == kExitOk && !options.bOnce) {
        Print("host: %s\n", "running; SIGINT or SIGTERM stops");
        int nSignal = 0;
        sigwait(&stopSignals, &nSignal);
        Print("host: %s\n", std::string("stopping on ") + strsignal(nSignal));
    }

    pEffect->SetTcpIpEnable(false, 0);
    if (!options.strSavePresets.empty()) {
        const bool bSaved = pEffect->SavePresets(options.strSavePresets);
        Print("host: %s\n",
              "saved base presets to " + options.strSavePresets + (bSaved ? "" : " FAILED"));
        nStatus = bSaved ? nStatus : kExitFailed;
    }
    if (!options.strSaveUserPresets.empty()) {
        const bool bSaved = pEffect->SaveUserPresets(options.strSaveUserPresets);
        Print("host: %s\n",
              "saved user presets to " + options.strSaveUserPresets + (bSaved ? "" : " FAILED"));
        nStatus = bSaved ? nStatus : kExitFailed;
    }
    pEffect.reset();
    HostPlatform::AudioServer::Instance().SetObserver(nullptr);
    Print("host: effect deleted, %s platform instances left\n",
          std::to_string(HostPlatform::AudioServer::Instance().LiveInstanceCount()));
    return nStatus;
}
