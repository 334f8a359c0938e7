// Clients on real sockets, a listener that records what the executors call,
// and a waiting helper for the tuning server tests.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdint.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "NetworkManager/CommandExecute/VTServerExecutor.h"
#include "NetworkManager/CommandExecute/VTServerExecutors.h"
#include "VeltraEffectAPI/VTServerListeners.h"

namespace TestSupport {

// The socket layer's (CBaseServer's) source files, which its error records name.
inline const std::vector<std::string>& BaseServerSources() {
    static const std::vector<std::string> vecSources = {
        "Shared/NetworkManager/CBaseServer.cpp",
        "Shared/NetworkManager/CBaseServerConnections.cpp",
    };
    return vecSources;
}

// Every wait in these tests gives up after this long (sanitizer builds are slow).
constexpr std::chrono::seconds kWaitBound(20);

// Checks pred until it holds or the bound has passed; true when it held.
inline bool WaitUntil(const std::function<bool()>& pred) {
    const auto deadline = std::chrono::steady_clock::now() + kWaitBound;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// One connected stream socket of the test's side.
class TestClient {
public:
    // Connects to szAddress:nPort; FD() is negative when that failed.
    explicit TestClient(int nPort, const char* szAddress = "127.0.0.1")
        : m_nFD(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(nPort));
        inet_pton(AF_INET, szAddress, &addr.sin_addr);
        if (m_nFD >= 0 &&
            connect(m_nFD, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0) {
            Close();
        }
    }
    // Takes an already connected socket.
    static TestClient Adopt(int nFD) { return TestClient(nFD, true); }
    TestClient(TestClient&& other) noexcept : m_nFD(other.m_nFD) { other.m_nFD = -1; }
    TestClient& operator=(TestClient&&) = delete;
    TestClient(const TestClient&) = delete;
    ~TestClient() { Close(); }

    int FD() const { return m_nFD; }

    bool Send(const std::string& strBytes) {
        size_t nSent = 0;
        while (nSent < strBytes.size()) {
            const ssize_t n =
                send(m_nFD, strBytes.data() + nSent, strBytes.size() - nSent, MSG_NOSIGNAL);
            if (n <= 0) {
                return false;
            }
            nSent += static_cast<size_t>(n);
        }
        return true;
    }

    // Up to nCount bytes: fewer only when the connection ended or the wait
    // bound passed.
    std::string Read(size_t nCount) {
        std::string str;
        while (str.size() < nCount && WaitReadable()) {
            char acBuffer[4096];
            const ssize_t n =
                recv(m_nFD, acBuffer, std::min(sizeof(acBuffer), nCount - str.size()), 0);
            if (n <= 0) {
                break;
            }
            str.append(acBuffer, static_cast<size_t>(n));
        }
        return str;
    }

    // The bytes up to and including the next line feed.
    std::string ReadLine() {
        std::string str;
        while (str.empty() || str.back() != '\n') {
            const std::string strByte = Read(1);
            if (strByte.empty()) {
                break;
            }
            str += strByte;
        }
        return str;
    }

    // True when the server has closed the connection (end of stream or a
    // reset), skipping anything it sent before.
    bool WaitForClose() {
        while (WaitReadable()) {
            char acBuffer[4096];
            const ssize_t n = recv(m_nFD, acBuffer, sizeof(acBuffer), 0);
            if (n <= 0) {
                return true;
            }
        }
        return false;
    }

    // True when the server closed the connection or bytes are waiting,
    // without waiting for either.
    bool HasInputNow() {
        pollfd pfd{m_nFD, POLLIN, 0};
        return poll(&pfd, 1, 0) == 1;
    }

    void Close() {
        if (m_nFD >= 0) {
            close(m_nFD);
            m_nFD = -1;
        }
    }

private:
    TestClient(int nFD, bool) : m_nFD(nFD) {}

    bool WaitReadable() {
        pollfd pfd{m_nFD, POLLIN, 0};
        const int nTimeout = static_cast<int>(std::chrono::milliseconds(kWaitBound).count());
        return poll(&pfd, 1, nTimeout) == 1;
    }

    int m_nFD;
};

// The effect object's side as the executors see it: records every call as a
// line of text and answers queries for the parameters it was told.
class RecordingListener : public TarvoFX::IVTServerParameterSetListener,
                          public TarvoFX::IVTServerParameterArraySetListener,
                          public TarvoFX::IVTServerParameterGetListener,
                          public TarvoFX::IVTServerParameterArrayGetListener,
                          public TarvoFX::IVTServerCustomOutputModeSetListener,
                          public TarvoFX::IVTServerLogLevelSetListener,
                          public TarvoFX::IVTServerLogOutputSetListener,
                          public TarvoFX::IVTServerMetersListener,
                          public TarvoFX::IVTServerCalibrateKvListener,
                          public TarvoFX::IVTServerOutputModeSetListener,
                          public TarvoFX::IVTServerRecordingListener,
                          public TarvoFX::IVTServerSoundModeSetListener,
                          public TarvoFX::IVTServerSystemVolumeSetListener,
                          public TarvoFX::IVTServerMpsFileSetListener,
                          public TarvoFX::IVTServerTagExSetListener,
                          public TarvoFX::IVTServerDumpListener {
public:
    void SetKnown(uint32_t nParam, double dValue) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_mapKnown[nParam] = dValue;
    }

    // While closed, every call waits until Open.
    void CloseGate() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bGateOpen = false;
    }
    void OpenGate() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_bGateOpen = true;
        }
        m_cond.notify_all();
    }
    // True once a call is waiting at the closed gate.
    bool WaitForCallAtGate() {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_cond.wait_for(lock, kWaitBound, [this] { return m_nAtGate > 0; });
    }

    std::vector<std::string> Calls() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_vecCalls;
    }
    size_t CallCount() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_vecCalls.size();
    }
    bool WaitForCalls(size_t nCount) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_cond.wait_for(lock, kWaitBound, [&] { return m_vecCalls.size() >= nCount; });
    }
    bool HasCall(const std::string& strCall) {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const std::string& str : m_vecCalls) {
            if (str == strCall) {
                return true;
            }
        }
        return false;
    }

    bool OnVTServerParameterSet(uint32_t nParam, double dValue) override {
        return Record("ParameterSet", nParam, dValue);
    }
    bool OnVTServerParameterArraySet(const std::vector<unsigned int>& vecParams,
                                     const std::vector<double>& vecValues) override {
        std::ostringstream text;
        for (size_t nIndex = 0; nIndex < vecParams.size(); ++nIndex) {
            text << ' ' << vecParams[nIndex] << '=' << vecValues.at(nIndex);
        }
        return Record("ParameterArraySet" + text.str());
    }
    bool OnVTServerParameterGet(uint32_t nParam, double& dValue) override {
        Record("ParameterGet", nParam);
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_mapKnown.find(nParam);
        if (it == m_mapKnown.end()) {
            return false;
        }
        dValue = it->second;
        return true;
    }
    bool OnVTServerParameterArrayGet(std::vector<unsigned int>& vecParams,
                                     std::vector<double>& vecValues,
                                     std::vector<bool>& vecFound) override {
        Record("ParameterArrayGet", vecParams.size());
        std::lock_guard<std::mutex> lock(m_mutex);
        for (size_t nIndex = 0; nIndex < vecParams.size(); ++nIndex) {
            auto it = m_mapKnown.find(vecParams[nIndex]);
            if (it != m_mapKnown.end()) {
                vecValues[nIndex] = it->second;
                vecFound[nIndex] = true;
            }
        }
        return !m_bRefuseArrays;
    }
    // Array queries report failure (with whatever they found).
    void RefuseArrays() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bRefuseArrays = true;
    }
    bool OnVTServerCustomOutputModeSet(uint16_t nFirst, uint16_t nSecond) override {
        return Record("CustomOutputModeSet", nFirst, nSecond);
    }
    bool OnVTServerLogLevelSet(const char* szTag, int32_t nLevel) override {
        return Record("LogLevelSet", szTag, nLevel);
    }
    bool OnVTServerLogOutputSet(const char* szOutput, bool bEnable) override {
        return Record("LogOutputSet", szOutput, bEnable);
    }
    bool OnVTServerMetersEnabled(bool bEnabled) override {
        return Record("MetersEnabled", bEnabled);
    }
    bool OnVTServerCalibrateKv() override { return Record("CalibrateKv"); }
    bool OnVTServerOutputModeSet(uint16_t nMode) override { return Record("OutputModeSet", nMode); }
    bool OnVTServerRecordingEnabled(const char* szPath) override {
        return Record("RecordingEnabled", szPath);
    }
    bool OnVTServerRecordingDisabled() override { return Record("RecordingDisabled"); }
    bool OnVTServerSoundModeSet(int16_t nMode) override { return Record("SoundModeSet", nMode); }
    bool OnVTServerSystemVolumeSet(double dVolume) override {
        return Record("SystemVolumeSet", dVolume);
    }
    bool OnVTServerMpsFileSet(const char* szPath) override { return Record("MpsFileSet", szPath); }
    bool OnVTServerTagExSet(uint32_t nOutputMode, uint32_t nSoundMode, int16_t nDisable,
                            int16_t nEnable) override {
        return Record("TagExSet", nOutputMode, nSoundMode, nDisable, nEnable);
    }
    bool OnVTServerDump() override { return Record("Dump"); }

private:
    template <typename... Args>
    bool Record(const std::string& strName, const Args&... args) {
        std::ostringstream text;
        text << strName;
        ((text << ' ' << args), ...);
        std::unique_lock<std::mutex> lock(m_mutex);
        ++m_nAtGate;
        m_cond.notify_all();
        m_cond.wait(lock, [this] { return m_bGateOpen; });
        --m_nAtGate;
        m_vecCalls.push_back(text.str());
        m_cond.notify_all();
        return true;
    }

    std::mutex m_mutex;
    std::condition_variable m_cond;
    std::vector<std::string> m_vecCalls;
    std::map<uint32_t, double> m_mapKnown;
    bool m_bRefuseArrays = false;
    bool m_bGateOpen = true;
    int m_nAtGate = 0;
};

// The seventeen executors, each bound to its part of the listener.
inline std::vector<std::shared_ptr<TarvoFX::VTServerExecutor>> MakeExecutors(
    RecordingListener* pListener) {
    using namespace TarvoFX;
    return {
        std::make_shared<VTServerParameterSetter>(pListener),
        std::make_shared<VTServerParameterArraySetter>(pListener),
        std::make_shared<VTServerParameterGetter>(pListener),
        std::make_shared<VTServerParameterArrayGetter>(pListener),
        std::make_shared<VTServerCustomOutputModeSetter>(pListener),
        std::make_shared<VTServerLogLevelSetter>(pListener),
        std::make_shared<VTServerLogOutputSetter>(pListener),
        std::make_shared<VTServerMetersDisabler>(pListener),
        std::make_shared<VTServerMetersEnabler>(pListener),
        std::make_shared<VTServerOutputModeSetter>(pListener),
        std::make_shared<VTServerRecordingSetter>(pListener),
        std::make_shared<VTServerSoundModeSetter>(pListener),
        std::make_shared<VTServerSystemVolumeSetter>(pListener),
        std::make_shared<VTServerTagExSetter>(pListener),
        std::make_shared<VTServerKvCalibrator>(pListener),
        std::make_shared<VTServerMpsFileSetter>(pListener),
        std::make_shared<VTServerDumper>(pListener),
    };
}

}  // namespace TestSupport
