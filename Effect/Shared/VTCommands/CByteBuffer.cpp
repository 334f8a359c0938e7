#include "VTCommands/CByteBuffer.h"

#include <algorithm>
#include <limits>

#include "Utils/LittleEndian.h"

namespace TarvoFX {

namespace {

constexpr uint32_t kHeaderSize = 1 + 4;  // tag byte and 32-bit field

// Fewest bytes one element of a vector takes: its own header and payload.
constexpr uint32_t kMinInt32Element = kHeaderSize + 4;
constexpr uint32_t kMinDoubleElement = kHeaderSize + 8;
constexpr uint32_t kMinBoolElement = kHeaderSize + 1;
constexpr uint32_t kMinStringElement = kHeaderSize;

bool FitsField(size_t nSize) {
    return nSize <= std::numeric_limits<uint32_t>::max();
}

}  // namespace

CByteBuffer::CByteBuffer() : m_nReadPos(0) {}

CByteBuffer::CByteBuffer(const void* pData, uint32_t nSize) : m_nReadPos(0) {
    if (pData != nullptr && nSize > 0) {
        const char* pBytes = static_cast<const char*>(pData);
        m_data.assign(pBytes, pBytes + nSize);
    }
}

// --- Untagged ------------------------------------------------------------------

void CByteBuffer::WriteRawByte(uint8_t nValue) {
    m_data.push_back(static_cast<char>(nValue));
}

void CByteBuffer::WriteRawBytes(const void* pData, uint32_t nSize) {
    if (pData != nullptr && nSize > 0) {
        const char* pBytes = static_cast<const char*>(pData);
        m_data.insert(m_data.end(), pBytes, pBytes + nSize);
    }
}

void CByteBuffer::WriteRawUInt32(uint32_t nValue) {
    char aBytes[4];
    LittleEndian::StoreU32(aBytes, nValue);
    WriteRawBytes(aBytes, sizeof(aBytes));
}

void CByteBuffer::WriteTagged(uint8_t nTag, const void* pData, uint32_t nSize) {
    WriteRawByte(nTag);
    WriteRawUInt32(nSize);
    WriteRawBytes(pData, nSize);
}

bool CByteBuffer::ReadRawByte(uint8_t& nValue) {
    if (Remaining() < 1) {
        return false;
    }
    nValue = static_cast<uint8_t>(m_data[m_nReadPos]);
    m_nReadPos += 1;
    return true;
}

bool CByteBuffer::ReadRawBytes(void* pData, uint32_t nSize) {
    if (Remaining() < nSize) {
        return false;
    }
    if (nSize > 0) {
        std::copy_n(m_data.data() + m_nReadPos, nSize, static_cast<char*>(pData));
    }
    m_nReadPos += nSize;
    return true;
}

bool CByteBuffer::ReadRawUInt32(uint32_t& nValue) {
    char aBytes[4];
    if (!ReadRawBytes(aBytes, sizeof(aBytes))) {
        return false;
    }
    nValue = LittleEndian::LoadU32(aBytes);
    return true;
}

// --- Tagged writes ---------------------------------------------------------------

void CByteBuffer::WriteWord(uint8_t nTag, uint32_t nWord) {
    WriteRawByte(nTag);
    WriteRawUInt32(sizeof(nWord));
    WriteRawUInt32(nWord);
}

bool CByteBuffer::Write(int32_t nValue) {
    WriteWord(kInt32, static_cast<uint32_t>(nValue));
    return true;
}

bool CByteBuffer::Write(uint32_t nValue) {
    WriteWord(kUInt32, nValue);
    return true;
}

bool CByteBuffer::Write(double dValue) {
    char aBytes[8];
    LittleEndian::StoreF64(aBytes, dValue);
    WriteTagged(kDouble, aBytes, sizeof(aBytes));
    return true;
}

bool CByteBuffer::Write(bool bValue) {
    const char nByte = bValue ? 1 : 0;
    WriteTagged(kBool, &nByte, 1);
    return true;
}

bool CByteBuffer::Write(const std::string& strValue) {
    if (!FitsField(strValue.size())) {
        return false;
    }
    WriteTagged(kString, strValue.data(), static_cast<uint32_t>(strValue.size()));
    return true;
}

bool CByteBuffer::WriteBinary(const void* pData, uint32_t nSize) {
    WriteTagged(kByteBlock, pData, nSize);
    return true;
}

template <typename T>
bool CByteBuffer::WriteVector(uint8_t nTag, const std::vector<T>& values) {
    if (!FitsField(values.size())) {
        return false;
    }
    const size_t nStart = m_data.size();
    WriteRawByte(nTag);
    WriteRawUInt32(static_cast<uint32_t>(values.size()));
    for (const T& value : values) {
        if (!Write(value)) {
            m_data.resize(nStart);
            return false;
        }
    }
    return true;
}

bool CByteBuffer::Write(const std::vector<int32_t>& values) {
    return WriteVector(kInt32Vector, values);
}

bool CByteBuffer::Write(const std::vector<uint32_t>& values) {
    return WriteVector(kUInt32Vector, values);
}

bool CByteBuffer::Write(const std::vector<double>& values) {
    return WriteVector(kDoubleVector, values);
}

bool CByteBuffer::Write(const std::vector<bool>& values) {
    return WriteVector(kBoolVector, values);
}

bool CByteBuffer::Write(const std::vector<std::string>& values) {
    return WriteVector(kStringVector, values);
}

// --- Tagged reads ------------------------------------------------------------------

bool CByteBuffer::ReadHeader(uint8_t nTag, uint32_t& nField) {
    uint8_t nReadTag = 0;
    return ReadRawByte(nReadTag) && nReadTag == nTag && ReadRawUInt32(nField);
}

bool CByteBuffer::ReadScalar(uint8_t nTag, void* pValue, uint32_t nWidth) {
    uint32_t nField = 0;
    return ReadHeader(nTag, nField) && nField == nWidth && ReadRawBytes(pValue, nWidth);
}

bool CByteBuffer::ReadWord(uint8_t nTag, uint32_t& nWord) {
    uint32_t nField = 0;
    return ReadHeader(nTag, nField) && nField == sizeof(nWord) && ReadRawUInt32(nWord);
}

bool CByteBuffer::Read(int32_t& nValue) {
    uint32_t nWord = 0;
    if (!ReadWord(kInt32, nWord)) {
        return false;
    }
    nValue = static_cast<int32_t>(nWord);
    return true;
}

bool CByteBuffer::Read(uint32_t& nValue) {
    return ReadWord(kUInt32, nValue);
}

bool CByteBuffer::Read(double& dValue) {
    char aBytes[8];
    if (!ReadScalar(kDouble, aBytes, sizeof(aBytes))) {
        return false;
    }
    dValue = LittleEndian::LoadF64(aBytes);
    return true;
}

bool CByteBuffer::Read(bool& bValue) {
    char nByte = 0;
    if (!ReadScalar(kBool, &nByte, 1)) {
        return false;
    }
    bValue = nByte != 0;
    return true;
}

bool CByteBuffer::ReadPayload(uint8_t nTag, const char*& pPayload, uint32_t& nLength) {
    if (!ReadHeader(nTag, nLength) || Remaining() < nLength) {
        return false;
    }
    pPayload = m_data.data() + m_nReadPos;
    m_nReadPos += nLength;
    return true;
}

bool CByteBuffer::Read(std::string& strValue) {
    const char* pPayload = nullptr;
    uint32_t nLength = 0;
    if (!ReadPayload(kString, pPayload, nLength)) {
        strValue.clear();
        return false;
    }
    strValue.assign(pPayload, std::find(pPayload, pPayload + nLength, '\0'));
    return true;
}

bool CByteBuffer::ReadBinary(std::vector<char>& block) {
    const char* pPayload = nullptr;
    uint32_t nLength = 0;
    if (!ReadPayload(kByteBlock, pPayload, nLength)) {
        block.clear();
        return false;
    }
    block.assign(pPayload, pPayload + nLength);
    return true;
}

bool CByteBuffer::ReadVectorHeader(uint8_t nTag, uint32_t nMinElementSize, uint32_t& nCount) {
    return ReadHeader(nTag, nCount) && nCount <= Remaining() / nMinElementSize;
}

template <typename T>
bool CByteBuffer::ReadVector(uint8_t nTag, uint32_t nMinElementSize, std::vector<T>& values) {
    uint32_t nCount = 0;
    if (!ReadVectorHeader(nTag, nMinElementSize, nCount)) {
        return false;
    }
    values.resize(nCount);
    for (T& value : values) {
        if (!Read(value)) {
            return false;
        }
    }
    return true;
}

bool CByteBuffer::Read(std::vector<int32_t>& values) {
    return ReadVector(kInt32Vector, kMinInt32Element, values);
}

bool CByteBuffer::Read(std::vector<uint32_t>& values) {
    return ReadVector(kUInt32Vector, kMinInt32Element, values);
}

bool CByteBuffer::Read(std::vector<double>& values) {
    return ReadVector(kDoubleVector, kMinDoubleElement, values);
}

bool CByteBuffer::Read(std::vector<std::string>& values) {
    return ReadVector(kStringVector, kMinStringElement, values);
}

bool CByteBuffer::Read(std::vector<bool>& values) {
    uint32_t nCount = 0;
    if (!ReadVectorHeader(kBoolVector, kMinBoolElement, nCount)) {
        return false;
    }
    values.clear();
    values.reserve(nCount);
    for (uint32_t i = 0; i < nCount; ++i) {
        bool bValue = false;
        if (!Read(bValue)) {
            return false;
        }
        values.push_back(bValue);
    }
    return true;
}

}  // namespace TarvoFX
