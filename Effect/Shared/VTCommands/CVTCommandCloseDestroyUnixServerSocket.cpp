#include "VTCommands/CVTCommandCloseDestroyUnixServerSocket.h"

#include <utility>

#include "VTCommands/CRawLayout.h"
#include "logging/TarvoLog.h"

namespace TarvoFX {

CVTCommandCloseDestroyUnixServerSocket::CVTCommandCloseDestroyUnixServerSocket(
    const char* szFilePath)
    : m_strFilePath(szFilePath != nullptr ? szFilePath : "") {}

std::vector<char> CVTCommandCloseDestroyUnixServerSocket::ToBuffer() const {
    TARVO_LOG_ENTRY(
        "virtual std::vector<char> TarvoFX::CVTCommandCloseDestroyUnixServerSocket::ToBuffer() "
        "const");
    return LittleEndian::Writer().LengthAndBytes(m_strFilePath).Take();
}

bool CVTCommandCloseDestroyUnixServerSocket::FromBufffer(const void* pBuffer, uint32_t nBufferLen) {
    CRawLayoutReader reader("CVTCommandCloseDestroyUnixServerSocket", pBuffer, nBufferLen);
    uint32_t nLength = 0;
    std::string strFilePath;
    if (!reader.CheckMinimumSize(kMinSize) ||
        !reader.ReadCountOfExactSize(4, 1, "minCommandSize", nLength) ||
        !reader.String(nLength, strFilePath)) {
        return false;
    }
    m_strFilePath = std::move(strFilePath);
    return true;
}

}  // namespace TarvoFX
