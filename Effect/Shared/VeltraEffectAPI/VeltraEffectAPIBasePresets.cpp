// The effect object's preset, parameter and configuration operations: preset
// files and chunks, parameter arrays read, written and cleared, the preset
// selector, configuration chunks.
#include "VeltraEffectAPI/VeltraEffectAPIBase.h"

#include <cstring>
#include <utility>
#include <vector>

#include "Utils/LittleEndian.h"
#include "VTCommands/CVTCommandMultipleString.h"
#include "VTCommands/CVTCommandPresetSetParametersArray.h"
#include "VTCommands/CVTCommandSetConfigByChunk.h"
#include "VTCommands/EffectCommands.h"
#include "VeltraEffectAPI/VeltraEffectAPIBaseRequests.h"
#include "logging/TarvoLog.h"

namespace TarvoFX {

namespace {

using LittleEndian::Reader;
using LittleEndian::Writer;

}  // namespace

bool VeltraEffectAPIBase::LoadPresets(const std::string& strMpsFilePath,
                                      const std::string& strUserMpsFilePath) {
    TARVO_LOGD("VeltraEffectAPIBase::LoadPresets strMpsFilePath %s strUserMpsFilePath %s",
               strMpsFilePath.c_str(), strUserMpsFilePath.c_str());
    CVTCommandMultipleString paths;
    paths.AddString(strMpsFilePath);
    if (!strUserMpsFilePath.empty()) {
        paths.AddString(strUserMpsFilePath);
    }
    const std::vector<char> request = paths.ToBuffer();
    char aReply[EffectCommand::kUnreadReplySize] = {};
    uint32_t nReplySize = sizeof(aReply);
    return SendWithReply(*this, EffectCommand::kLoadPresets, request, nReplySize, aReply);
}

bool VeltraEffectAPIBase::LoadPresetsFromChunk(const char* pChunk, uint32_t nChunkSize,
                                               uint32_t nChecksum, uint32_t nChunkType,
                                               bool bIsBasePreset) {
    TARVO_LOGD(
        "VeltraEffectAPIBase::LoadPresetsFromChunk pChunk %p nChunkSize %d nChecksum %d "
        "nChunkType %d bIsBasePreset %s",
        static_cast<const void*>(pChunk), nChunkSize, nChecksum, nChunkType,
        TARVO_BOOL_TEXT(bIsBasePreset));
    using Request = EffectCommand::ChunkRequest;
    if (!EffectCommand::FitsCommand(nChunkSize, 16, 1) || (nChunkSize > 0 && pChunk == nullptr)) {
        return false;
    }
    Writer request(Request::kChunk);
    request.Reserve(Request::kChunk + uint64_t{nChunkSize});
    request.Put(Request::kChunkType, nChunkType)
        .Put(Request::kChecksum, nChecksum)
        .Put(Request::kChunkSize, nChunkSize)
        .Put(Request::kIsBasePreset, bIsBasePreset ? 1 : 0)
        .Bytes(pChunk, nChunkSize);
    char aReply[EffectCommand::kUnreadReplySize] = {};
    uint32_t nReplySize = sizeof(aReply);
    return SendWithReply(*this, EffectCommand::kLoadPresetsFromChunk, request.Buffer(), nReplySize,
                         aReply);
}

bool VeltraEffectAPIBase::SavePresets(const std::string& strFilePath) {
    TARVO_LOGD("VeltraEffectAPIBase::SavePresets strFilePath %s", strFilePath.c_str());
    return SendText(*this, EffectCommand::kSavePresets, strFilePath);
}

bool VeltraEffectAPIBase::SaveUserPresets(const std::string& strFilePath) {
    TARVO_LOGD("VeltraEffectAPIBase::SaveUserPresets strFilePath %s", strFilePath.c_str());
    return SendText(*this, EffectCommand::kSaveUserPresets, strFilePath);
}

bool VeltraEffectAPIBase::SaveUserPresetToChunk(char* pChunk, uint32_t& nChunkSize, uint32_t nValue,
                                                uint32_t& nOutValue, uint32_t& nInOutValue) {
    TARVO_LOG_ENTRY(
        "virtual bool TarvoFX::VeltraEffectAPIBase::SaveUserPresetToChunk(char *, uint32_t &, "
        "uint32_t, uint32_t &, uint32_t &)");
    using Request = EffectCommand::SaveChunkRequest;
    using Reply = EffectCommand::SaveChunkReply;
    const uint32_t nCapacity = nChunkSize;
    if (!EffectCommand::FitsCommand(nCapacity, 12, 1) || (nCapacity > 0 && pChunk == nullptr)) {
        return false;
    }
    Writer request(Request::kSize);
    request.Put(Request::kCapacity, nCapacity)
        .Put(Request::kInOutValue, nInOutValue)
        .Put(Request::kValue, nValue);
    std::vector<char> reply(Reply::kChunk + static_cast<size_t>(nCapacity), 0);
    uint32_t nReplySize = static_cast<uint32_t>(reply.size());
    if (!SendWithReply(*this, EffectCommand::kSaveUserPresetToChunk, request.Buffer(), nReplySize,
                       reply.data())) {
        return false;
    }
    // The chunk must fit the caller's buffer and lie inside what the effect returned.
    const Reader fields(reply.data(), reply.size());
    uint32_t nReportedSize = 0;
    fields.Get(Reply::kChunkSize, nReportedSize);
    if (nReportedSize > nCapacity || nReplySize < Reply::kChunk ||
        nReportedSize > nReplySize - Reply::kChunk) {
        TARVO_LOGE(
            "VeltraEffectAPIBase::SaveUserPresetToChunk chunk size %u does not fit %u "
            "(reply %u bytes)",
            nReportedSize, nCapacity, nReplySize);
        return false;
    }
    fields.Get(Reply::kOutValue, nOutValue);
    fields.Get(Reply::kInOutValue, nInOutValue);
    nChunkSize = nReportedSize;
    if (nReportedSize > 0) {
        std::memcpy(pChunk, reply.data() + Reply::kChunk, nReportedSize);
    }
    return true;
}

bool VeltraEffectAPIBase::ClearParams() {
    TARVO_LOG_ENTRY("virtual bool TarvoFX::VeltraEffectAPIBase::ClearParams()");
    return SendCommand(EffectCommand::kClearParams);
}

bool VeltraEffectAPIBase::ClearParamsArray(uint32_t nParametersCount, const unsigned int* pParams,
                                           int32_t nOutputMode, int32_t nSoundMode,
                                           uint32_t nSubTypes, bool bAlsoClearBasePreset) {
    TARVO_LOGD(
        "VeltraEffectAPIBase::ClearParamsArray nParametersCount %d nOutputMode %d nSoundMode %d "
        "nSubTypes 0x%08x bAlsoClearBasePreset %s",
        nParametersCount, nOutputMode, nSoundMode, nSubTypes,
        TARVO_BOOL_TEXT(bAlsoClearBasePreset));
    using Request = EffectCommand::ClearParamsArrayRequest;
    if (!EffectCommand::FitsCommand(nParametersCount, 16, 4) ||
        (nParametersCount > 0 && pParams == nullptr)) {
        return false;
    }
    Writer request(Request::kIds, Request::kIds + sizeof(uint32_t) * uint64_t{nParametersCount});
    request.Put(Request::kCount, nParametersCount)
        .Put(Request::kOutputMode, static_cast<uint16_t>(nOutputMode))
        .Put(Request::kSoundMode, static_cast<uint16_t>(nSoundMode))
        .Put(Request::kSubTypes, nSubTypes)
        .Put(Request::kAlsoClearBase, bAlsoClearBasePreset ? 1 : 0)
        .Array(pParams, nParametersCount);
    return SendCommand(EffectCommand::kClearParamsArray, request.Buffer());
}

bool VeltraEffectAPIBase::Preset_GetParamsArray(uint32_t nParametersCount,
                                                const unsigned int* pParams, double* pValues,
                                                int32_t nOutputMode, int32_t nSoundMode,
                                                uint32_t nSubType, bool bIsSubTypeCombined,
                                                bool bMustFindAll, bool includeUserPreset) {
    TARVO_LOGD(
        "VeltraEffectAPIBase::Preset_GetParamsArray nParametersCount %d nOutputMode %d "
        "nSoundMode %d nSubType 0x%08x bIsSubTypeCombined %s bMustFindAll %s includeUserPreset %s",
        nParametersCount, nOutputMode, nSoundMode, nSubType, TARVO_BOOL_TEXT(bIsSubTypeCombined),
        TARVO_BOOL_TEXT(bMustFindAll), TARVO_BOOL_TEXT(includeUserPreset));
    using Request = EffectCommand::ParamsArrayRequest;
    if (!EffectCommand::FitsCommand(nParametersCount, 20, 8) ||
        (nParametersCount > 0 && (pParams == nullptr || pValues == nullptr))) {
        return false;
    }
    Writer request(Request::kIds, Request::kIds + sizeof(uint32_t) * uint64_t{nParametersCount});
    request.Put(Request::kOutputMode, static_cast<uint16_t>(nOutputMode))
        .Put(Request::kSoundMode, static_cast<uint16_t>(nSoundMode))
        .Put(Request::kSubTypes, nSubType)
        .Put(Request::kSubTypesCombined, bIsSubTypeCombined ? 1 : 0)
        .Put(Request::kMustFindAll, bMustFindAll ? 1 : 0);
    return QueryParamsArray(
        *this,
        includeUserPreset ? EffectCommand::kGetParamsArray : EffectCommand::kGetBaseParamsArray,
        std::move(request), nParametersCount, pParams, pValues);
}

bool VeltraEffectAPIBase::Preset_GetUserParamsArray(uint32_t nParametersCount,
                                                    const unsigned int* pParams, double* pValues,
                                                    int32_t nOutputMode, int32_t nSoundMode,
                                                    uint32_t nSubType, bool bIsSubTypeCombined,
                                                    bool bMustFindAll) {
    return Preset_GetParamsArray(nParametersCount, pParams, pValues, nOutputMode, nSoundMode,
                                 nSubType, bIsSubTypeCombined, bMustFindAll, true);
}

bool VeltraEffectAPIBase::Preset_GetBaseParamsArray(uint32_t nParametersCount,
                                                    const unsigned int* pParams, double* pValues,
                                                    int32_t nOutputMode, int32_t nSoundMode,
                                                    uint32_t nSubType, bool bIsSubTypeCombined,
                                                    bool bMustFindAll) {
    return Preset_GetParamsArray(nParametersCount, pParams, pValues, nOutputMode, nSoundMode,
                                 nSubType, bIsSubTypeCombined, bMustFindAll, false);
}

bool VeltraEffectAPIBase::Preset_SetParamsArrayEx(
    uint32_t nParametersCount, const unsigned int* pParams, const double* pValues,
    int32_t nOutputMode, int32_t nSoundMode, uint32_t nSubType,
    bool bAddNonexistingParamsInSubpresetToBasePreset) {
    TARVO_LOGD(
        "VeltraEffectAPIBase::Preset_SetParamsArrayEx nParametersCount %d nOutputMode %d "
        "nSoundMode %d nSubType 0x%08x bAddNonexistingParamsInSubpresetToBasePreset %s",
        nParametersCount, nOutputMode, nSoundMode, nSubType,
        TARVO_BOOL_TEXT(bAddNonexistingParamsInSubpresetToBasePreset));
    if (!EffectCommand::FitsCommand(nParametersCount, 17, 12) ||
        (nParametersCount > 0 && (pParams == nullptr || pValues == nullptr))) {
        return false;
    }
    return SendCommand(EffectCommand::kSetParamsArray,
                       CVTCommandPresetSetParametersArray(
                           nParametersCount, nOutputMode, nSoundMode, nSubType, pParams, pValues,
                           bAddNonexistingParamsInSubpresetToBasePreset)
                           .ToBuffer());
}

bool VeltraEffectAPIBase::SetPresetSelectorIndex(int32_t nIndex) {
    TARVO_LOGD("VeltraEffectAPIBase::SetPresetSelectorIndex %d", nIndex);
    using Request = EffectCommand::U32Request;
    Writer request(Request::kSize);
    request.Put(Request::kValue, static_cast<uint32_t>(nIndex));
    return SendCommand(EffectCommand::kSetPresetSelectorIndex, request.Buffer());
}

bool VeltraEffectAPIBase::SetConfigByChunk(const char* pChunk, uint32_t nChunkSize,
                                           uint32_t nChecksum, uint32_t nChunkType) {
    TARVO_LOGD(
        "VeltraEffectAPIBase::SetConfigByChunk pChunk %p nChunkSize %d nChecksum %d nChunkType "
        "%d",
        static_cast<const void*>(pChunk), nChunkSize, nChecksum, nChunkType);
    if (!EffectCommand::FitsCommand(nChunkSize, 32, 1) || (nChunkSize > 0 && pChunk == nullptr)) {
        return false;
    }
    const std::vector<char> request =
        CVTCommandSetConfigByChunk(pChunk, nChunkSize, nChecksum, nChunkType).ToBuffer();
    char aReply[EffectCommand::kUnreadReplySize] = {};
    uint32_t nReplySize = sizeof(aReply);
    return SendWithReply(*this, EffectCommand::kSetConfigByChunk, request, nReplySize, aReply);
}

bool VeltraEffectAPIBase::ClearConfig() {
    TARVO_LOGD("VeltraEffectAPIBase::ClearConfig");
    char aReply[EffectCommand::kUnreadReplySize] = {};
    uint32_t nReplySize = sizeof(aReply);
    return SendCommand(EffectCommand::kClearConfig, 0, nullptr, &nReplySize, aReply);
}

}  // namespace TarvoFX
