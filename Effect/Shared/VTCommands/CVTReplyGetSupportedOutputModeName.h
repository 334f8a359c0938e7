// The effect's reply with the names of its supported output modes. Raw
// layout: for each entry in ascending id order, u32 id, u32 name length L and
// L name bytes without terminator; nothing else (the count is not sent).
#pragma once

#include <stdint.h>

#include <map>
#include <string>

#include "VTCommands/CVTCommandBase.h"

namespace TarvoFX {

class CVTReplyGetSupportedOutputModeName : public CVTCommandBase {
public:
    static constexpr uint32_t kMinSize = 9;  // one entry with a name of one byte

    // Parsing side: the number of entries the reply is expected to hold.
    explicit CVTReplyGetSupportedOutputModeName(int32_t nExpectedCount);
    // Building side: the names by output mode id; their number becomes the count.
    explicit CVTReplyGetSupportedOutputModeName(const std::map<uint32_t, std::string>& mapNames);

    int32_t ExpectedCount() const { return m_nExpectedCount; }
    const std::map<uint32_t, std::string>& Names() const { return m_mapNames; }

    std::vector<char> ToBuffer() const override;
    // Reads exactly the expected number of entries, which must use up the
    // received bytes; a later entry with an id already read replaces its
    // name. An entry that would pass the end fails the parse.
    bool FromBufffer(const void* pBuffer, uint32_t nBufferLen) override;

private:
    int32_t m_nExpectedCount;
    std::map<uint32_t, std::string> m_mapNames;
};

}  // namespace TarvoFX
