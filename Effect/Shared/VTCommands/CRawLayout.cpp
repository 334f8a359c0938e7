#include "VTCommands/CRawLayout.h"

#include "VTCommands/LittleEndian.h"
#include "logging/TarvoLog.h"

namespace TarvoFX {

// --- Writer ------------------------------------------------------------------------

CRawLayoutWriter::CRawLayoutWriter(uint64_t nSize) {
    if (nSize <= m_bytes.max_size()) {
        m_bytes.reserve(static_cast<size_t>(nSize));
    }
}

void CRawLayoutWriter::PutByte(uint8_t nValue) {
    m_bytes.push_back(static_cast<char>(nValue));
}

void CRawLayoutWriter::PutU32(uint32_t nValue) {
    char aBytes[4];
    LittleEndian::StoreU32(aBytes, nValue);
    PutBytes(aBytes, sizeof(aBytes));
}

void CRawLayoutWriter::PutDouble(double dValue) {
    char aBytes[8];
    LittleEndian::StoreDouble(aBytes, dValue);
    PutBytes(aBytes, sizeof(aBytes));
}

void CRawLayoutWriter::PutBytes(const void* pData, size_t nSize) {
    if (nSize > 0) {
        const char* pBytes = static_cast<const char*>(pData);
        m_bytes.insert(m_bytes.end(), pBytes, pBytes + nSize);
    }
}

void CRawLayoutWriter::PutLengthAndBytes(const std::string& strValue) {
    PutU32(static_cast<uint32_t>(strValue.size()));
    PutBytes(strValue.data(), strValue.size());
}

void CRawLayoutWriter::PutU32s(const std::vector<uint32_t>& values) {
    for (uint32_t nValue : values) {
        PutU32(nValue);
    }
}

void CRawLayoutWriter::PutDoubles(const std::vector<double>& values) {
    for (double dValue : values) {
        PutDouble(dValue);
    }
}

// --- Reader ------------------------------------------------------------------------

CRawLayoutReader::CRawLayoutReader(const char* szClass, const void* pBuffer, uint32_t nBufferLen)
    : m_szClass(szClass),
      m_pBuffer(static_cast<const char*>(pBuffer)),
      m_nBufferLen(nBufferLen),
      m_nPos(0) {
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
               m_nBufferLen, szSizeName, ClampToU32(nExactSize),
               static_cast<const void*>(m_pBuffer));
    return false;
}

bool CRawLayoutReader::ReadCountOfExactSize(uint64_t nFixedSize, uint64_t nItemSize,
                                            const char* szSizeName, uint32_t& nCount) {
    return ReadU32(nCount) && CheckExactSize(nFixedSize + nItemSize * nCount, szSizeName);
}

bool CRawLayoutReader::ReadByte(uint8_t& nValue) {
    if (Remaining() < 1) {
        return false;
    }
    nValue = static_cast<uint8_t>(m_pBuffer[m_nPos]);
    m_nPos += 1;
    return true;
}

bool CRawLayoutReader::ReadU32(uint32_t& nValue) {
    if (Remaining() < 4) {
        return false;
    }
    nValue = LittleEndian::LoadU32(m_pBuffer + m_nPos);
    m_nPos += 4;
    return true;
}

bool CRawLayoutReader::ReadI32(int32_t& nValue) {
    uint32_t nWord = 0;
    if (!ReadU32(nWord)) {
        return false;
    }
    nValue = static_cast<int32_t>(nWord);
    return true;
}

bool CRawLayoutReader::ReadString(uint32_t nLength, std::string& strValue) {
    if (Remaining() < nLength) {
        return false;
    }
    strValue.assign(m_pBuffer + m_nPos, nLength);
    m_nPos += nLength;
    return true;
}

template <typename T>
bool CRawLayoutReader::ReadArray(uint32_t nCount, uint32_t nWidth, T (*pfnLoad)(const char*),
                                 std::vector<T>& values) {
    if (nCount > Remaining() / nWidth) {
        return false;
    }
    values.resize(nCount);
    for (T& value : values) {
        value = pfnLoad(m_pBuffer + m_nPos);
        m_nPos += nWidth;
    }
    return true;
}

bool CRawLayoutReader::ReadU32s(uint32_t nCount, std::vector<uint32_t>& values) {
    return ReadArray(nCount, 4, LittleEndian::LoadU32, values);
}

bool CRawLayoutReader::ReadDoubles(uint32_t nCount, std::vector<double>& values) {
    return ReadArray(nCount, 8, LittleEndian::LoadDouble, values);
}

}  // namespace TarvoFX
