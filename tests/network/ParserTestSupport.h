// Request bytes and a fixture for the command parser tests.
#pragma once

#include <android/log.h>
#include <gtest/gtest.h>
#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "NetworkManager/CCommandData.h"
#include "NetworkManager/CCommandsParser.h"
#include "NetworkManager/CDataAPO.h"
#include "support/WireBytes.h"
#include "utils/LogRecordsTest.h"

namespace TestSupport {

using WireText::F64;
using WireText::U32;

inline std::string Marker() {
    return std::string(reinterpret_cast<const char*>(TarvoFX::kFrameMarker), 4);
}

inline std::string Frame(const std::string& strPayload) {
    return Marker() + U32(static_cast<uint32_t>(strPayload.size())) + strPayload;
}

// The command parser's source files, which its error records name.
inline const std::vector<std::string>& ParserSources() {
    static const std::vector<std::string> vecSources = {
        "Shared/NetworkManager/CCommandsParser.cpp",
        "Shared/NetworkManager/CCommandsParserBinary.cpp",
        "Shared/NetworkManager/CCommandsParserText.cpp",
    };
    return vecSources;
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

    std::vector<std::string> Errors() { return ErrorMessages(ParserSources()); }
    std::vector<std::string> Infos() { return capture.Messages(ANDROID_LOG_INFO); }
    std::vector<std::string> Debugs() { return capture.Messages(ANDROID_LOG_DEBUG); }

    TarvoFX::CCommandsParser parser;
    TarvoFX::CCommandData client;
};

}  // namespace TestSupport
