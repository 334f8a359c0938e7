// The application-facing interface of the effect object, which
// VeltraEffectFactory::CreateVeltraEffect makes (VeltraEffectAPIBase.h). The
// order of the virtual operations below is the library's binary interface:
// applications call them by slot, so new operations may only ever be appended.
//
// Results: every operation answers true for success and false for failure.
// The shim that reaches the platform, libfxshim_Oreo, answers its plain
// functions (Create, Command, InitCheck, SetEnabled) with 1 for success and 0
// for failure: the opposite of the platform's status codes, where 0 is
// success. The library turns both into this true or false.
//
// Sending: most operations send one effect command, named below by its code
// with its request. Integers travel little-endian; u16 and u8 fields carry
// the low bits of the argument; a "text" is the characters and one zero byte;
// a tagged request is the library's sequence of tagged values. Every
// operation that sends fails, with false, when:
//   - Init has not succeeded: nothing is sent, and an error record names the
//     command code;
//   - the platform refuses the command (status not 0) or the shim is missing:
//     the transport logs the status.
//   - the request would not fit the command call's 32-bit byte count, or an
//     argument named below is refused: nothing is sent.
// Out-arguments are written only on success. Operations log under the tag
// "TARVO_LOG_FXModule" (levels: LogLevels.h).
#pragma once

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "VeltraEffectAPI/IAudioEffect.h"

namespace TarvoFX {

class IVeltraEffectAPI {
public:
    // Creates the main effect instance in the platform audio server on the
    // session with the priority, releasing an earlier one. False, with error
    // records, when the platform refuses it or its init check fails; Init may
    // then be called again.
    /* 0 */ virtual bool Init(int32_t nPriority, int32_t nSessionID) = 0;
    // Sends 0x10012 (enable) or 0x10013 (disable) with the algorithm name as
    // text; then sets the platform enable state of the main effect, and of a
    // short-lived instance on each session of SetAudioSession (priority 10, io
    // 0), to what ShouldEnableAndroidEffect answers. False when the command
    // fails (no enable state is touched), when the platform refuses the main
    // effect's state, or at the first session that fails (later sessions are
    // not visited).
    /* 1 */ virtual bool SetEnabled(const std::string& strAlg, bool bEnabled) = 0;
    // Sends 0x10019 (on) or 0x1001A (off), no data.
    /* 2 */ virtual bool SetOutputDeviceDetectionEnabled(bool bEnabled) = 0;
    // Sends 0x1001D (on) or 0x1001E (off), no data.
    /* 3 */ virtual bool SetVeltSenseEnabled(bool bEnabled) = 0;
    // Sends 0x10009, no data.
    /* 4 */ virtual bool ClearParams() = 0;
    // Sends 0x10015: u32 count, u16 output mode, u16 sound mode, u32 sub-type
    // mask, u8 also-clear-base flag, three zero bytes, then the u32 ids.
    // Refuses null ids with a nonzero count.
    /* 5 */ virtual bool ClearParamsArray(uint32_t nParametersCount, const unsigned int* pParams,
                                          int32_t nOutputMode, int32_t nSoundMode,
                                          uint32_t nSubTypes, bool bAlsoClearBasePreset) = 0;
    // Sends 0x10001: u32 output mode, u32 sound mode, then the low 16 bits of
    // the disable mask and of the enable mask.
    /* 6 */ virtual bool SetTagEx(int32_t nOutputMode, int32_t nSoundMode, uint32_t nTagDisable,
                                  uint32_t nTagEnable) = 0;
    // Sends 0x10021: u16 output mode, u16 sound mode. On success nTag is the
    // effect's u32 tag mask for the pair.
    /* 7 */ virtual bool GetTag(int32_t nOutputMode, int32_t nSoundMode, uint32_t& nTag) = 0;
    // Sends 0x10008: u16 output mode.
    /* 8 */ virtual bool SetOutputMode(int32_t nOM) = 0;
    // Sends 0x10004, no data. On success the 12-byte reply gives nTag (u32 at
    // 0), nOM, nSM and nMT (u16 at 4, 6 and 8).
    /* 9 */ virtual bool GetActive(uint16_t& nOM, uint16_t& nSM, uint16_t& nMT, uint32_t& nTag) = 0;
    // Sends 0x10002, tagged: tag name, u32 level; then sets the same level of
    // this library's own log, also when the command failed. True only when
    // both succeeded.
    /* 10 */ virtual bool SetLogLevel(const std::string& strTagName, int32_t nLevel) = 0;
    // Sends 0x10000, tagged: a vector of the preset file path and, unless it
    // is empty, the user preset file path. The 4-byte reply is not read.
    /* 11 */ virtual bool LoadPresets(const std::string& strMpsFilePath,
                                      const std::string& strUserMpsFilePath) = 0;
    // Sends 0x1002E: u32 chunk type, checksum, size and base-preset flag, then
    // the chunk. The 4-byte reply is not read. Refuses a null chunk of
    // nonzero size.
    /* 12 */ virtual bool LoadPresetsFromChunk(const char* pChunk, uint32_t nChunkSize,
                                               uint32_t nChecksum, uint32_t nChunkType,
                                               bool bIsBasePreset) = 0;
    // Sends 0x1002F: u32 nChunkSize (the room at pChunk), u32 nInOutValue,
    // u32 nValue; the reply has room for nChunkSize + 12 bytes. On success
    // nOutValue, nInOutValue and nChunkSize are the reply's first three u32
    // and the chunk that follows is copied to pChunk. False, with nothing
    // written, also when the chunk the effect reports does not fit the room
    // or its reply (an error record says so). Refuses a null pChunk with
    // room.
    /* 13 */ virtual bool SaveUserPresetToChunk(char* pChunk, uint32_t& nChunkSize, uint32_t nValue,
                                                uint32_t& nOutValue, uint32_t& nInOutValue) = 0;
    // Sends 0x10017 with the pipe path as text.
    /* 14 */ virtual bool OpenClientPipe(const std::string& strFilePath) = 0;
    // Sends 0x10018, no data.
    /* 15 */ virtual bool CloseClientPipe() = 0;
    // Sends 0x10005 with the file path as text; the effect writes the file.
    /* 16 */ virtual bool SavePresets(const std::string& strFilePath) = 0;
    // Sends 0x1002C with the file path as text; the effect writes the file.
    /* 17 */ virtual bool SaveUserPresets(const std::string& strFilePath) = 0;
    // Sends 0x10007 with the recording prefix path as text.
    /* 18 */ virtual bool SetRecordingEnable(const std::string& strPrefixPath) = 0;
    // Sends 0x1001B, no data.
    /* 19 */ virtual bool SetRecordingDisable() = 0;
    // Sends 0x1000F: u32 count, i32 output mode, i32 sound mode, u32 sub-type
    // mask, the u32 ids, the f64 values, u8 add-missing-to-base flag.
    // Refuses null ids or values with a nonzero count.
    /* 20 */ virtual bool Preset_SetParamsArrayEx(
        uint32_t nParametersCount, const unsigned int* pParams, const double* pValues,
        int32_t nOutputMode, int32_t nSoundMode, uint32_t nSubType,
        bool bAddNonexistingParamsInSubpresetToBasePreset) = 0;
    // Preset_GetParamsArray with the user preset included (0x10010).
    /* 21 */ virtual bool Preset_GetUserParamsArray(uint32_t nParametersCount,
                                                    const unsigned int* pParams, double* pValues,
                                                    int32_t nOutputMode, int32_t nSoundMode,
                                                    uint32_t nSubType, bool bIsSubTypeCombined,
                                                    bool bMustFindAll) = 0;
    // Preset_GetParamsArray with the user preset left out (0x10025).
    /* 22 */ virtual bool Preset_GetBaseParamsArray(uint32_t nParametersCount,
                                                    const unsigned int* pParams, double* pValues,
                                                    int32_t nOutputMode, int32_t nSoundMode,
                                                    uint32_t nSubType, bool bIsSubTypeCombined,
                                                    bool bMustFindAll) = 0;
    // Sends 0x10003: u16 sound mode.
    /* 23 */ virtual bool SetSoundMode(int32_t nSoundMode) = 0;
    // Sends 0x10016: u16 0 or 1.
    /* 24 */ virtual bool SetSmoothingEnable(bool bEnabled) = 0;
    // Sends 0x1001C: u16 first output mode, u16 second output mode.
    /* 25 */ virtual bool SetCustomOutputMode(int32_t nFirstOutputMode,
                                              int32_t nSecondOutputMode) = 0;
    // Enabling builds the tuning server once and listens on the port (its low
    // 16 bits) on every interface, without authentication; true when it
    // listens and its thread runs. Disabling stops it and is always true.
    // Sends nothing to the effect; must not be called from a listener callback.
    /* 26 */ virtual bool SetTcpIpEnable(bool bEnable, int32_t nTcpipPort) = 0;
    // Sends 0x10035: u32 0 or 1.
    /* 27 */ virtual bool SetMetersServerEnable(bool bEnable) = 0;
    // Sends 0x10022, no data. On success nCount is the effect's u32 answer.
    /* 28 */ virtual bool GetSupportedOutputModeCount(uint32_t& nCount) = 0;
    // Sends 0x10023: u32 nCount, with 72 bytes of reply room per mode. On
    // success the reply's (u32 id, u32 length, name) entries fill vecIds and
    // vecNames in ascending id order. False, vectors untouched, also when the
    // reply is not exactly nCount such entries.
    /* 29 */ virtual bool GetSupportedOutputModeNames(uint32_t nCount,
                                                      std::vector<unsigned int>& vecIds,
                                                      std::vector<std::string>& vecNames) = 0;
    // Sends 0x10024: u16 output mode, u16 sound mode. On success nTag is the
    // effect's u32 mask of supported tags for the pair.
    /* 30 */ virtual bool GetSupportedTag(int32_t nOutputMode, int32_t nSoundMode,
                                          uint32_t& nTag) = 0;
    // Sends 0x10026: u32 abstract-namespace flag, u32 path length, the path.
    // The effect opens the socket.
    /* 31 */ virtual bool CreateAndListenUnixServerSocket(bool bIsAbstractSocket,
                                                          const std::string& strFilePath) = 0;
    // Sends 0x10027: u32 path length, the path.
    /* 32 */ virtual bool CloseAndDestroyUnixServerSocket(const std::string& strFilePath) = 0;
    // Sends 0x10029, no data.
    /* 33 */ virtual bool CalibrateKv() = 0;
    // Sends 0x1002D: u8 0 or 1.
    /* 34 */ virtual bool SetSensorFusionEnabled(bool bEnabled) = 0;
    // Sends 0x1002A: u16 rate.
    /* 35 */ virtual bool SetTrackingDataRate(uint16_t nRate) = 0;
    // Sends 0x10038: u32 index.
    /* 36 */ virtual bool SetPresetSelectorIndex(int32_t nIndex) = 0;
    // Sends 0x1002B, 144 bytes: u32 io, u32 session, the name in 128
    // zero-filled bytes, u32 use case, u32 flag. False without sending for a
    // name of more than 127 characters.
    /* 37 */ virtual bool SetForceBypass(int32_t nIO, int32_t nSessionId,
                                         const std::string& strAlgName, int32_t nUseCase,
                                         bool bForceBypass) = 0;
    // Sends 0x10030 with the nSize bytes at pBuffer; the effect's reply, at
    // most nSize bytes, replaces them. Logs nothing.
    /* 38 */ virtual bool TransactBuffer(uint32_t nSize, void* pBuffer) = 0;
    // Sends 0x10032: u32 nCount, the first values, the second values (u32),
    // one byte per flag; the reply has the same room. On success the flags
    // are set from the reply when it parses and answers for nCount; otherwise
    // they are left as they were, and the result is true all the same.
    // Refuses a null pIsDefault with a nonzero count; null value arrays are
    // sent as zeros.
    /* 39 */ virtual bool GetDefaultSoundMode(uint32_t nCount, const uint32_t* pFirstValues,
                                              const uint32_t* pSecondValues, bool* pIsDefault) = 0;
    // Sends 0x10033, no data; the effect writes its u32 answer straight into
    // nCount.
    /* 40 */ virtual bool GetSupportedSoundModeCount(uint32_t& nCount) = 0;
    // Resizes vecValues to nSoundModeCount first, whatever follows, then
    // sends 0x10034: u32 count; the effect writes its u32 values straight into
    // the vector.
    /* 41 */ virtual bool GetSupportedSoundModeValues(uint32_t nSoundModeCount,
                                                      std::vector<unsigned int>& vecValues) = 0;
    // Adds the session to, or removes it from, the sessions SetEnabled
    // propagates to. Sends nothing; always true.
    /* 42 */ virtual bool SetAudioSession(int32_t nSessionID, bool bAdd) = 0;
    // Sends 0x10028, no data: the library only triggers the request.
    /* 43 */ virtual bool GetSessionData() = 0;
    // Sends 0x10036, tagged: the chunk as a byte block, u32 checksum, u32
    // chunk type. The 4-byte reply is not read. Refuses a null chunk of
    // nonzero size.
    /* 44 */ virtual bool SetConfigByChunk(const char* pChunk, uint32_t nChunkSize,
                                           uint32_t nChecksum, uint32_t nChunkType) = 0;
    // Sends 0x10037, no data. The 4-byte reply is not read.
    /* 45 */ virtual bool ClearConfig() = 0;
    // Deleting the object stops its tuning server and releases its effect
    // instances; it disables nothing and sends nothing.
    /* 46, 47 */ virtual ~IVeltraEffectAPI() = default;
    // Sends 0x10039, tagged: output name, flag; then switches the same output
    // of this library's own log, also when the command failed. True only when
    // both succeeded.
    /* 48 */ virtual bool SetLogOutput(const std::string& strOutputName, bool bEnable) = 0;
    // Sends 0x1003A, tagged: the volume as a double.
    /* 49 */ virtual bool SetSystemVolume(double dVolume) = 0;
    // Sends 0x1003B, no data.
    /* 50 */ virtual bool Dump() = 0;
    // 51 to 68: the listener callbacks through which the tuning server's
    // executors act on the effect, on the server's thread
    // (VTServerListeners.h).
    //
    // Sends 0x1000F twice for output and sound mode -3, first with sub-type
    // mask 0, then 0xFFFFFFFF (the request of Preset_SetParamsArrayEx); true
    // when both were accepted. Both are sent even when the first fails.
    /* 51 */ virtual bool OnVTServerParameterSet(uint32_t nParam, double dValue) = 0;
    // The same for the pairs (only complete pairs).
    /* 52 */ virtual bool OnVTServerParameterArraySet(const std::vector<unsigned int>& vecParams,
                                                      const std::vector<double>& vecValues) = 0;
    // VTServerParameterArrayGet for the one id; on success dValue is its value.
    /* 53 */ virtual bool OnVTServerParameterGet(uint32_t nParam, double& dValue) = 0;
    // VTServerParameterArrayGet.
    /* 54 */ virtual bool OnVTServerParameterArrayGet(std::vector<unsigned int>& vecParams,
                                                      std::vector<double>& vecValues,
                                                      std::vector<bool>& vecFound) = 0;
    // Sends 0x1003C in the layout of Preset_GetParamsArray for every output
    // and sound mode (0xFFFF), sub-type mask 0, sub-types combined, not all
    // needed; on success vecValues holds the n values and every flag is true.
    /* 55 */ virtual bool VTServerParameterArrayGet(std::vector<unsigned int>& vecParams,
                                                    std::vector<double>& vecValues,
                                                    std::vector<bool>& vecFound) = 0;
    // 56 to 68 call the operation of the same meaning: SetCustomOutputMode,
    // SetLogLevel, SetLogOutput, SetMetersServerEnable, CalibrateKv,
    // SetOutputMode, SetRecordingEnable, SetRecordingDisable, SetSoundMode,
    // SetSystemVolume, SetTagEx, LoadPresets (the path, no user presets) and
    // Dump, and answer its result. A null text fails with an error record.
    /* 56 */ virtual bool OnVTServerCustomOutputModeSet(uint16_t nFirstOutputMode,
                                                        uint16_t nSecondOutputMode) = 0;
    /* 57 */ virtual bool OnVTServerLogLevelSet(const char* szLogTagName, int32_t nLevel) = 0;
    /* 58 */ virtual bool OnVTServerLogOutputSet(const char* szLogOutputName, bool bEnable) = 0;
    /* 59 */ virtual bool OnVTServerMetersEnabled(bool bEnabled) = 0;
    /* 60 */ virtual bool OnVTServerCalibrateKv() = 0;
    /* 61 */ virtual bool OnVTServerOutputModeSet(uint16_t nOutputMode) = 0;
    /* 62 */ virtual bool OnVTServerRecordingEnabled(const char* szRecordingPath) = 0;
    /* 63 */ virtual bool OnVTServerRecordingDisabled() = 0;
    /* 64 */ virtual bool OnVTServerSoundModeSet(int16_t nSoundMode) = 0;
    /* 65 */ virtual bool OnVTServerSystemVolumeSet(double dVolume) = 0;
    /* 66 */ virtual bool OnVTServerTagExSet(uint32_t nOutputMode, uint32_t nSoundMode,
                                             int16_t nTagDisable, int16_t nTagEnable) = 0;
    /* 67 */ virtual bool OnVTServerMpsFileSet(const char* szPath) = 0;
    /* 68 */ virtual bool OnVTServerDump() = 0;
    // Asks the builder for an instance on the session and checks it; empty,
    // with an error record, when the platform refuses it.
    /* 69 */ virtual std::shared_ptr<IAudioEffect> CreateAudioEffect(
        const IAudioEffect::EffectUUID* pUUID, int32_t nPriority, int32_t nSessionID, uint32_t nIO,
        PFN_AUDIOEFFECT_CALLBACK pfnCallback) = 0;
    // Sends 0x10031, no data, with a 1-byte reply; true when the command
    // succeeded and the byte is not 0. Asks the main effect, whatever is passed.
    /* 70 */ virtual bool ShouldEnableAndroidEffect(std::shared_ptr<IAudioEffect> pAudioEffect) = 0;
    // 71 to 74: every command goes through these, to the main effect's
    // Command: code only; code and request; code and request bytes; code,
    // request and reply (*pReplySize: the room on entry, the reply's size on
    // return). True when the platform's status was 0.
    /* 71 */ virtual bool SendCommand(int32_t nCmdID) = 0;
    /* 72 */ virtual bool SendCommand(int32_t nCmdID, uint32_t nSize, const void* pData) = 0;
    /* 73 */ virtual bool SendCommand(int32_t nCmdID, const std::vector<char>& buffer) = 0;
    /* 74 */ virtual bool SendCommand(int32_t nCmdID, uint32_t nSize, const void* pData,
                                      uint32_t* pReplySize, void* pReply) = 0;
    // Sends 0x10010 (user preset included) or 0x10025: u32 count, u16 output
    // mode, u16 sound mode, u32 sub-type mask, u32 combined (0/1), u32 must
    // find all (0/1), the u32 ids; the reply has room for count f64 values,
    // which go to pValues on success. Refuses null ids or values with a
    // nonzero count.
    /* 75 */ virtual bool Preset_GetParamsArray(uint32_t nParametersCount,
                                                const unsigned int* pParams, double* pValues,
                                                int32_t nOutputMode, int32_t nSoundMode,
                                                uint32_t nSubType, bool bIsSubTypeCombined,
                                                bool bMustFindAll, bool includeUserPreset) = 0;
    // Builds the tuning server, its parser and executors (SetTcpIpEnable does
    // it once); does not start it.
    /* 76 */ virtual void CreateTuningServers(int32_t nPort) = 0;
};

}  // namespace TarvoFX
