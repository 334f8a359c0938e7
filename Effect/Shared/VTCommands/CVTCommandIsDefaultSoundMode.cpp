#include "VTCommands/CVTCommandIsDefaultSoundMode.h"

#include <utility>

#include "VTCommands/CRawLayout.h"
#include "logging/TarvoLog.h"

namespace TarvoFX {

namespace {

constexpr uint64_t kFixedSize = 4;
constexpr uint64_t kSizePerEntry = 4 + 4 + 1;

}  // namespace

CVTCommandIsDefaultSoundMode::CVTCommandIsDefaultSoundMode(uint32_t nCount,
                                                           const uint32_t* pFirstValues,
                                                           const uint32_t* pSecondValues,
                                                           const bool* pFlags)
    : m_nCount(nCount),
      m_vecFirstValues(CopyArray(pFirstValues, nCount)),
      m_vecSecondValues(CopyArray(pSecondValues, nCount)),
      m_vecFlags(CopyArray(pFlags, nCount)) {}

std::vector<char> CVTCommandIsDefaultSoundMode::ToBuffer() const {
    TARVO_LOG_ENTRY(
        "virtual std::vector<char> TarvoFX::CVTCommandIsDefaultSoundMode::ToBuffer() const");
    LittleEndian::Writer writer;
    writer.Reserve(kFixedSize + kSizePerEntry * m_nCount);
    writer.U32(m_nCount).Array(m_vecFirstValues).Array(m_vecSecondValues);
    for (bool bFlag : m_vecFlags) {
        writer.U8(bFlag ? 1 : 0);
    }
    return writer.Take();
}

bool CVTCommandIsDefaultSoundMode::FromBufffer(const void* pBuffer, uint32_t nBufferLen) {
    CRawLayoutReader reader("CVTCommandIsDefaultSoundMode", pBuffer, nBufferLen);
    uint32_t nCount = 0;
    std::vector<uint32_t> vecFirstValues;
    std::vector<uint32_t> vecSecondValues;
    if (!reader.CheckMinimumSize(kMinSize) ||
        !reader.ReadCountOfExactSize(kFixedSize, kSizePerEntry, "nExactSize", nCount) ||
        !reader.Array(nCount, vecFirstValues) || !reader.Array(nCount, vecSecondValues)) {
        return false;
    }
    std::vector<bool> vecFlags(nCount);
    for (uint32_t i = 0; i < nCount; ++i) {
        uint8_t nFlag = 0;
        reader.U8(nFlag);
        vecFlags[i] = nFlag != 0;
    }
    m_nCount = nCount;
    m_vecFirstValues = std::move(vecFirstValues);
    m_vecSecondValues = std::move(vecSecondValues);
    m_vecFlags = std::move(vecFlags);
    return true;
}

}  // namespace TarvoFX
