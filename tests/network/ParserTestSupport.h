// Request bytes and a fixture for the command parser tests.
#pragma once

#include <android/log.h>
#include <gtest/gtest.h>
#include <stdint.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "NetworkManager/CCommandData.h"
#include "NetworkManager/CCommandsParser.h"
#include "NetworkManager/CDataAPO.h"
#include "utils/LogRecordsTest.h"

namespace TestSupport {

// Little-endian u32.
inline std::string U32(uint32_t nValue) {
    std::string str(4, '\0');
    for (int nByte = 0; nByte < 4; ++nByte) {
        str[nByte] = static_cast<char>((nValue >> (8 * nByte)) & 0xFF);
    }
    return str;
}

// Little-endian IEEE-754 double.
inline std::string F64(double dValue) {
    uint64_t nBits = 0;
    memcpy(&nBits, &dValue, sizeof(nBits));
    return U32(static_cast<uint32_t>(nBits)) + U32(static_cast<uint32_t>(nBits >> 32));
}

inline std::string Marker() {
    return std::string(reinterpret_cast<const char*>(TarvoFX::kFrameMarker), 4);
}

inline std::string Frame(const std::string& strPayload) {
    return Marker() + U32(static_cast<uint32_t>(strPayload.size())) + strPayload;
}

// Command 1: set one parameter.
inline std::string SetParameter(uint32_t nParam, double dValue) {
    return U32(1) + U32(nParam) + F64(dValue);
}

class ParserTest : public LogRecordsTest {
protected:
    using Record = std::unique_ptr<TarvoFX::CDataAPO>;

    // Appends strBytes to the client's input, then parses once.
    Record Feed(const std::string& strBytes) {
        client.AppendData(strBytes);
        return Next();
    }

    Record Next() { return Record(static_cast<TarvoFX::CDataAPO*>(parser.Parse(&client))); }

    // Parses once and expects a record of nCommand; null when none came.
    Record NextOf(uint32_t nCommand) {
        Record pRecord = Next();
        EXPECT_TRUE(pRecord) << "no record, expected command " << nCommand;
        if (pRecord) {
            EXPECT_EQ(nCommand, pRecord->nCommand);
        }
        return pRecord;
    }

    std::string Pending() const { return std::string(client.GetData().View()); }

    std::vector<std::string> Errors() {
        return ErrorMessages("Shared/NetworkManager/CCommandsParser.cpp");
    }
    std::vector<std::string> Infos() { return capture.Messages(ANDROID_LOG_INFO); }
    std::vector<std::string> Debugs() { return capture.Messages(ANDROID_LOG_DEBUG); }

    TarvoFX::CCommandsParser parser;
    TarvoFX::CCommandData client;
};

}  // namespace TestSupport
