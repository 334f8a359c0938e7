// Sets an array of parameter values for an output mode, sound mode and
// sub-type mask. Raw layout, 17 + 12n bytes:
//   0 u32 n; 4 i32 output mode; 8 i32 sound mode; 12 u32 sub-type mask;
//   16 n x u32 parameter ids; 16 + 4n n x f64 values;
//   16 + 12n u8 add parameters missing in the sub-preset to the base preset (0/1).
#pragma once

#include <stdint.h>

#include <vector>

#include "VTCommands/CVTCommandBase.h"

namespace TarvoFX {

class CVTCommandPresetSetParametersArray : public CVTCommandBase {
public:
    static constexpr uint32_t kMinSize = 29;  // one parameter

    CVTCommandPresetSetParametersArray();
    // Copies nParametersNum ids and values (zeros for an array that is null).
    CVTCommandPresetSetParametersArray(uint32_t nParametersNum, int32_t nOutputMode,
                                       int32_t nSoundMode, uint32_t nSubtypes,
                                       const uint32_t* pParametersIDs, const double* pValues,
                                       bool bAddNonexistingParamsInSubpresetToBasePreset);

    uint32_t ParametersNum() const { return m_fields.nParametersNum; }
    int32_t OutputMode() const { return m_fields.nOutputMode; }
    int32_t SoundMode() const { return m_fields.nSoundMode; }
    uint32_t Subtypes() const { return m_fields.nSubtypes; }
    const std::vector<uint32_t>& ParametersIDs() const { return m_fields.vecParametersIDs; }
    const std::vector<double>& Values() const { return m_fields.vecValues; }
    bool AddNonexistingParamsInSubpresetToBasePreset() const {
        return m_fields.bAddNonexistingParamsInSubpresetToBasePreset;
    }

    std::vector<char> ToBuffer() const override;
    bool FromBufffer(const void* pBuffer, uint32_t nBufferLen) override;

private:
    // The fields in wire order; a received message replaces them all at once.
    struct SFields {
        uint32_t nParametersNum = 0;
        int32_t nOutputMode = 0;
        int32_t nSoundMode = 0;
        uint32_t nSubtypes = 0;
        std::vector<uint32_t> vecParametersIDs;
        std::vector<double> vecValues;
        bool bAddNonexistingParamsInSubpresetToBasePreset = false;
    };

    SFields m_fields;
};

}  // namespace TarvoFX
