// Asks the effect to close and destroy a Unix server socket. Raw layout,
// 4 + L bytes: 0 u32 path length L; 4 L path bytes without terminator.
#pragma once

#include <stdint.h>

#include <string>

#include "VTCommands/CVTCommandBase.h"

namespace TarvoFX {

class CVTCommandCloseDestroyUnixServerSocket : public CVTCommandBase {
public:
    static constexpr uint32_t kMinSize = 5;  // a path of one byte

    CVTCommandCloseDestroyUnixServerSocket() = default;
    // A null path is taken as empty.
    explicit CVTCommandCloseDestroyUnixServerSocket(const char* szFilePath);

    const std::string& FilePath() const { return m_strFilePath; }

    std::vector<char> ToBuffer() const override;
    bool FromBufffer(const void* pBuffer, uint32_t nBufferLen) override;

private:
    std::string m_strFilePath;
};

}  // namespace TarvoFX
