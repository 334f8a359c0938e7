// Turns the input buffered for one client into one command at a time.
#pragma once

namespace TarvoFX {

class ICommandsParser {
public:
    virtual ~ICommandsParser() = default;
    // pClient is the client's CCommandData. Returns a CDataAPO, owned by the
    // caller, when one complete command was consumed from it; else null.
    virtual void* Parse(void* pClient) = 0;
};

}  // namespace TarvoFX
