// Turns a client's buffered input into command records, one per call. Three
// dialects share a connection: text lines, unframed binary requests and
// binary requests inside a frame. An incomplete request yields nothing and
// keeps its bytes until more arrive.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <memory>
#include <string>

#include "NetworkManager/CCommandData.h"
#include "NetworkManager/CDataAPO.h"
#include "NetworkManager/CReceiveBuffer.h"
#include "NetworkManager/ICommandsParser.h"

namespace TarvoFX {

class CCommandsParser : public ICommandsParser {
public:
    using Record = std::unique_ptr<CDataAPO>;

    // Largest payload a frame may announce.
    static constexpr uint32_t kMaxFramePayload = 20000;

    // Takes the request at the front of the client's input: a frame marker
    // or a command number in the first word starts a binary request, any
    // other byte a text line; fewer than four bytes that may still become
    // either wait.
    void* Parse(void* pClient) override;

    enum class Dialect { kText, kBinary, kUndecided };
    static Dialect FrontDialect(const CReceiveBuffer& strData);
    // The text line at the front: its first keyword decides the request. A
    // line without a keyword is dropped with an error; an unfinished line waits.
    Record ParseTextRequest(CReceiveBuffer& strData);

    // Binary dialects. Each consumes what it uses from the front of strData.
    Record ParseBinaryData(CReceiveBuffer& strData);
    Record ParseBinaryDataNewFormat(CReceiveBuffer& strData);
    Record ParseCommandData(CReceiveBuffer& strData);
    Record ParseGetSetParameter(CReceiveBuffer& strData);
    Record ParseGetSetParameterArray(CReceiveBuffer& strData);
    Record ParseGetSetChunk(CReceiveBuffer& strData);
    Record ParseGetVersion(CReceiveBuffer& strData);
    Record ParseRequestParameter(CReceiveBuffer& strData);
    Record ParseRequestParameterArray(CReceiveBuffer& strData);
    Record ParseSetSoundMode(CReceiveBuffer& strData);
    Record ParseEnableRecording(CReceiveBuffer& strData);
    Record ParseSetOutputMode(CReceiveBuffer& strData);
    Record ParseLoadPreset(CReceiveBuffer& strData);
    Record ParseCloseAshmem(CReceiveBuffer& strData);
    Record ParseSetCustomOutputMode(CReceiveBuffer& strData);
    Record ParseCalibrateKv(CReceiveBuffer& strData);
    // The first chunk that came with descriptors.
    Record ParseFDs(CCommandData* pData);

    // Finds strPrefix and the first line feed after it; strOutValue gets the
    // text between them. False when either is missing.
    bool ParseTextCommandPrefix(CReceiveBuffer& strData, const std::string& strPrefix,
                                size_t& nOutStartTextParam, size_t& nOutEndTextParam,
                                std::string& strOutValue);

    // Text lines, one parser per keyword.
    Record ParseTextRequestParameterArray(CReceiveBuffer& strData);
    Record ParseTextFlushCoeffFile(CReceiveBuffer& strData);
    Record ParseTextProfilingData(CReceiveBuffer& strData);
    Record ParseTextParamData(CReceiveBuffer& strData);
    Record ParseTextRecordingData(CReceiveBuffer& strData);
    Record ParseTextSetSoundModeData(CReceiveBuffer& strData);
    Record ParseTextSetCustomOutputModeData(CReceiveBuffer& strData);
    Record ParseTextSetOutputModeData(CReceiveBuffer& strData);
    Record ParseTextLoadPresetData(CReceiveBuffer& strData);
    Record ParseTextSetLogLevel(CReceiveBuffer& strData);
    Record ParseTextSetLogOutput(CReceiveBuffer& strData);
    Record ParseTextApoDump(CReceiveBuffer& strData);
    Record ParseTextSetTagEX(CReceiveBuffer& strData);
    Record ParseTextCalibrateKv(CReceiveBuffer& strData);
    Record ParseMetersEnable(CReceiveBuffer& strData);
    Record ParseMetersDisable(CReceiveBuffer& strData);
    Record ParseTextSetSystemVolume(CReceiveBuffer& strData);
    Record ParseTextGetVersion(CReceiveBuffer& strData);
    Record ParseMetersEnableDisable(CReceiveBuffer& strData, uint32_t nCommand,
                                    const std::string& strKeyword);

private:
    // The line ParseTextRequest hands to a keyword's parser: where in
    // pBuffer the keyword starts and where the line ends. The prefix scan of
    // that parser takes these instead of searching the buffer again; any
    // other call searches. A parser belongs to one server, whose thread is
    // the only one that parses with it.
    struct STextLine {
        const CReceiveBuffer* pBuffer = nullptr;
        const std::string* pKeyword = nullptr;
        size_t nKeyword = 0;
        size_t nEnd = 0;
    };
    STextLine m_textLine;
};

}  // namespace TarvoFX
