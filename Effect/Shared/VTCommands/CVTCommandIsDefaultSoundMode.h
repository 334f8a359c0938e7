// Asks the effect which of n (first value, second value) pairs name a default
// sound mode; the reply is the same message with the flags filled in. Raw
// layout, 4 + 9n bytes: 0 u32 n; 4 n x u32 first values;
// 4 + 4n n x u32 second values; 4 + 8n n x u8 flags (0/1).
#pragma once

#include <stdint.h>

#include <vector>

#include "VTCommands/CVTCommandBase.h"

namespace TarvoFX {

class CVTCommandIsDefaultSoundMode : public CVTCommandBase {
public:
    static constexpr uint32_t kMinSize = 4;  // no pairs

    CVTCommandIsDefaultSoundMode() = default;
    // Copies n entries of each array (zeros and false for an array that is null).
    CVTCommandIsDefaultSoundMode(uint32_t nCount, const uint32_t* pFirstValues,
                                 const uint32_t* pSecondValues, const bool* pFlags);

    uint32_t Count() const { return m_nCount; }
    const std::vector<uint32_t>& FirstValues() const { return m_vecFirstValues; }
    const std::vector<uint32_t>& SecondValues() const { return m_vecSecondValues; }
    const std::vector<bool>& Flags() const { return m_vecFlags; }

    std::vector<char> ToBuffer() const override;
    // Any nonzero flag byte reads as true.
    bool FromBufffer(const void* pBuffer, uint32_t nBufferLen) override;

private:
    uint32_t m_nCount = 0;
    std::vector<uint32_t> m_vecFirstValues;
    std::vector<uint32_t> m_vecSecondValues;
    std::vector<bool> m_vecFlags;
};

}  // namespace TarvoFX
