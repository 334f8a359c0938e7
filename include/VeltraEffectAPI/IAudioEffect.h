#pragma once

#include <stdint.h>

#include <memory>

namespace TarvoFX {

// Application event callback: (event, user, size, data).
typedef void (*PFN_AUDIOEFFECT_CALLBACK)(int32_t nEvent, void* pUser, int32_t nSize, void* pData);

// One effect instance in the platform audio server.
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

    virtual bool InitCheck() = 0;
    virtual bool IsValid() = 0;
    virtual bool Command(int32_t nCmdID, uint32_t nSize, void* pData, uint32_t* pReplySize,
                         void* pReply) = 0;
    virtual bool SetEnabled(bool bEnabled) = 0;
    virtual ~IAudioEffect() = default;
};

static_assert(sizeof(IAudioEffect::EffectUUID) == 16, "effect UUID record is 16 bytes");

// Makes effect instances.
class IAudioEffectBuilder {
public:
    virtual std::shared_ptr<IAudioEffect> Create(const IAudioEffect::EffectUUID* pUUID,
                                                 int32_t nPriority, int32_t nSessionID,
                                                 uint32_t nIO,
                                                 PFN_AUDIOEFFECT_CALLBACK pfnCallback) = 0;
    virtual ~IAudioEffectBuilder() = default;
};

}  // namespace TarvoFX
