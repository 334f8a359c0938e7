#include "VTCommands/CRawLayout.h"

#include "logging/TarvoLog.h"

namespace TarvoFX {

CRawLayoutReader::CRawLayoutReader(const char* szClass, const void* pBuffer, uint32_t nBufferLen)
    : LittleEndian::Reader(pBuffer, nBufferLen),
      m_szClass(szClass),
      m_pBuffer(pBuffer),
      m_nBufferLen(nBufferLen) {
    TARVO_LOGD("%s::FromBufffer pBuffer %p nBufferLen %d", szClass, pBuffer, nBufferLen);
}

bool CRawLayoutReader::CheckMinimumSize(uint32_t nMinSize, MinSizeText eText) const {
    if (m_pBuffer != nullptr && m_nBufferLen >= nMinSize) {
        return true;
    }
    if (eText == MinSizeText::kReply) {
        TARVO_LOGE("Received invalid size %d while min is %d", m_nBufferLen, nMinSize);
    } else {
        TARVO_LOGE("Received invalid size %d whili min is %d", m_nBufferLen, nMinSize);
    }
    return false;
}

bool CRawLayoutReader::CheckExactSize(uint64_t nExactSize, const char* szSizeName) const {
    if (nExactSize == m_nBufferLen) {
        return true;
    }
    TARVO_LOGE("%s::FromBufffer Received invalid size %d while %s is %d of pBuffer %p", m_szClass,
               m_nBufferLen, szSizeName, ClampToU32(nExactSize), m_pBuffer);
    return false;
}

bool CRawLayoutReader::ReadCountOfExactSize(uint64_t nFixedSize, uint64_t nItemSize,
                                            const char* szSizeName, uint32_t& nCount) {
    return U32(nCount) && CheckExactSize(nFixedSize + nItemSize * nCount, szSizeName);
}

}  // namespace TarvoFX
