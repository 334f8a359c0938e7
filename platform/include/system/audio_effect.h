// Host stand-in for the platform's audio-effect records.
#pragma once

#include <stdint.h>

// The 16-byte effect UUID record, stored little-endian.
typedef struct effect_uuid_s {
    uint32_t timeLow;
    uint16_t timeMid;
    uint16_t timeHiAndVersion;
    uint16_t clockSeq;
    uint8_t node[6];
} effect_uuid_t;

// Parameter record of effect parameter commands and events: the parameter
// bytes (psize) padded to a 32-bit boundary, followed by the value (vsize).
typedef struct effect_param_s {
    int32_t status;
    uint32_t psize;
    uint32_t vsize;
    char data[];
} effect_param_t;
