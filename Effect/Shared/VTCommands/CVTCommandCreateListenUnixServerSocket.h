// Asks the effect to create and listen on a Unix server socket. Raw layout,
// 8 + L bytes: 0 u32 abstract socket (1 true, 0 false); 4 u32 path length L;
// 8 L path bytes without terminator.
#pragma once

#include <stdint.h>

#include <string>

#include "VTCommands/CVTCommandBase.h"

namespace TarvoFX {

class CVTCommandCreateListenUnixServerSocket : public CVTCommandBase {
public:
    static constexpr uint32_t kMinSize = 9;  // a path of one byte

    CVTCommandCreateListenUnixServerSocket() = default;
    // A null path is taken as empty.
    CVTCommandCreateListenUnixServerSocket(bool bIsAbstractSocket, const char* szFilePath);

    bool IsAbstractSocket() const { return m_bIsAbstractSocket; }
    const std::string& FilePath() const { return m_strFilePath; }

    std::vector<char> ToBuffer() const override;
    // The abstract flag is true only when its word is exactly 1.
    bool FromBufffer(const void* pBuffer, uint32_t nBufferLen) override;

private:
    bool m_bIsAbstractSocket = false;
    std::string m_strFilePath;
};

}  // namespace TarvoFX
