// Feeds arbitrary requests to the simulated effect's request decoding. The
// first byte picks the command code (0x10000 plus the byte, so codes outside
// the table come up too); the rest is the request. The effect must refuse
// every request that does not decode; one that decodes it may still refuse
// for what it says (a wrong checksum, an unknown socket), but its reply must
// fit the capacity. The effect's file access is off: the fuzzer must not
// write files at the paths it makes up.
#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "HostPlatform/EffectRequests.h"
#include "HostPlatform/SimulatedEffect.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    if (nSize == 0) {
        return 0;
    }
    const uint32_t nCode = 0x10000 + pData[0];
    const HostPlatform::Bytes request(pData + 1, pData + nSize);

    HostPlatform::EffectRequest decoded;
    const bool bDecoded = HostPlatform::DecodeEffectRequest(nCode, request, decoded);
    HostPlatform::SimulatedEffect effect;
    effect.SetFileAccess(false);
    std::vector<uint8_t> reply;
    const int32_t nStatus = effect.Handle(nCode, request, 64, reply);
    if ((!bDecoded && nStatus != -22) || (bDecoded && decoded.nCode != nCode) ||
        reply.size() > 64 || (nStatus != 0 && !reply.empty())) {
        __builtin_trap();
    }
    return 0;
}
