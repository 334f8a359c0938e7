#include <media/AudioEffect.h>

#include "HostPlatform/AudioServer.h"

namespace android {

using HostPlatform::AudioServer;

AudioEffect::AudioEffect(const effect_uuid_t* type, const String16& /*opPackageName*/,
                         const effect_uuid_t* uuid, int32_t priority, effect_callback_t cbf,
                         void* user, audio_session_t sessionId, audio_io_handle_t io)
    : mId(0), mStatus(NO_INIT), mEnabled(false), mCbf(cbf), mUserData(user) {
    AudioServer::CreateResult result =
        AudioServer::Instance().Connect(type, uuid, priority, sessionId, io);
    mId = result.nInstance;
    mStatus = result.nStatus;
}

void AudioEffect::onFirstRef() {
    AudioServer::Instance().AttachClient(mId, this);
}

AudioEffect::~AudioEffect() {
    AudioServer::Instance().Disconnect(mId);
}

status_t AudioEffect::initCheck() const {
    AudioServer::Instance().RecordInitCheck(mId, mStatus);
    return mStatus;
}

bool AudioEffect::getEnabled() const {
    return mEnabled.load();
}

status_t AudioEffect::setEnabled(bool enabled) {
    status_t status = AudioServer::Instance().SetEnabled(mId, mStatus, enabled);
    if (status == NO_ERROR) {
        mEnabled.store(enabled);
    }
    return status;
}

status_t AudioEffect::command(uint32_t cmdCode, uint32_t cmdSize, void* cmdData,
                              uint32_t* replySize, void* replyData) {
    return AudioServer::Instance().Command(mId, mStatus, cmdCode, cmdSize, cmdData, replySize,
                                           replyData);
}

void AudioEffect::deliverEvent(int32_t event, void* info) {
    if (event == EVENT_ENABLE_STATUS_CHANGED && info != nullptr) {
        mEnabled.store(*static_cast<const uint8_t*>(info) != 0);
    }
    if (mCbf != nullptr) {
        mCbf(event, mUserData, info);
    }
}

}  // namespace android
