#include "VTCommands/CVTCommandPresetSetParametersArray.h"

#include <utility>

#include "VTCommands/CRawLayout.h"
#include "logging/TarvoLog.h"

namespace TarvoFX {

namespace {

constexpr uint64_t kFixedSize = 17;
constexpr uint64_t kSizePerParameter = 4 + 8;

}  // namespace

CVTCommandPresetSetParametersArray::CVTCommandPresetSetParametersArray() {
    TARVO_LOG_ENTRY(
        "TarvoFX::CVTCommandPresetSetParametersArray::CVTCommandPresetSetParametersArray()");
}

CVTCommandPresetSetParametersArray::CVTCommandPresetSetParametersArray(
    uint32_t nParametersNum, int32_t nOutputMode, int32_t nSoundMode, uint32_t nSubtypes,
    const uint32_t* pParametersIDs, const double* pValues,
    bool bAddNonexistingParamsInSubpresetToBasePreset)
    : m_nParametersNum(nParametersNum),
      m_nOutputMode(nOutputMode),
      m_nSoundMode(nSoundMode),
      m_nSubtypes(nSubtypes),
      m_vecParametersIDs(CopyArray(pParametersIDs, nParametersNum)),
      m_vecValues(CopyArray(pValues, nParametersNum)),
      m_bAddNonexistingParamsInSubpresetToBasePreset(bAddNonexistingParamsInSubpresetToBasePreset) {
    TARVO_LOGD(
        "CVTCommandPresetSetParametersArray::CVTCommandPresetSetParametersArray nParametersNum %d "
        "nOutputMode %d nSoundMode %d nSubtypes %d pParametersIDs %p, pValues %p",
        nParametersNum, nOutputMode, nSoundMode, nSubtypes,
        static_cast<const void*>(pParametersIDs), static_cast<const void*>(pValues));
}

std::vector<char> CVTCommandPresetSetParametersArray::ToBuffer() const {
    TARVO_LOG_ENTRY(
        "virtual std::vector<char> TarvoFX::CVTCommandPresetSetParametersArray::ToBuffer() const");
    LittleEndian::Writer writer;
    writer.Reserve(kFixedSize + kSizePerParameter * m_nParametersNum);
    writer.U32(m_nParametersNum)
        .U32(static_cast<uint32_t>(m_nOutputMode))
        .U32(static_cast<uint32_t>(m_nSoundMode))
        .U32(m_nSubtypes)
        .Array(m_vecParametersIDs)
        .Array(m_vecValues)
        .U8(m_bAddNonexistingParamsInSubpresetToBasePreset ? 1 : 0);
    return writer.Take();
}

bool CVTCommandPresetSetParametersArray::FromBufffer(const void* pBuffer, uint32_t nBufferLen) {
    CRawLayoutReader reader("CVTCommandPresetSetParametersArray", pBuffer, nBufferLen);
    uint32_t nParametersNum = 0;
    int32_t nOutputMode = 0;
    int32_t nSoundMode = 0;
    uint32_t nSubtypes = 0;
    std::vector<uint32_t> vecParametersIDs;
    std::vector<double> vecValues;
    uint8_t nFlag = 0;
    if (!reader.CheckMinimumSize(kMinSize) ||
        !reader.ReadCountOfExactSize(kFixedSize, kSizePerParameter, "nExactSize", nParametersNum) ||
        !reader.I32(nOutputMode) || !reader.I32(nSoundMode) || !reader.U32(nSubtypes) ||
        !reader.Array(nParametersNum, vecParametersIDs) ||
        !reader.Array(nParametersNum, vecValues) || !reader.U8(nFlag)) {
        return false;
    }
    m_nParametersNum = nParametersNum;
    m_nOutputMode = nOutputMode;
    m_nSoundMode = nSoundMode;
    m_nSubtypes = nSubtypes;
    m_vecParametersIDs = std::move(vecParametersIDs);
    m_vecValues = std::move(vecValues);
    m_bAddNonexistingParamsInSubpresetToBasePreset = nFlag != 0;
    return true;
}

}  // namespace TarvoFX
