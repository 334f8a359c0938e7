// Host stand-in for the platform's audio type definitions used by the
// audio-effect client.
#pragma once

#include <stdint.h>

typedef enum {
    AUDIO_SESSION_OUTPUT_STAGE = -1,
    AUDIO_SESSION_OUTPUT_MIX = 0,
    AUDIO_SESSION_ALLOCATE = 0,
    AUDIO_SESSION_NONE = 0,
} audio_session_t;

typedef int audio_io_handle_t;

enum {
    AUDIO_IO_HANDLE_NONE = 0,
};
