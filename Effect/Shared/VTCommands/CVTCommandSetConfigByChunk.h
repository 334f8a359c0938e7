// A configuration chunk for the effect: kByteBlock chunk, kUInt32 checksum,
// kUInt32 chunk type.
#pragma once

#include <stdint.h>

#include <vector>

#include "VTCommands/TaggedFields.h"

namespace TarvoFX {

class CVTCommandSetConfigByChunk : public CVTTaggedCommand<CVTCommandSetConfigByChunk> {
public:
    CVTCommandSetConfigByChunk() = default;
    // Copies nChunkSize bytes from pChunk (none when pChunk is null).
    CVTCommandSetConfigByChunk(const void* pChunk, uint32_t nChunkSize, uint32_t nChecksum,
                               uint32_t nChunkType);

    const std::vector<char>& Chunk() const { return m_vecChunk; }
    uint32_t Checksum() const { return m_nChecksum; }
    uint32_t ChunkType() const { return m_nChunkType; }

private:
    friend class CVTTaggedCommand<CVTCommandSetConfigByChunk>;
    // The fields, in wire order.
    template <typename Self>
    static auto FieldsOf(Self& self) {
        return std::tie(self.m_vecChunk, self.m_nChecksum, self.m_nChunkType);
    }

    std::vector<char> m_vecChunk;
    uint32_t m_nChecksum = 0;
    uint32_t m_nChunkType = 0;
};

}  // namespace TarvoFX
