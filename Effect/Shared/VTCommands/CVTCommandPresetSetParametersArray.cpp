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
    : m_fields{nParametersNum,
               nOutputMode,
               nSoundMode,
               nSubtypes,
               CopyArray(pParametersIDs, nParametersNum),
               CopyArray(pValues, nParametersNum),
               bAddNonexistingParamsInSubpresetToBasePreset} {
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
    writer.Reserve(kFixedSize + kSizePerParameter * m_fields.nParametersNum);
    writer.U32(m_fields.nParametersNum)
        .U32(static_cast<uint32_t>(m_fields.nOutputMode))
        .U32(static_cast<uint32_t>(m_fields.nSoundMode))
        .U32(m_fields.nSubtypes)
        .Array(m_fields.vecParametersIDs)
        .Array(m_fields.vecValues)
        .U8(m_fields.bAddNonexistingParamsInSubpresetToBasePreset ? 1 : 0);
    return writer.Take();
}

bool CVTCommandPresetSetParametersArray::FromBufffer(const void* pBuffer, uint32_t nBufferLen) {
    CRawLayoutReader reader("CVTCommandPresetSetParametersArray", pBuffer, nBufferLen);
    SFields parsed;
    uint8_t nFlag = 0;
    if (!reader.CheckMinimumSize(kMinSize) ||
        !reader.ReadCountOfExactSize(kFixedSize, kSizePerParameter, "nExactSize",
                                     parsed.nParametersNum) ||
        !reader.I32(parsed.nOutputMode) || !reader.I32(parsed.nSoundMode) ||
        !reader.U32(parsed.nSubtypes) ||
        !reader.Array(parsed.nParametersNum, parsed.vecParametersIDs) ||
        !reader.Array(parsed.nParametersNum, parsed.vecValues) || !reader.U8(nFlag)) {
        return false;
    }
    parsed.bAddNonexistingParamsInSubpresetToBasePreset = nFlag != 0;
    m_fields = std::move(parsed);
    return true;
}

}  // namespace TarvoFX
