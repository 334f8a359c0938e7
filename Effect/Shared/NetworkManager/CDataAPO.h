// One parsed tuning request: its command number, the dialect it came in and
// the values it carries.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

namespace TarvoFX {

// The dialect a request came in; replies are shaped by it.
enum ProtocolVersion : int32_t {
    kBinary = 0,        // unframed binary request
    kBinaryFramed = 1,  // binary request inside a frame
    kText = 2,          // text line
};

// Starts every framed request and every framed reply: the u32 0x11CAECA1
// in little-endian byte order.
inline constexpr uint8_t kFrameMarker[4] = {0xA1, 0xEC, 0xCA, 0x11};

// Command numbers shared by the binary and the text dialect.
enum CommandNumber : uint32_t {
    kCommandSetParameter = 1,
    kCommandParameterValue = 2,
    kCommandSetParameterArray = 3,
    kCommandParameterArrayValues = 4,
    kCommandSetChunk = 5,
    kCommandGetChunk = 6,
    kCommandGetVersion = 7,
    kCommandRequestParameter = 10,
    kCommandRequestParameterArray = 11,
    kCommandSetSoundMode = 12,
    kCommandSetRecording = 13,
    kCommandSetOutputMode = 14,
    kCommandLoadPreset = 15,
    kCommandDescriptorData = 16,
    kCommandCloseAshmem = 17,
    kCommandSetCustomOutputMode = 18,
    kCommandProfiling = 19,
    kCommandSetLogLevel = 20,
    kCommandDump = 21,
    kCommandSetTagEx = 22,
    kCommandFlushCoeffFile = 23,
    kCommandCalibrateKv = 24,
    kCommandMetersEnable = 25,
    kCommandMetersDisable = 26,
    kCommandSetLogOutput = 27,
    kCommandSetSystemVolume = 28,
    kCommandLast = kCommandSetSystemVolume,
};

struct SParameterValue {
    uint32_t nParam;
    double dValue;
};

// Created by the parser and owned by whoever receives it; the descriptors of
// descriptor data belong to the record and are closed with it unless taken
// out with ReleaseFDs.
class CDataAPO {
public:
    // Longest texts the fixed-size fields hold (each plus a terminator).
    static constexpr size_t kMaxPathLength = 1024;
    static constexpr size_t kMaxRecordingPathLength = 1023;
    static constexpr size_t kMaxNameLength = 255;

    // The text fields start empty; the rest of their bytes are left as they
    // are (a record is made for every request, and only a terminated prefix
    // of a field is ever read).
    CDataAPO() {
        szPath[0] = '\0';
        szName[0] = '\0';
    }
    ~CDataAPO();
    CDataAPO(const CDataAPO&) = delete;
    CDataAPO& operator=(const CDataAPO&) = delete;
    // A record is made and released for every request, and its size is past
    // what the allocator serves from its fast per-thread bins: each thread
    // keeps a few released blocks for its next records.
    static void* operator new(size_t nSize);
    static void operator delete(void* pBlock, size_t nSize) noexcept;

    // Hands the descriptors to the caller, who then has to close them.
    std::vector<int> ReleaseFDs();

    uint32_t nCommand = 0;
    ProtocolVersion eProtocolVersion = kBinary;

    // 1, 2, 10 (10 carries only the id)
    uint32_t nParam = 0;
    double dValue = 0.0;
    // 3, 4: the pairs in request order (their count is the size)
    std::vector<SParameterValue> vecParameters;
    // 11: the requested ids in order
    std::vector<uint32_t> vecParameterIds;
    // 5, 6: chunk type and bytes
    uint32_t nType = 0;
    std::string strChunk;
    // 12, 14
    uint32_t nMode = 0;
    // 13: recording status; szPath holds the path prefix
    uint32_t nStatus = 0;
    // 13, 15, 23
    char szPath[kMaxPathLength + 1];
    // 16: the descriptors of one received chunk and its bytes
    std::vector<int> vecFDs;
    std::string strFDData;
    // 17: the region name (its length is the size)
    std::string strAshmemName;
    // 18
    uint32_t nFirst = 0;
    uint32_t nSecond = 0;
    // 19
    int32_t nProfilingValue = 0;
    // 20 (tag name), 27 (output name)
    char szName[kMaxNameLength + 1];
    // 20
    int32_t nLevel = 0;
    // 27: 1 switches the output on
    int32_t nFlag = 0;
    // 22
    uint32_t nOutputMode = 0;
    uint32_t nSoundMode = 0;
    uint32_t nTagDisable = 0;
    uint32_t nTagEnable = 0;
    // 28
    double dVolume = 0.0;
};

}  // namespace TarvoFX
