#include "VTCommands/CVTCommandSetConfigByChunk.h"

namespace TarvoFX {

CVTCommandSetConfigByChunk::CVTCommandSetConfigByChunk(const void* pChunk, uint32_t nChunkSize,
                                                       uint32_t nChecksum, uint32_t nChunkType)
    : m_nChecksum(nChecksum), m_nChunkType(nChunkType) {
    if (pChunk != nullptr) {
        const char* pBytes = static_cast<const char*>(pChunk);
        m_vecChunk.assign(pBytes, pBytes + nChunkSize);
    }
}

}  // namespace TarvoFX
