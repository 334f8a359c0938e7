// Feeds arbitrary bytes, in arbitrary chunks, into one client's input and
// parses after every chunk until nothing more comes out, as the socket layer
// does (a parse that consumed input without a record is followed by another).
// Checks that every record is well formed, that every record consumed input
// (so the loop ends), that once the arbitrary bytes are settled (whole lines,
// or binary that was served or discarded) a valid request appended after
// them is served next, and that every passed descriptor is closed once input
// and records are gone.
//
// Input layout, repeated: one control byte, then data. Control 0xFF adds a
// chunk with a passed descriptor holding the next 8 bytes; any other value is
// the length of the next plain chunk.
#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "NetworkManager/CCommandData.h"
#include "NetworkManager/CCommandsParser.h"
#include "NetworkManager/CDataAPO.h"
#include "logging/TarvoLog.h"

using TarvoFX::CCommandData;
using TarvoFX::CCommandsParser;
using TarvoFX::CDataAPO;

namespace {

constexpr uint8_t kDescriptorChunk = 0xFF;
constexpr size_t kDescriptorChunkBytes = 8;

int g_nNullFD = -1;

void Check(bool bCondition) {
    if (!bCondition) {
        std::abort();
    }
}

void CheckRecord(const CDataAPO& record) {
    Check(record.nCommand >= 1 && record.nCommand <= TarvoFX::kCommandLast);
    Check(record.eProtocolVersion >= TarvoFX::kBinary && record.eProtocolVersion <= TarvoFX::kText);
    Check(memchr(record.szPath, '\0', sizeof(record.szPath)) != nullptr);
    Check(memchr(record.szName, '\0', sizeof(record.szName)) != nullptr);
}

size_t PendingInput(const CCommandData& client) {
    return client.GetData().size() + client.GetFDs().size();
}

void ParseAll(CCommandsParser& parser, CCommandData& client) {
    for (;;) {
        const size_t nBefore = PendingInput(client);
        std::unique_ptr<CDataAPO> pRecord(static_cast<CDataAPO*>(parser.Parse(&client)));
        if (pRecord) {
            CheckRecord(*pRecord);
        } else if (PendingInput(client) == nBefore) {
            return;
        }
        Check(PendingInput(client) < nBefore);
    }
}

// Ends an unfinished text line, then checks that a valid request (text,
// unframed or framed, by nKind) appended to settled input comes out next.
void CheckServedAfter(CCommandsParser& parser, CCommandData& client, size_t nKind) {
    if (!client.GetData().empty() &&
        CCommandsParser::FrontDialect(client.GetData()) == CCommandsParser::Dialect::kText) {
        client.AppendData("\n");
        ParseAll(parser, client);
    }
    if (PendingInput(client) != 0) {
        return;  // a binary request still waits for its bytes
    }
    const std::string strQuery("\x0A\0\0\0\x07\0\0\0", 8);
    const std::string aRequests[] = {"param 7 0.5\n", strQuery,
                                     std::string("\xA1\xEC\xCA\x11\x08\0\0\0", 8) + strQuery};
    client.AppendData(aRequests[nKind % 3]);
    std::unique_ptr<CDataAPO> pRecord(static_cast<CDataAPO*>(parser.Parse(&client)));
    Check(pRecord != nullptr && pRecord->nCommand == (nKind % 3 == 0 ? 1u : 10u));
    Check(PendingInput(client) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Every refused request writes error records; they would only slow the run.
    TarvoFX::TarvoLog::Instance().SetLogOutput("ANDROID_LOG", false);
    g_nNullFD = open("/dev/null", O_RDONLY | O_CLOEXEC);
    Check(g_nNullFD >= 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    CCommandsParser parser;
    std::vector<int> vecPassed;
    {
        CCommandData client;
        size_t nOffset = 0;
        while (nOffset < nSize) {
            const uint8_t nControl = pData[nOffset++];
            const size_t nWanted =
                nControl == kDescriptorChunk ? kDescriptorChunkBytes : size_t{nControl};
            const size_t nLength = std::min(nWanted, nSize - nOffset);
            const std::string strChunk(reinterpret_cast<const char*>(pData) + nOffset, nLength);
            nOffset += nLength;
            if (nControl == kDescriptorChunk) {
                const int nFD = fcntl(g_nNullFD, F_DUPFD_CLOEXEC, 0);
                Check(nFD >= 0);
                vecPassed.push_back(nFD);
                client.AddFDData({nFD}, strChunk);
            } else {
                client.AppendData(strChunk);
            }
            ParseAll(parser, client);
        }
        CheckServedAfter(parser, client, nSize);
    }
    for (int nFD : vecPassed) {
        Check(fcntl(nFD, F_GETFD) == -1);
    }
    return 0;
}
