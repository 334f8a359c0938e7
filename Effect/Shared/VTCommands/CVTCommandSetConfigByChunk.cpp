#include "VTCommands/CVTCommandSetConfigByChunk.h"

#include <utility>

#include "VTCommands/TaggedFields.h"

namespace TarvoFX {

CVTCommandSetConfigByChunk::CVTCommandSetConfigByChunk(const void* pChunk, uint32_t nChunkSize,
                                                       uint32_t nChecksum, uint32_t nChunkType)
    : m_nChecksum(nChecksum), m_nChunkType(nChunkType) {
    if (pChunk != nullptr) {
        const char* pBytes = static_cast<const char*>(pChunk);
        m_vecChunk.assign(pBytes, pBytes + nChunkSize);
    }
}

std::vector<char> CVTCommandSetConfigByChunk::ToBuffer() const {
    return TaggedFields::Write(m_vecChunk, m_nChecksum, m_nChunkType);
}

bool CVTCommandSetConfigByChunk::FromBufffer(const void* pBuffer, uint32_t nBufferLen) {
    std::vector<char> vecChunk;
    uint32_t nChecksum = 0;
    uint32_t nChunkType = 0;
    if (!TaggedFields::Read(pBuffer, nBufferLen, vecChunk, nChecksum, nChunkType)) {
        return false;
    }
    m_vecChunk = std::move(vecChunk);
    m_nChecksum = nChecksum;
    m_nChunkType = nChunkType;
    return true;
}

}  // namespace TarvoFX
