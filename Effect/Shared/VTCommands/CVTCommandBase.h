// The base of every effect command and reply message.
#pragma once

#include <stdint.h>

#include <vector>

namespace TarvoFX {

class CVTCommandBase {
public:
    // The message's complete bytes as they are passed to the effect's Command
    // call (request) or as the effect returns them (reply).
    virtual std::vector<char> ToBuffer() const = 0;
    // Replaces the message's fields with those encoded in nBufferLen bytes at
    // pBuffer. False, with the fields unchanged, when the bytes are not a
    // valid encoding of this message.
    virtual bool FromBufffer(const void* pBuffer, uint32_t nBufferLen) = 0;
    virtual ~CVTCommandBase();
};

}  // namespace TarvoFX
