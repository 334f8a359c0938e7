// The binary requests, unframed and inside a frame, and the chunks that came
// with descriptors: fixed-size fields read through the little-endian codec.
#include "NetworkManager/CCommandsParser.h"

#include <string.h>

#include <memory>
#include <type_traits>
#include <utility>

#include "NetworkManager/CCommandsParserSupport.h"
#include "Utils/LittleEndian.h"
#include "logging/TarvoLog.h"

namespace TarvoFX {

namespace {

using CommandsParserSupport::IsCommandNumber;
using CommandsParserSupport::kWord;
using CommandsParserSupport::Record;

// Widths of the binary fields.
constexpr size_t kDouble = 8;
constexpr size_t kPairSize = kWord + kDouble;
// Framed request: marker, payload length, payload.
constexpr size_t kFrameHeader = 2 * kWord;
// Path lengths the binary requests accept (bytes, without terminator).
constexpr uint32_t kMaxBinaryPath = CDataAPO::kMaxPathLength;
constexpr uint32_t kMaxBinaryRecordingPath = CDataAPO::kMaxRecordingPathLength;

// The binary fields at nOffset. Every caller has checked that they are
// buffered; should one not be, the codec reads nothing and the field is 0.
template <typename T>
T ReadField(const CReceiveBuffer& strData, size_t nOffset) {
    T value = 0;
    LittleEndian::Reader(strData.data(), strData.size())
        .Get(LittleEndian::Field<T>{nOffset}, value);
    return value;
}

uint32_t ReadU32(const CReceiveBuffer& strData, size_t nOffset) {
    return ReadField<uint32_t>(strData, nOffset);
}

double ReadF64(const CReceiveBuffer& strData, size_t nOffset) {
    return ReadField<double>(strData, nOffset);
}

// Sizes and words are logged with "%d" (sizes are bounded by the receive
// limit; words are shown as the peer sent them). One template, since size_t
// and uint32_t are the same type on 32-bit targets.
template <typename T>
int LogInt(T nValue) {
    static_assert(std::is_unsigned<T>::value, "sizes and words only");
    return static_cast<int>(nValue);
}

// Copies nLength bytes from nOffset into a fixed-size field and terminates it;
// the caller has checked that they fit.
template <size_t N>
void CopyText(const CReceiveBuffer& strData, size_t nOffset, size_t nLength, char (&szField)[N]) {
    memcpy(szField, strData.data() + nOffset, nLength);
    szField[nLength] = '\0';
}

// True when nSize bytes are buffered; otherwise the request waits.
bool HasBytes(const CReceiveBuffer& strData, size_t nSize) {
    if (strData.size() >= nSize) {
        return true;
    }
    TARVO_LOGI("strData size is too small %d ", LogInt(strData.size()));
    return false;
}

// A request of fixed size: fill reads the fields from the buffer.
template <typename Fill>
Record ParseFixedSize(CReceiveBuffer& strData, size_t nSize, Fill fill) {
    if (!HasBytes(strData, nSize)) {
        return nullptr;
    }
    Record pRecord = std::make_unique<CDataAPO>();
    fill(*pRecord);
    strData.Consume(nSize);
    return pRecord;
}

// A request whose header of nHeader bytes ends in a count, followed by that
// many items of nItemSize bytes. True when all of it is buffered; otherwise it
// waits, with szShortHeader (buffered size) or szShortItems (count and
// buffered size) as the record.
bool HasCountedItems(const CReceiveBuffer& strData, size_t nHeader, size_t nItemSize,
                     const char* szShortHeader, const char* szShortItems, uint32_t& nOutCount) {
    if (strData.size() < nHeader) {
        TARVO_LOGI(szShortHeader, LogInt(strData.size()));
        return false;
    }
    nOutCount = ReadU32(strData, nHeader - kWord);
    // Divided rather than multiplied: the item bytes of a wire count may not
    // fit a 32-bit size.
    if ((strData.size() - nHeader) / nItemSize < nOutCount) {
        TARVO_LOGI(szShortItems, LogInt(nOutCount), LogInt(strData.size()));
        return false;
    }
    return true;
}

// A parameter array: command, count, then count items of nItemSize bytes,
// each handed to readItem with its offset.
template <typename ReadItem>
Record ParseCountedItems(CReceiveBuffer& strData, size_t nItemSize, const char* szShortHeader,
                         ReadItem readItem) {
    uint32_t nCount = 0;
    if (!HasCountedItems(
            strData, 2 * kWord, nItemSize, szShortHeader,
            "strData size is too small, not enougt to read nCountParam %d, strData size %d ",
            nCount)) {
        return nullptr;
    }
    Record pRecord = std::make_unique<CDataAPO>();
    size_t nOffset = 2 * kWord;
    for (uint32_t nIndex = 0; nIndex < nCount; ++nIndex, nOffset += nItemSize) {
        readItem(*pRecord, nOffset);
    }
    strData.Consume(nOffset);
    return pRecord;
}

}  // namespace

Record CCommandsParser::ParseBinaryData(CReceiveBuffer& strData) {
    // The first word decides: a request that is complete in it (version,
    // calibration) is served as soon as it is there, alone or not; the
    // marker and every other command wait in their own parsers for the rest.
    if (strData.size() < kWord) {
        return nullptr;
    }
    TARVO_LOGI("Received barker received: 0x%02x 0x%02x 0x%02x 0x%02x", strData.ByteAt(0),
               strData.ByteAt(1), strData.ByteAt(2), strData.ByteAt(3));
    if (memcmp(strData.data(), kFrameMarker, sizeof(kFrameMarker)) == 0) {
        Record pRecord = ParseBinaryDataNewFormat(strData);
        if (pRecord) {
            pRecord->eProtocolVersion = kBinaryFramed;
        }
        return pRecord;
    }
    const uint32_t nWord = ReadU32(strData, 0);
    if (IsCommandNumber(nWord)) {
        Record pRecord = ParseCommandData(strData);
        if (pRecord) {
            pRecord->eProtocolVersion = kBinary;
        }
        return pRecord;
    }
    TARVO_LOGE("Invalid Command: %d", LogInt(nWord));
    strData.Clear();
    return nullptr;
}

Record CCommandsParser::ParseBinaryDataNewFormat(CReceiveBuffer& strData) {
    if (strData.size() < kFrameHeader) {
        TARVO_LOGI("strData size is too small %d ", LogInt(strData.size()));
        return nullptr;
    }
    const uint32_t nLen = ReadU32(strData, kWord);
    if (nLen > kMaxFramePayload) {
        TARVO_LOGD("nLen is too big: %d", LogInt(nLen));
        strData.Clear();
        return nullptr;
    }
    if (strData.size() - kFrameHeader < nLen) {
        TARVO_LOGD("Not enough received, received %d instead of %d", LogInt(strData.size()),
                   LogInt(kFrameHeader + nLen));
        return nullptr;
    }
    CReceiveBuffer strPayload(strData.View().substr(kFrameHeader, nLen));
    strData.Consume(kFrameHeader + nLen);
    // Whatever the payload parser leaves of the payload goes with the frame.
    if (nLen < kWord) {
        TARVO_LOGE("Frame payload too short: %d", LogInt(nLen));
        return nullptr;
    }
    return ParseCommandData(strPayload);
}

Record CCommandsParser::ParseCommandData(CReceiveBuffer& strData) {
    if (!HasBytes(strData, kWord)) {
        return nullptr;
    }
    const uint32_t nCommand = ReadU32(strData, 0);
    if (!IsCommandNumber(nCommand)) {
        TARVO_LOGE("nCommand invalid: %d", LogInt(nCommand));
        strData.Clear();
        return nullptr;
    }
    Record pRecord;
    switch (nCommand) {
        case kCommandSetParameter:
        case kCommandParameterValue:
            pRecord = ParseGetSetParameter(strData);
            break;
        case kCommandSetParameterArray:
        case kCommandParameterArrayValues:
            pRecord = ParseGetSetParameterArray(strData);
            break;
        case kCommandSetChunk:
        case kCommandGetChunk:
            pRecord = ParseGetSetChunk(strData);
            break;
        case kCommandGetVersion:
            pRecord = ParseGetVersion(strData);
            break;
        case kCommandRequestParameter:
            pRecord = ParseRequestParameter(strData);
            break;
        case kCommandRequestParameterArray:
            pRecord = ParseRequestParameterArray(strData);
            break;
        case kCommandSetSoundMode:
            pRecord = ParseSetSoundMode(strData);
            break;
        case kCommandSetRecording:
            pRecord = ParseEnableRecording(strData);
            break;
        case kCommandSetOutputMode:
            pRecord = ParseSetOutputMode(strData);
            break;
        case kCommandLoadPreset:
            pRecord = ParseLoadPreset(strData);
            break;
        case kCommandCloseAshmem:
            pRecord = ParseCloseAshmem(strData);
            break;
        case kCommandSetCustomOutputMode:
            pRecord = ParseSetCustomOutputMode(strData);
            break;
        case kCommandCalibrateKv:
            pRecord = ParseCalibrateKv(strData);
            break;
        default:
            TARVO_LOGE("Got unexpected data");
            strData.Clear();
            return nullptr;
    }
    if (pRecord) {
        pRecord->nCommand = nCommand;
    }
    return pRecord;
}

Record CCommandsParser::ParseGetSetParameter(CReceiveBuffer& strData) {
    return ParseFixedSize(strData, kWord + kPairSize, [&](CDataAPO& record) {
        record.nParam = ReadU32(strData, kWord);
        record.dValue = ReadF64(strData, 2 * kWord);
    });
}

Record CCommandsParser::ParseGetSetParameterArray(CReceiveBuffer& strData) {
    return ParseCountedItems(
        strData, kPairSize, "strData size is too small, not enougt to read count %d ",
        [&](CDataAPO& record, size_t nOffset) {
            record.vecParameters.push_back(
                {ReadU32(strData, nOffset), ReadF64(strData, nOffset + kWord)});
        });
}

Record CCommandsParser::ParseGetSetChunk(CReceiveBuffer& strData) {
    constexpr size_t kHeader = 3 * kWord;
    uint32_t nSize = 0;
    if (!HasCountedItems(
            strData, kHeader, 1, "strData size is too small, not enougt to read count %d ",
            "strData size is too small, not enougt to read nSize %d, strData size %d ", nSize)) {
        return nullptr;
    }
    Record pRecord = std::make_unique<CDataAPO>();
    pRecord->nType = ReadU32(strData, kWord);
    pRecord->strChunk.assign(strData.data() + kHeader, nSize);
    strData.Consume(kHeader + nSize);
    return pRecord;
}

Record CCommandsParser::ParseGetVersion(CReceiveBuffer& strData) {
    return ParseFixedSize(strData, kWord, [](CDataAPO&) {});
}

Record CCommandsParser::ParseRequestParameter(CReceiveBuffer& strData) {
    return ParseFixedSize(strData, 2 * kWord,
                          [&](CDataAPO& record) { record.nParam = ReadU32(strData, kWord); });
}

Record CCommandsParser::ParseRequestParameterArray(CReceiveBuffer& strData) {
    return ParseCountedItems(strData, kWord,
                             "strData size is too small, not enough to read count %d ",
                             [&](CDataAPO& record, size_t nOffset) {
                                 record.vecParameterIds.push_back(ReadU32(strData, nOffset));
                             });
}

Record CCommandsParser::ParseSetSoundMode(CReceiveBuffer& strData) {
    return ParseFixedSize(strData, 2 * kWord,
                          [&](CDataAPO& record) { record.nMode = ReadU32(strData, kWord); });
}

Record CCommandsParser::ParseEnableRecording(CReceiveBuffer& strData) {
    if (!HasBytes(strData, 2 * kWord)) {
        return nullptr;
    }
    const uint32_t nStatus = ReadU32(strData, kWord);
    Record pRecord = std::make_unique<CDataAPO>();
    pRecord->nStatus = nStatus;
    if (nStatus == 1) {
        constexpr size_t kHeader = 3 * kWord;
        if (strData.size() < kHeader) {
            TARVO_LOGI("strData size is too small %d, didn't receive enough for path len",
                       LogInt(strData.size()));
            return nullptr;
        }
        const uint32_t nPathLen = ReadU32(strData, 2 * kWord);
        if (nPathLen > kMaxBinaryRecordingPath) {
            TARVO_LOGE("Received invalid path size %d", LogInt(nPathLen));
            strData.Clear();
            return nullptr;
        }
        if (strData.size() - kHeader < nPathLen) {
            TARVO_LOGI("strData size is too small %d, didn't receive enough for record prefix",
                       LogInt(strData.size()));
            return nullptr;
        }
        CopyText(strData, kHeader, nPathLen, pRecord->szPath);
        strData.Consume(kHeader + nPathLen);
    } else if (nStatus == 0) {
        strData.Consume(2 * kWord);
    } else {
        TARVO_LOGE("Received invalid statuc %d", LogInt(nStatus));
        strData.Clear();
        return nullptr;
    }
    TARVO_LOGD("ParseEnableRecording() recording status %d prefix %s", LogInt(nStatus),
               pRecord->szPath);
    return pRecord;
}

Record CCommandsParser::ParseSetOutputMode(CReceiveBuffer& strData) {
    return ParseSetSoundMode(strData);
}

Record CCommandsParser::ParseLoadPreset(CReceiveBuffer& strData) {
    if (!HasBytes(strData, 2 * kWord)) {
        return nullptr;
    }
    const uint32_t nPathLen = ReadU32(strData, kWord);
    // Compared unsigned: a length with the top bit set is far too long, not
    // negative.
    if (nPathLen == 0 || nPathLen > kMaxBinaryPath) {
        TARVO_LOGI("the length of file path is wrong %d, it should be less then %d or meaningful",
                   LogInt(nPathLen), LogInt(kMaxBinaryPath));
        // An empty path is a complete request and goes alone. An over-long
        // one cannot be skipped safely (its length is not to be trusted), so
        // everything buffered goes. Either way later requests are served.
        if (nPathLen == 0) {
            strData.Consume(2 * kWord);
        } else {
            strData.Clear();
        }
        return nullptr;
    }
    if (strData.size() - 2 * kWord < nPathLen) {
        TARVO_LOGI("strData size is too small, not enougt to read file path %d, strData size %d ",
                   LogInt(nPathLen), LogInt(strData.size()));
        return nullptr;
    }
    Record pRecord = std::make_unique<CDataAPO>();
    CopyText(strData, 2 * kWord, nPathLen, pRecord->szPath);
    TARVO_LOGD("ParseLoadPreset() file path %s  size = %d   nLengthFilePath = %d", pRecord->szPath,
               LogInt(strData.size()), LogInt(nPathLen));
    strData.Consume(2 * kWord + nPathLen);
    return pRecord;
}

Record CCommandsParser::ParseCloseAshmem(CReceiveBuffer& strData) {
    if (strData.size() < 2 * kWord + 1 || strData.size() - 2 * kWord < ReadU32(strData, kWord)) {
        TARVO_LOGI("strData size is too small %d ", LogInt(strData.size()));
        return nullptr;
    }
    const uint32_t nNameLen = ReadU32(strData, kWord);
    Record pRecord = std::make_unique<CDataAPO>();
    pRecord->strAshmemName.assign(strData.data() + 2 * kWord, nNameLen);
    TARVO_LOGD("strAshmemName %s", pRecord->strAshmemName.c_str());
    strData.Consume(2 * kWord + nNameLen);
    return pRecord;
}

Record CCommandsParser::ParseSetCustomOutputMode(CReceiveBuffer& strData) {
    return ParseFixedSize(strData, 3 * kWord, [&](CDataAPO& record) {
        record.nFirst = ReadU32(strData, kWord);
        record.nSecond = ReadU32(strData, 2 * kWord);
    });
}

Record CCommandsParser::ParseCalibrateKv(CReceiveBuffer& strData) {
    Record pRecord = std::make_unique<CDataAPO>();
    strData.Consume(kWord);
    return pRecord;
}

Record CCommandsParser::ParseFDs(CCommandData* pData) {
    if (pData == nullptr || pData->GetFDs().empty()) {
        TARVO_LOGI("pData->GetFDs() size is in correct: %d ",
                   pData != nullptr ? LogInt(pData->GetFDs().size()) : 0);
        return nullptr;
    }
    CCommandData::FDMap& mapFDs = pData->GetFDs();
    auto itFirst = mapFDs.begin();
    Record pRecord = std::make_unique<CDataAPO>();
    pRecord->nCommand = kCommandDescriptorData;
    pRecord->vecFDs = itFirst->first;
    pRecord->strFDData = std::move(itFirst->second);
    mapFDs.erase(itFirst);
    return pRecord;
}

}  // namespace TarvoFX
