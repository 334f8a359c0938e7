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
    CRawLayoutWriter writer(kFixedSize + kSizePerEntry * m_nCount);
    writer.PutU32(m_nCount);
    writer.PutU32s(m_vecFirstValues);
    writer.PutU32s(m_vecSecondValues);
    for (bool bFlag : m_vecFlags) {
        writer.PutByte(bFlag ? 1 : 0);
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
        !reader.ReadU32s(nCount, vecFirstValues) || !reader.ReadU32s(nCount, vecSecondValues)) {
        return false;
    }
    std::vector<bool> vecFlags(nCount);
    for (uint32_t i = 0; i < nCount; ++i) {
        uint8_t nFlag = 0;
        reader.ReadByte(nFlag);
        vecFlags[i] = nFlag != 0;
    }
    m_nCount = nCount;
    m_vecFirstValues = std::move(vecFirstValues);
    m_vecSecondValues = std::move(vecSecondValues);
    m_vecFlags = std::move(vecFlags);
    return true;
}

}  // namespace TarvoFX
