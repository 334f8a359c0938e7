// The effect object and the tuning server: building and switching the server,
// the meters and Unix socket requests, and the listener operations through
// which the server's executors reach the effect.
#include "VeltraEffectAPI/VeltraEffectAPIBase.h"

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "NetworkManager/CCommandsParser.h"
#include "NetworkManager/CTCPServer.h"
#include "NetworkManager/CommandExecute/VTServerExecutors.h"
#include "NetworkManager/VTServer.h"
#include "Utils/LittleEndian.h"
#include "VTCommands/CVTCommandCloseDestroyUnixServerSocket.h"
#include "VTCommands/CVTCommandCreateListenUnixServerSocket.h"
#include "VTCommands/CVTCommandPresetSetParametersArray.h"
#include "VTCommands/EffectCommands.h"
#include "VeltraEffectAPI/VeltraEffectAPIBaseRequests.h"
#include "logging/TarvoLog.h"

namespace TarvoFX {

namespace {

using LittleEndian::Writer;

// Sends the pairs twice for output and sound mode -3: with sub-type mask 0,
// then with every sub-type; both sends are made even when the first fails.
bool SendTuningParameters(VeltraEffectAPIBase& effect, uint32_t nCount, const unsigned int* pParams,
                          const double* pValues) {
    constexpr int32_t kAllModes = -3;
    bool bResult = true;
    for (uint32_t nSubTypes : {0u, 0xFFFFFFFFu}) {
        const bool bSent =
            effect.SendCommand(EffectCommand::kSetParamsArray,
                               CVTCommandPresetSetParametersArray(
                                   nCount, kAllModes, kAllModes, nSubTypes, pParams, pValues, false)
                                   .ToBuffer());
        bResult = bResult && bSent;
    }
    return bResult;
}

// Why a path from a tuning client may not be passed on, or null when it may:
// a control character in it could forge log records or drive a terminal.
const char* ControlCharacterIn(const char* szPath) {
    for (const char* p = szPath; *p != '\0'; ++p) {
        const auto nByte = static_cast<unsigned char>(*p);
        if (nByte < 0x20 || nByte == 0x7F) {
            return "the path holds a control character";
        }
    }
    return nullptr;
}

// Why a log file a tuning client names may not be opened, or null when it
// may: only a file directly inside the log folder (the folder of the file
// output's most recent path from the configuration file or the application),
// named by an absolute, normal path.
const char* RefusedPeerLogPath(const std::string& strPath, const std::string& strFolder) {
    if (strFolder.empty()) {
        return "no log folder: the configuration file or the application names one first";
    }
    if (const char* szWhy = ControlCharacterIn(strPath.c_str())) {
        return szWhy;
    }
    if (strPath.empty() || strPath[0] != '/') {
        return "the path is not absolute";
    }
    size_t nStart = 1;
    for (;;) {
        const size_t nEnd = std::min(strPath.find('/', nStart), strPath.size());
        const std::string strSegment = strPath.substr(nStart, nEnd - nStart);
        if (strSegment.empty() || strSegment == "." || strSegment == "..") {
            return "the path has an empty, \".\" or \"..\" segment";
        }
        if (nEnd == strPath.size()) {
            break;
        }
        nStart = nEnd + 1;
    }
    const size_t nSlash = strPath.rfind('/');
    const std::string strParent = nSlash == 0 ? "/" : strPath.substr(0, nSlash);
    if (strParent != strFolder) {
        return "the file is not directly inside the log folder";
    }
    return nullptr;
}

}  // namespace

bool VeltraEffectAPIBase::SetTcpIpEnable(bool bEnable, int32_t nTcpipPort) {
    TARVO_LOGD("VeltraEffectAPIBase::SetTcpIpEnable %s nTcpipPort %d", TARVO_BOOL_TEXT(bEnable),
               nTcpipPort);
    if (!bEnable) {
        return m_pVTServer ? m_pVTServer->Disable() : true;
    }
    if (!m_bServersCreated) {
        CreateTuningServers(nTcpipPort);
    }
    m_pTCPServer->SetListenPort(nTcpipPort & 0xFFFF);
    return m_pVTServer->Enable();
}

void VeltraEffectAPIBase::CreateTuningServers(int32_t nPort) {
    auto pParser = std::make_shared<CCommandsParser>();
    m_pTCPServer = std::make_shared<CTCPServer>(pParser, static_cast<unsigned int>(nPort & 0xFFFF));
    IVTServerMetersListener* pMeters = this;
    const std::shared_ptr<VTServerExecutor> executors[] = {
        std::make_shared<VTServerParameterSetter>(
            static_cast<IVTServerParameterSetListener*>(this)),
        std::make_shared<VTServerParameterArraySetter>(
            static_cast<IVTServerParameterArraySetListener*>(this)),
        std::make_shared<VTServerParameterGetter>(
            static_cast<IVTServerParameterGetListener*>(this)),
        std::make_shared<VTServerParameterArrayGetter>(
            static_cast<IVTServerParameterArrayGetListener*>(this)),
        std::make_shared<VTServerCustomOutputModeSetter>(
            static_cast<IVTServerCustomOutputModeSetListener*>(this)),
        std::make_shared<VTServerLogLevelSetter>(static_cast<IVTServerLogLevelSetListener*>(this)),
        std::make_shared<VTServerLogOutputSetter>(
            static_cast<IVTServerLogOutputSetListener*>(this)),
        std::make_shared<VTServerMetersDisabler>(pMeters),
        std::make_shared<VTServerMetersEnabler>(pMeters),
        std::make_shared<VTServerOutputModeSetter>(
            static_cast<IVTServerOutputModeSetListener*>(this)),
        std::make_shared<VTServerRecordingSetter>(static_cast<IVTServerRecordingListener*>(this)),
        std::make_shared<VTServerSoundModeSetter>(
            static_cast<IVTServerSoundModeSetListener*>(this)),
        std::make_shared<VTServerSystemVolumeSetter>(
            static_cast<IVTServerSystemVolumeSetListener*>(this)),
        std::make_shared<VTServerTagExSetter>(static_cast<IVTServerTagExSetListener*>(this)),
        std::make_shared<VTServerKvCalibrator>(static_cast<IVTServerCalibrateKvListener*>(this)),
        std::make_shared<VTServerMpsFileSetter>(static_cast<IVTServerMpsFileSetListener*>(this)),
        std::make_shared<VTServerDumper>(static_cast<IVTServerDumpListener*>(this)),
    };
    m_pVTServer = std::make_shared<VTServer>(m_pTCPServer);
    for (const auto& pExecutor : executors) {
        m_pVTServer->RegisterExecutor(pExecutor);
    }
    m_bServersCreated = true;
}

bool VeltraEffectAPIBase::SetMetersServerEnable(bool bEnable) {
    TARVO_LOGD("VeltraEffectAPIBase::SetMetersServerEnable %s", TARVO_BOOL_TEXT(bEnable));
    using Request = EffectCommand::U32Request;
    Writer request(Request::kSize);
    request.Put(Request::kValue, bEnable ? 1 : 0);
    return SendCommand(EffectCommand::kSetMetersServerEnable, Request::kSize,
                       request.Buffer().data());
}

bool VeltraEffectAPIBase::CreateAndListenUnixServerSocket(bool bIsAbstractSocket,
                                                          const std::string& strFilePath) {
    TARVO_LOGD(
        "VeltraEffectAPIBase::CreateAndListenUnixServerSocket bIsAbstractSocket %s strFilePath %s",
        TARVO_BOOL_TEXT(bIsAbstractSocket), strFilePath.c_str());
    return SendCommand(
        EffectCommand::kCreateListenUnixServerSocket,
        CVTCommandCreateListenUnixServerSocket(bIsAbstractSocket, strFilePath.c_str()).ToBuffer());
}

bool VeltraEffectAPIBase::CloseAndDestroyUnixServerSocket(const std::string& strFilePath) {
    TARVO_LOGD("VeltraEffectAPIBase::CloseAndDestroyUnixServerSocket strFilePath %s",
               strFilePath.c_str());
    return SendCommand(EffectCommand::kCloseDestroyUnixServerSocket,
                       CVTCommandCloseDestroyUnixServerSocket(strFilePath.c_str()).ToBuffer());
}

bool VeltraEffectAPIBase::OnVTServerParameterSet(uint32_t nParam, double dValue) {
    TARVO_LOG_ENTRY(
        "virtual bool TarvoFX::VeltraEffectAPIBase::OnVTServerParameterSet(uint32_t, double)");
    const unsigned int nId = nParam;
    return SendTuningParameters(*this, 1, &nId, &dValue);
}

bool VeltraEffectAPIBase::OnVTServerParameterArraySet(const std::vector<unsigned int>& vecParams,
                                                      const std::vector<double>& vecValues) {
    TARVO_LOG_ENTRY(
        "virtual bool TarvoFX::VeltraEffectAPIBase::OnVTServerParameterArraySet(const "
        "std::vector<unsigned int> &, const std::vector<double> &)");
    // Only complete pairs are sent.
    const size_t nCount = std::min(vecParams.size(), vecValues.size());
    return SendTuningParameters(*this, static_cast<uint32_t>(nCount), vecParams.data(),
                                vecValues.data());
}

bool VeltraEffectAPIBase::VTServerParameterArrayGet(std::vector<unsigned int>& vecParams,
                                                    std::vector<double>& vecValues,
                                                    std::vector<bool>& vecFound) {
    using Request = EffectCommand::ParamsArrayRequest;
    const uint32_t nCount = static_cast<uint32_t>(vecParams.size());
    if (!EffectCommand::FitsCommand(nCount, 20, 8)) {
        return false;
    }
    // Every output and sound mode (0xFFFF), every sub-type combined.
    Writer request(Request::kIds, Request::kIds + sizeof(uint32_t) * uint64_t{nCount});
    request.Put(Request::kOutputMode, 0xFFFF)
        .Put(Request::kSoundMode, 0xFFFF)
        .Put(Request::kSubTypes, 0)
        .Put(Request::kSubTypesCombined, 1)
        .Put(Request::kMustFindAll, 0);
    std::vector<double> vecAnswer(nCount);
    if (!QueryParamsArray(*this, EffectCommand::kParameterArrayGet, std::move(request), nCount,
                          vecParams.data(), vecAnswer.data())) {
        return false;
    }
    vecValues = std::move(vecAnswer);
    vecFound.assign(nCount, true);
    return true;
}

bool VeltraEffectAPIBase::OnVTServerParameterGet(uint32_t nParam, double& dValue) {
    std::vector<unsigned int> vecParams = {nParam};
    std::vector<double> vecValues = {0.0};
    std::vector<bool> vecFound = {false};
    if (!VTServerParameterArrayGet(vecParams, vecValues, vecFound)) {
        return false;
    }
    dValue = vecValues[0];
    return true;
}

bool VeltraEffectAPIBase::OnVTServerParameterArrayGet(std::vector<unsigned int>& vecParams,
                                                      std::vector<double>& vecValues,
                                                      std::vector<bool>& vecFound) {
    return VTServerParameterArrayGet(vecParams, vecValues, vecFound);
}

bool VeltraEffectAPIBase::OnVTServerCustomOutputModeSet(uint16_t nFirstOutputMode,
                                                        uint16_t nSecondOutputMode) {
    return SetCustomOutputMode(nFirstOutputMode, nSecondOutputMode);
}

bool VeltraEffectAPIBase::OnVTServerLogLevelSet(const char* szLogTagName, int32_t nLevel) {
    if (szLogTagName == nullptr) {
        TARVO_LOGE("VeltraEffectAPIBase::OnVTServerLogLevelSet szLogTagName is nullptr");
        return false;
    }
    return SetLogLevel(szLogTagName, nLevel);
}

bool VeltraEffectAPIBase::OnVTServerLogOutputSet(const char* szLogOutputName, bool bEnable) {
    if (szLogOutputName == nullptr) {
        TARVO_LOGE("VeltraEffectAPIBase::OnVTServerLogOutputSet szLogOutputName is nullptr");
        return false;
    }
    // A client may switch outputs, but name a log file only in the log
    // folder; a refused path reaches neither this library nor the effect.
    static const std::string s_strPathPrefix = "FILE_LOG://";
    const std::string strName = szLogOutputName;
    if (strName.compare(0, s_strPathPrefix.size(), s_strPathPrefix) == 0) {
        const std::string strFolder = TarvoLog::Instance().GetFileLogFolder();
        if (const char* szWhy =
                RefusedPeerLogPath(strName.substr(s_strPathPrefix.size()), strFolder)) {
            TARVO_LOGE(
                "VeltraEffectAPIBase::OnVTServerLogOutputSet refused %s (log folder \"%s\"): %s",
                szLogOutputName, strFolder.c_str(), szWhy);
            return false;
        }
    }
    return SetLogOutput(szLogOutputName, bEnable);
}

bool VeltraEffectAPIBase::OnVTServerMetersEnabled(bool bEnabled) {
    return SetMetersServerEnable(bEnabled);
}

bool VeltraEffectAPIBase::OnVTServerCalibrateKv() {
    return CalibrateKv();
}

bool VeltraEffectAPIBase::OnVTServerOutputModeSet(uint16_t nOutputMode) {
    return SetOutputMode(nOutputMode);
}

bool VeltraEffectAPIBase::OnVTServerRecordingEnabled(const char* szRecordingPath) {
    if (szRecordingPath == nullptr) {
        TARVO_LOGE("VeltraEffectAPIBase::OnVTServerRecordingEnabled szRecordingPath is nullptr");
        return false;
    }
    if (const char* szWhy = ControlCharacterIn(szRecordingPath)) {
        TARVO_LOGE("VeltraEffectAPIBase::OnVTServerRecordingEnabled refused %s: %s",
                   szRecordingPath, szWhy);
        return false;
    }
    return SetRecordingEnable(szRecordingPath);
}

bool VeltraEffectAPIBase::OnVTServerRecordingDisabled() {
    return SetRecordingDisable();
}

bool VeltraEffectAPIBase::OnVTServerSoundModeSet(int16_t nSoundMode) {
    return SetSoundMode(nSoundMode);
}

bool VeltraEffectAPIBase::OnVTServerSystemVolumeSet(double dVolume) {
    return SetSystemVolume(dVolume);
}

bool VeltraEffectAPIBase::OnVTServerTagExSet(uint32_t nOutputMode, uint32_t nSoundMode,
                                             int16_t nTagDisable, int16_t nTagEnable) {
    return SetTagEx(static_cast<int32_t>(nOutputMode), static_cast<int32_t>(nSoundMode),
                    static_cast<uint32_t>(nTagDisable), static_cast<uint32_t>(nTagEnable));
}

bool VeltraEffectAPIBase::OnVTServerMpsFileSet(const char* szPath) {
    if (szPath == nullptr) {
        TARVO_LOGE("VeltraEffectAPIBase::OnVTServerMpsFileSet szRecordingPath is nullptr");
        return false;
    }
    if (const char* szWhy = ControlCharacterIn(szPath)) {
        TARVO_LOGE("VeltraEffectAPIBase::OnVTServerMpsFileSet refused %s: %s", szPath, szWhy);
        return false;
    }
    return LoadPresets(szPath, "");
}

bool VeltraEffectAPIBase::OnVTServerDump() {
    return Dump();
}

}  // namespace TarvoFX
