// The input the parser works on for one connected client: the plain bytes it
// has sent, and separately each chunk that arrived with passed descriptors.
#pragma once

#include <stddef.h>

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "NetworkManager/CReceiveBuffer.h"

namespace TarvoFX {

class CCommandData {
public:
    // Descriptors of one chunk, in arrival order -> the bytes of that chunk.
    using FDMap = std::map<std::vector<int>, std::string>;

    CCommandData() = default;
    // Closes the descriptors of chunks that were never parsed.
    ~CCommandData();
    CCommandData(CCommandData&& other) noexcept;
    CCommandData& operator=(CCommandData&& other) noexcept;
    CCommandData(const CCommandData&) = delete;
    CCommandData& operator=(const CCommandData&) = delete;

    // Bytes that came without descriptors, in arrival order.
    void AppendData(std::string_view svBytes) { m_strData.Append(svBytes); }
    // Forgets the pending plain bytes (a new connection on a reused socket).
    void ResetData() { m_strData.Clear(); }
    CReceiveBuffer& GetData() { return m_strData; }
    const CReceiveBuffer& GetData() const { return m_strData; }

    // A chunk that came with descriptors; an equal descriptor list replaces
    // the earlier bytes. The descriptors now belong to this object.
    void AddFDData(std::vector<int> vecFDs, std::string strBytes);
    FDMap& GetFDs() { return m_mapFDs; }
    const FDMap& GetFDs() const { return m_mapFDs; }

private:
    void CloseFDs();

    CReceiveBuffer m_strData;
    FDMap m_mapFDs;
};

}  // namespace TarvoFX
