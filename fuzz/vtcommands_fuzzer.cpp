// Feeds arbitrary bytes to every read form of the tagged value buffer and to
// every message's FromBufffer. A message that parses must survive a
// re-encoding: its bytes parse again and encode to the same bytes.
#include <android/log.h>
#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "VTCommands/CByteBuffer.h"
#include "VTCommands/CVTCommandCloseDestroyUnixServerSocket.h"
#include "VTCommands/CVTCommandCreateListenUnixServerSocket.h"
#include "VTCommands/CVTCommandIsDefaultSoundMode.h"
#include "VTCommands/CVTCommandMultipleString.h"
#include "VTCommands/CVTCommandPresetSetParametersArray.h"
#include "VTCommands/CVTCommandSetConfigByChunk.h"
#include "VTCommands/CVTCommandSetLogLevel.h"
#include "VTCommands/CVTCommandSetLogOutput.h"
#include "VTCommands/CVTCommandSetSystemVolume.h"
#include "VTCommands/CVTReplyGetSupportedOutputModeName.h"

using namespace TarvoFX;

namespace {

void DiscardLogRecord(const struct __android_logger_data*, const char*) {}

// Reads values of one type from the start until a read fails.
template <typename T>
void ReadAll(const uint8_t* pData, uint32_t nSize) {
    CByteBuffer buffer(pData, nSize);
    T value{};
    while (buffer.Read(value)) {
    }
}

void ReadEveryForm(const uint8_t* pData, uint32_t nSize) {
    ReadAll<int32_t>(pData, nSize);
    ReadAll<uint32_t>(pData, nSize);
    ReadAll<double>(pData, nSize);
    ReadAll<bool>(pData, nSize);
    ReadAll<std::string>(pData, nSize);
    ReadAll<std::vector<int32_t>>(pData, nSize);
    ReadAll<std::vector<uint32_t>>(pData, nSize);
    ReadAll<std::vector<double>>(pData, nSize);
    ReadAll<std::vector<bool>>(pData, nSize);
    ReadAll<std::vector<std::string>>(pData, nSize);

    CByteBuffer blocks(pData, nSize);
    std::vector<char> block;
    while (blocks.ReadBinary(block)) {
    }

    // The untagged reads, interleaved, until one fails.
    CByteBuffer raw(pData, nSize);
    uint8_t nByte = 0;
    uint32_t nWord = 0;
    char aBytes[3];
    while (raw.ReadRawByte(nByte) && raw.ReadRawUInt32(nWord) && raw.ReadRawBytes(aBytes, 3)) {
    }
}

// makeFresh makes an empty message of the same class for the second parse.
// Encodings below nMinSize are legal to build but not to receive.
template <typename Message, typename MakeFresh>
void CheckMessage(Message& message, const uint8_t* pData, uint32_t nSize, uint32_t nMinSize,
                  MakeFresh makeFresh) {
    if (!message.FromBufffer(pData, nSize)) {
        return;
    }
    const std::vector<char> encoded = message.ToBuffer();
    if (encoded.size() < nMinSize) {
        return;  // e.g. a name reply whose only name is empty
    }
    Message again = makeFresh(message);
    if (!again.FromBufffer(encoded.data(), static_cast<uint32_t>(encoded.size())) ||
        again.ToBuffer() != encoded) {
        __builtin_trap();
    }
}

template <typename Message>
void CheckDefaultMessage(const uint8_t* pData, uint32_t nSize) {
    Message message;
    CheckMessage(message, pData, nSize, 0, [](const Message&) { return Message(); });
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The error records of failed parses would only slow the run down.
    __android_log_set_logger(DiscardLogRecord);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nDataSize) {
    const uint32_t nSize = static_cast<uint32_t>(nDataSize);
    ReadEveryForm(pData, nSize);

    CheckDefaultMessage<CVTCommandMultipleString>(pData, nSize);
    CheckDefaultMessage<CVTCommandSetLogLevel>(pData, nSize);
    CheckDefaultMessage<CVTCommandSetLogOutput>(pData, nSize);
    CheckDefaultMessage<CVTCommandSetSystemVolume>(pData, nSize);
    CheckDefaultMessage<CVTCommandSetConfigByChunk>(pData, nSize);
    CheckDefaultMessage<CVTCommandPresetSetParametersArray>(pData, nSize);
    CheckDefaultMessage<CVTCommandCreateListenUnixServerSocket>(pData, nSize);
    CheckDefaultMessage<CVTCommandCloseDestroyUnixServerSocket>(pData, nSize);
    CheckDefaultMessage<CVTCommandIsDefaultSoundMode>(pData, nSize);

    // The name reply with an expected count taken from the first byte
    // (negative counts included), parsed again with the count it ended with.
    const int32_t nExpected = nDataSize > 0 ? static_cast<int8_t>(pData[0]) % 8 : 0;
    CVTReplyGetSupportedOutputModeName reply(nExpected);
    CheckMessage(
        reply, pData, nSize, CVTReplyGetSupportedOutputModeName::kMinSize,
        [](const CVTReplyGetSupportedOutputModeName& parsed) {
            return CVTReplyGetSupportedOutputModeName(static_cast<int32_t>(parsed.Names().size()));
        });
    return 0;
}
