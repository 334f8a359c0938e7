#include "VTCommands/CVTCommandCreateListenUnixServerSocket.h"

#include <utility>

#include "VTCommands/CRawLayout.h"
#include "logging/TarvoLog.h"

namespace TarvoFX {

CVTCommandCreateListenUnixServerSocket::CVTCommandCreateListenUnixServerSocket(
    bool bIsAbstractSocket, const char* szFilePath)
    : m_bIsAbstractSocket(bIsAbstractSocket),
      m_strFilePath(szFilePath != nullptr ? szFilePath : "") {}

std::vector<char> CVTCommandCreateListenUnixServerSocket::ToBuffer() const {
    TARVO_LOG_ENTRY(
        "virtual std::vector<char> TarvoFX::CVTCommandCreateListenUnixServerSocket::ToBuffer() "
        "const");
    return LittleEndian::Writer()
        .U32(m_bIsAbstractSocket ? 1 : 0)
        .LengthAndBytes(m_strFilePath)
        .Take();
}

bool CVTCommandCreateListenUnixServerSocket::FromBufffer(const void* pBuffer, uint32_t nBufferLen) {
    CRawLayoutReader reader("CVTCommandCreateListenUnixServerSocket", pBuffer, nBufferLen);
    uint32_t nAbstract = 0;
    uint32_t nLength = 0;
    std::string strFilePath;
    if (!reader.CheckMinimumSize(kMinSize) || !reader.U32(nAbstract) ||
        !reader.ReadCountOfExactSize(8, 1, "nExactSize", nLength) ||
        !reader.String(nLength, strFilePath)) {
        return false;
    }
    m_bIsAbstractSocket = nAbstract == 1;
    m_strFilePath = std::move(strFilePath);
    return true;
}

}  // namespace TarvoFX
