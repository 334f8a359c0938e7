// Host stand-in for the platform audio-effect client (Oreo-era interface).
// Each object is one client of an effect instance in the simulated audio
// server (HostPlatform/AudioServer.h). As on the device, objects must be held
// by strong pointers: events are delivered through a promoted weak reference.
#pragma once

#include <stdint.h>

#include <atomic>

#include <system/audio.h>
#include <system/audio_effect.h>
#include <utils/Errors.h>
#include <utils/RefBase.h>
#include <utils/String16.h>

namespace android {

class __attribute__((visibility("default"))) AudioEffect : public RefBase {
public:
    enum event_type {
        EVENT_CONTROL_STATUS_CHANGED = 0,
        EVENT_ENABLE_STATUS_CHANGED = 1,
        EVENT_PARAMETER_CHANGED = 2,
        EVENT_ERROR = 3,
    };

    // Event callback: parameter-changed events pass an effect_param_t*,
    // control and enable status events a bool*.
    typedef void (*effect_callback_t)(int32_t event, void* user, void* info);

    AudioEffect(const effect_uuid_t* type, const String16& opPackageName,
                const effect_uuid_t* uuid = nullptr, int32_t priority = 0,
                effect_callback_t cbf = nullptr, void* user = nullptr,
                audio_session_t sessionId = AUDIO_SESSION_OUTPUT_MIX,
                audio_io_handle_t io = AUDIO_IO_HANDLE_NONE);
    virtual ~AudioEffect();

    status_t initCheck() const;
    // Instance number in the simulated audio server (1, 2, ...).
    int32_t id() const { return mId; }
    bool getEnabled() const;
    virtual status_t setEnabled(bool enabled);
    virtual status_t command(uint32_t cmdCode, uint32_t cmdSize, void* cmdData, uint32_t* replySize,
                             void* replyData);

    // Called by the simulated audio server's event thread.
    void deliverEvent(int32_t event, void* info);

protected:
    // Events reach the object only once a strong pointer holds it, so that the
    // event thread can never be the first (and last) strong holder of an
    // object that is still being constructed.
    void onFirstRef() override;

private:
    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    int32_t mId;
    status_t mStatus;
    std::atomic<bool> mEnabled;
    effect_callback_t mCbf;
    void* mUserData;
};

}  // namespace android
