// The effect instance in the platform audio server and the builder that
// makes instances, as the effect object holds them (IVeltraEffectAPI slots
// 69 to 74 use them); the platform's UUID record and the application's event
// callback.
//
// The library's instances reach the platform through the shim libfxshim_Oreo,
// whose plain functions answer 1 for success and 0 for failure: the opposite
// of the platform's status codes, where 0 is success. These operations turn
// that into true for success and false for failure.
#pragma once

#include <stdint.h>

#include <memory>

namespace TarvoFX {

// Application event callback: (event, user, size, data). The platform's
// events reach it on a thread of the platform's own, with a null user pointer.
typedef void (*PFN_AUDIOEFFECT_CALLBACK)(int32_t nEvent, void* pUser, int32_t nSize, void* pData);

// One effect instance in the platform audio server; released with the last
// reference to it.
class IAudioEffect {
public:
    // The platform's 16-byte effect UUID record, little-endian.
    struct EffectUUID {
        uint32_t timeLow;
        uint16_t timeMid;
        uint16_t timeHiAndVersion;
        uint16_t clockSeq;
        uint8_t node[6];
    };

    // True when the platform created the instance and it initialised.
    virtual bool InitCheck() = 0;
    // True when the platform created the instance.
    virtual bool IsValid() = 0;
    // Passes the command code, the nSize request bytes at pData and the reply
    // buffer (*pReplySize: its room on entry, the reply's size on return) to
    // the platform. True when the platform's status was 0; false without an
    // instance, and with an error record when the platform refused it.
    virtual bool Command(int32_t nCmdID, uint32_t nSize, void* pData, uint32_t* pReplySize,
                         void* pReply) = 0;
    // Switches the platform's processing of the instance on or off; true when
    // the platform accepted it.
    virtual bool SetEnabled(bool bEnabled) = 0;
    virtual ~IAudioEffect() = default;
};

static_assert(sizeof(IAudioEffect::EffectUUID) == 16, "effect UUID record is 16 bytes");

// Makes effect instances.
class IAudioEffectBuilder {
public:
    // An instance of the effect implementation pUUID on the session and io
    // handle, with the priority; the callback receives its events. Never
    // empty: whether the platform made it, InitCheck tells.
    virtual std::shared_ptr<IAudioEffect> Create(const IAudioEffect::EffectUUID* pUUID,
                                                 int32_t nPriority, int32_t nSessionID,
                                                 uint32_t nIO,
                                                 PFN_AUDIOEFFECT_CALLBACK pfnCallback) = 0;
    virtual ~IAudioEffectBuilder() = default;
};

}  // namespace TarvoFX
