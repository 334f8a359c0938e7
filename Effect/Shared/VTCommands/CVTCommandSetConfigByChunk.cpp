#include "VTCommands/CVTCommandSetConfigByChunk.h"

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
    return TaggedFields::Read(pBuffer, nBufferLen, m_vecChunk, m_nChecksum, m_nChunkType);
}

}  // namespace TarvoFX
