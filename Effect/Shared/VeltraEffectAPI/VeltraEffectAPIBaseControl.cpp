// The effect object's control operations: switches and modes, tag masks and
// the active state, logging, volume, recording and client pipes, what the
// effect supports, force bypass and raw buffer exchange.
#include "VeltraEffectAPI/VeltraEffectAPIBase.h"

#include "Utils/LittleEndian.h"
#include "VTCommands/CVTCommandIsDefaultSoundMode.h"
#include "VTCommands/CVTCommandSetLogLevel.h"
#include "VTCommands/CVTCommandSetLogOutput.h"
#include "VTCommands/CVTCommandSetSystemVolume.h"
#include "VTCommands/CVTReplyGetSupportedOutputModeName.h"
#include "VTCommands/EffectCommands.h"
#include "VeltraEffectAPI/VeltraEffectAPIBaseRequests.h"
#include "logging/TarvoLog.h"

namespace TarvoFX {

namespace {

using LittleEndian::Reader;
using LittleEndian::Writer;

bool SendU16(VeltraEffectAPIBase& effect, int32_t nCmdID, uint16_t nValue) {
    using Request = EffectCommand::U16Request;
    Writer request(Request::kSize);
    request.Put(Request::kValue, nValue);
    return effect.SendCommand(nCmdID, request.Buffer());
}

// A ModePairRequest answered by a u32 tag mask.
bool QueryTagMask(VeltraEffectAPIBase& effect, int32_t nCmdID, int32_t nOutputMode,
                  int32_t nSoundMode, uint32_t& nTag) {
    using Request = EffectCommand::ModePairRequest;
    using Reply = EffectCommand::U32Reply;
    Writer request(Request::kSize);
    request.Put(Request::kOutputMode, static_cast<uint16_t>(nOutputMode))
        .Put(Request::kSoundMode, static_cast<uint16_t>(nSoundMode));
    char aReply[Reply::kSize] = {};
    uint32_t nReplySize = sizeof(aReply);
    return SendWithReply(effect, nCmdID, request.Buffer(), nReplySize, aReply) &&
           Reader(aReply, sizeof(aReply)).Get(Reply::kValue, nTag);
}

// Sends a logging setting to the effect; this library's own log follows the
// same setting, whatever the effect answered. True when both succeeded.
template <typename ApplyLocally>
bool SendLogSetting(VeltraEffectAPIBase& effect, int32_t nCmdID, const std::vector<char>& request,
                    ApplyLocally applyLocally) {
    const bool bSent = effect.SendCommand(nCmdID, request);
    const bool bLocal = applyLocally(TarvoLog::Instance());
    return bSent && bLocal;
}

}  // namespace

bool VeltraEffectAPIBase::SetOutputDeviceDetectionEnabled(bool bEnabled) {
    TARVO_LOGD("VeltraEffectAPIBase::SetOutputDeviceDetectionEnabled bEnabled %s",
               TARVO_BOOL_TEXT(bEnabled));
    return SendCommand(bEnabled ? EffectCommand::kEnableOutputDeviceDetection
                                : EffectCommand::kDisableOutputDeviceDetection);
}

bool VeltraEffectAPIBase::SetVeltSenseEnabled(bool bEnabled) {
    TARVO_LOGD("VeltraEffectAPIBase::SetVeltSenseEnabled bEnabled %s", TARVO_BOOL_TEXT(bEnabled));
    return SendCommand(bEnabled ? EffectCommand::kEnableVeltSense
                                : EffectCommand::kDisableVeltSense);
}

bool VeltraEffectAPIBase::SetOutputMode(int32_t nOM) {
    TARVO_LOGD("VeltraEffectAPIBase::SetOutputMode nOM) %d", nOM);
    return SendU16(*this, EffectCommand::kSetOutputMode, static_cast<uint16_t>(nOM));
}

bool VeltraEffectAPIBase::SetSoundMode(int32_t nSoundMode) {
    TARVO_LOGD("VeltraEffectAPIBase::SetSoundMode nSoundMode %d", nSoundMode);
    return SendU16(*this, EffectCommand::kSetSoundMode, static_cast<uint16_t>(nSoundMode));
}

bool VeltraEffectAPIBase::SetCustomOutputMode(int32_t nFirstOutputMode, int32_t nSecondOutputMode) {
    TARVO_LOGD("VeltraEffectAPIBase::SetCustomOutputMode %d->%d", nFirstOutputMode,
               nSecondOutputMode);
    using Request = EffectCommand::CustomOutputModeRequest;
    Writer request(Request::kSize);
    request.Put(Request::kFirst, static_cast<uint16_t>(nFirstOutputMode))
        .Put(Request::kSecond, static_cast<uint16_t>(nSecondOutputMode));
    return SendCommand(EffectCommand::kSetCustomOutputMode, request.Buffer());
}

bool VeltraEffectAPIBase::SetSmoothingEnable(bool bEnabled) {
    TARVO_LOGD("VeltraEffectAPIBase::SetSmoothingEnable %s", TARVO_BOOL_TEXT(bEnabled));
    return SendU16(*this, EffectCommand::kSetSmoothingEnable, bEnabled ? 1 : 0);
}

bool VeltraEffectAPIBase::SetSensorFusionEnabled(bool bEnabled) {
    TARVO_LOGD("VeltraEffectAPIBase::SetSensorFusionEnabled %s", TARVO_BOOL_TEXT(bEnabled));
    const uint8_t nValue = bEnabled ? 1 : 0;
    return SendCommand(EffectCommand::kSetSensorFusionEnabled, sizeof(nValue), &nValue);
}

bool VeltraEffectAPIBase::SetTrackingDataRate(uint16_t nRate) {
    TARVO_LOGD("VeltraEffectAPIBase::SetTrackingDataRate %d", nRate);
    return SendU16(*this, EffectCommand::kSetTrackingDataRate, nRate);
}

bool VeltraEffectAPIBase::CalibrateKv() {
    TARVO_LOG_ENTRY("virtual bool TarvoFX::VeltraEffectAPIBase::CalibrateKv()");
    return SendCommand(EffectCommand::kCalibrateKv);
}

bool VeltraEffectAPIBase::GetSessionData() {
    TARVO_LOG_ENTRY("virtual bool TarvoFX::VeltraEffectAPIBase::GetSessionData()");
    return SendCommand(EffectCommand::kGetSessionData);
}

bool VeltraEffectAPIBase::Dump() {
    TARVO_LOG_ENTRY("virtual bool TarvoFX::VeltraEffectAPIBase::Dump()");
    return SendCommand(EffectCommand::kDump);
}

bool VeltraEffectAPIBase::SetTagEx(int32_t nOutputMode, int32_t nSoundMode, uint32_t nTagDisable,
                                   uint32_t nTagEnable) {
    TARVO_LOGD("VeltraEffectAPIBase::SetTagEx tag disable 0x%08x tag enable 0x%08x om %d sm %d",
               nTagDisable, nTagEnable, nOutputMode, nSoundMode);
    using Request = EffectCommand::SetTagExRequest;
    Writer request(Request::kSize);
    request.Put(Request::kOutputMode, static_cast<uint32_t>(nOutputMode))
        .Put(Request::kSoundMode, static_cast<uint32_t>(nSoundMode))
        .Put(Request::kTagDisable, static_cast<uint16_t>(nTagDisable))
        .Put(Request::kTagEnable, static_cast<uint16_t>(nTagEnable));
    return SendCommand(EffectCommand::kSetTagEx, request.Buffer());
}

bool VeltraEffectAPIBase::GetTag(int32_t nOutputMode, int32_t nSoundMode, uint32_t& nTag) {
    TARVO_LOGD("VeltraEffectAPIBase::GetTag om %d sm %d", nOutputMode, nSoundMode);
    return QueryTagMask(*this, EffectCommand::kGetTag, nOutputMode, nSoundMode, nTag);
}

bool VeltraEffectAPIBase::GetSupportedTag(int32_t nOutputMode, int32_t nSoundMode, uint32_t& nTag) {
    TARVO_LOGD("VeltraEffectAPIBase::GetSupportedTag om %d sm %d", nOutputMode, nSoundMode);
    return QueryTagMask(*this, EffectCommand::kGetSupportedTag, nOutputMode, nSoundMode, nTag);
}

bool VeltraEffectAPIBase::GetActive(uint16_t& nOM, uint16_t& nSM, uint16_t& nMT, uint32_t& nTag) {
    TARVO_LOG_ENTRY(
        "virtual bool TarvoFX::VeltraEffectAPIBase::GetActive(uint16_t &, uint16_t &, uint16_t "
        "&, uint32_t &)");
    using Reply = EffectCommand::GetActiveReply;
    char aReply[Reply::kSize] = {};
    uint32_t nReplySize = sizeof(aReply);
    if (!SendCommand(EffectCommand::kGetActive, 0, nullptr, &nReplySize, aReply)) {
        return false;
    }
    const Reader reply(aReply, sizeof(aReply));
    reply.Get(Reply::kTag, nTag);
    reply.Get(Reply::kOutputMode, nOM);
    reply.Get(Reply::kSoundMode, nSM);
    reply.Get(Reply::kMT, nMT);
    TARVO_LOGD("GetActive om %d sm %d mt %d tag 0x%08x", nOM, nSM, nMT, nTag);
    return true;
}

bool VeltraEffectAPIBase::SetLogLevel(const std::string& strTagName, int32_t nLevel) {
    TARVO_LOGD("VeltraEffectAPIBase::SetLogLevel %s %d", strTagName.c_str(), nLevel);
    return SendLogSetting(
        *this, EffectCommand::kSetLogLevel,
        CVTCommandSetLogLevel(strTagName, static_cast<uint32_t>(nLevel)).ToBuffer(),
        [&](TarvoLog& log) { return log.SetLogLevel(strTagName.c_str(), nLevel); });
}

bool VeltraEffectAPIBase::SetLogOutput(const std::string& strOutputName, bool bEnable) {
    TARVO_LOGD("VeltraEffectAPIBase::SetLogOutput %s %s", strOutputName.c_str(),
               TARVO_BOOL_TEXT_LOWER(bEnable));
    return SendLogSetting(
        *this, EffectCommand::kSetLogOutput,
        CVTCommandSetLogOutput(strOutputName, bEnable).ToBuffer(),
        [&](TarvoLog& log) { return log.SetLogOutput(strOutputName.c_str(), bEnable); });
}

bool VeltraEffectAPIBase::SetSystemVolume(double dVolume) {
    TARVO_LOGD("VeltraEffectAPIBase::SetSystemVolume %f", dVolume);
    return SendCommand(EffectCommand::kSetSystemVolume,
                       CVTCommandSetSystemVolume(dVolume).ToBuffer());
}

bool VeltraEffectAPIBase::SetRecordingEnable(const std::string& strPrefixPath) {
    TARVO_LOGD("VeltraEffectAPIBase::SetRecordingEnable strPrefixPath %s", strPrefixPath.c_str());
    return SendText(*this, EffectCommand::kSetRecordingEnable, strPrefixPath);
}

bool VeltraEffectAPIBase::SetRecordingDisable() {
    TARVO_LOG_ENTRY("virtual bool TarvoFX::VeltraEffectAPIBase::SetRecordingDisable()");
    return SendCommand(EffectCommand::kSetRecordingDisable);
}

bool VeltraEffectAPIBase::OpenClientPipe(const std::string& strFilePath) {
    TARVO_LOGD("VeltraEffectAPIBase::OpenClientPipe strFilePath %s", strFilePath.c_str());
    return SendText(*this, EffectCommand::kOpenClientPipe, strFilePath);
}

bool VeltraEffectAPIBase::CloseClientPipe() {
    TARVO_LOG_ENTRY("virtual bool TarvoFX::VeltraEffectAPIBase::CloseClientPipe()");
    return SendCommand(EffectCommand::kCloseClientPipe);
}

bool VeltraEffectAPIBase::GetSupportedOutputModeCount(uint32_t& nCount) {
    TARVO_LOG_ENTRY(
        "virtual bool TarvoFX::VeltraEffectAPIBase::GetSupportedOutputModeCount(uint32_t &)");
    using Reply = EffectCommand::U32Reply;
    char aReply[Reply::kSize] = {};
    uint32_t nReplySize = sizeof(aReply);
    if (!SendCommand(EffectCommand::kGetSupportedOutputModeCount, 0, nullptr, &nReplySize,
                     aReply) ||
        !Reader(aReply, sizeof(aReply)).Get(Reply::kValue, nCount)) {
        return false;
    }
    TARVO_LOGD("VeltraEffectAPIBase::GetSupportedOutputModeCount is %d", nCount);
    return true;
}

bool VeltraEffectAPIBase::GetSupportedOutputModeNames(uint32_t nCount,
                                                      std::vector<unsigned int>& vecIds,
                                                      std::vector<std::string>& vecNames) {
    TARVO_LOGD("VeltraEffectAPIBase::GetSupportedOutputModeNames %d", nCount);
    using Request = EffectCommand::U32Request;
    constexpr uint32_t kBytesPerName = EffectCommand::kOutputModeNameReplySize;
    if (!EffectCommand::FitsCommand(nCount, 0, kBytesPerName)) {
        return false;
    }
    Writer request(Request::kSize);
    request.Put(Request::kValue, nCount);
    std::vector<char> reply(static_cast<size_t>(kBytesPerName) * nCount);
    uint32_t nReplySize = static_cast<uint32_t>(reply.size());
    if (!SendWithReply(*this, EffectCommand::kGetSupportedOutputModeNames, request.Buffer(),
                       nReplySize, reply.empty() ? nullptr : reply.data())) {
        return false;
    }
    CVTReplyGetSupportedOutputModeName names(static_cast<int32_t>(nCount));
    if (nReplySize > reply.size() ||
        !names.FromBufffer(reply.empty() ? nullptr : reply.data(), nReplySize)) {
        return false;
    }
    vecIds.resize(names.Names().size());
    vecNames.resize(names.Names().size());
    size_t nIndex = 0;
    for (const auto& entry : names.Names()) {
        vecIds[nIndex] = entry.first;
        vecNames[nIndex] = entry.second;
        ++nIndex;
    }
    return true;
}

bool VeltraEffectAPIBase::GetSupportedSoundModeCount(uint32_t& nCount) {
    TARVO_LOG_ENTRY(
        "virtual bool TarvoFX::VeltraEffectAPIBase::GetSupportedSoundModeCount(uint32_t &)");
    uint32_t nReplySize = sizeof(nCount);
    return SendCommand(EffectCommand::kGetSupportedSoundModeCount, 0, nullptr, &nReplySize,
                       &nCount);
}

bool VeltraEffectAPIBase::GetSupportedSoundModeValues(uint32_t nSoundModeCount,
                                                      std::vector<unsigned int>& vecValues) {
    TARVO_LOGD("VeltraEffectAPIBase::GetSupportedSoundModeValues nSoundModeCount %d",
               nSoundModeCount);
    using Request = EffectCommand::U32Request;
    if (!EffectCommand::FitsCommand(nSoundModeCount, 4, 4)) {
        return false;
    }
    vecValues.resize(nSoundModeCount);
    Writer request(Request::kSize);
    request.Put(Request::kValue, nSoundModeCount);
    // The effect writes its u32 values straight into the vector.
    uint32_t nReplySize = static_cast<uint32_t>(sizeof(uint32_t) * nSoundModeCount);
    return SendWithReply(*this, EffectCommand::kGetSupportedSoundModeValues, request.Buffer(),
                         nReplySize, vecValues.data());
}

bool VeltraEffectAPIBase::GetDefaultSoundMode(uint32_t nCount, const uint32_t* pFirstValues,
                                              const uint32_t* pSecondValues, bool* pIsDefault) {
    TARVO_LOG_ENTRY(
        "virtual bool TarvoFX::VeltraEffectAPIBase::GetDefaultSoundMode(uint32_t, const uint32_t "
        "*, const uint32_t *, bool *)");
    if (!EffectCommand::FitsCommand(nCount, 4, 9) || (nCount > 0 && pIsDefault == nullptr)) {
        return false;
    }
    const std::vector<char> request =
        CVTCommandIsDefaultSoundMode(nCount, pFirstValues, pSecondValues, pIsDefault).ToBuffer();
    std::vector<char> reply(request.size());
    uint32_t nReplySize = static_cast<uint32_t>(reply.size());
    if (!SendWithReply(*this, EffectCommand::kIsDefaultSoundMode, request, nReplySize,
                       reply.data())) {
        return false;
    }
    // A reply that does not parse, or answers for another count, leaves the
    // flags alone; the command itself went through.
    CVTCommandIsDefaultSoundMode answer;
    if (nReplySize <= reply.size() && answer.FromBufffer(reply.data(), nReplySize) &&
        answer.Count() == nCount) {
        for (uint32_t i = 0; i < nCount; ++i) {
            pIsDefault[i] = answer.Flags()[i];
        }
    }
    return true;
}

bool VeltraEffectAPIBase::SetForceBypass(int32_t nIO, int32_t nSessionId,
                                         const std::string& strAlgName, int32_t nUseCase,
                                         bool bForceBypass) {
    TARVO_LOGD(
        "VeltraEffectAPIBase::SetForceBypass nIO %d nSessionId %d strAlgName %s nUseCase %d "
        "bForceBypass %s",
        nIO, nSessionId, strAlgName.c_str(), nUseCase, TARVO_BOOL_TEXT(bForceBypass));
    using Request = EffectCommand::ForceBypassRequest;
    // The name and its terminator fill the field at the most.
    if (strAlgName.size() > Request::kAlgorithmSize - 1) {
        return false;
    }
    Writer request(Request::kSize);
    request.Put(Request::kIO, static_cast<uint32_t>(nIO))
        .Put(Request::kSession, static_cast<uint32_t>(nSessionId))
        .PutBytes(Request::kAlgorithm, strAlgName.data(), strAlgName.size())
        .Put(Request::kUseCase, static_cast<uint32_t>(nUseCase))
        .Put(Request::kForceBypass, bForceBypass ? 1 : 0);
    return SendCommand(EffectCommand::kSetForceBypass, request.Buffer());
}

bool VeltraEffectAPIBase::TransactBuffer(uint32_t nSize, void* pBuffer) {
    uint32_t nReplySize = nSize;
    return SendCommand(EffectCommand::kTransactBuffer, nSize, pBuffer, &nReplySize, pBuffer);
}

}  // namespace TarvoFX
