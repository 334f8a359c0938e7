// The reply bytes of the two queries. Byte order little-endian, no gaps.
//
//   parameter value:         u32 2, u32 id, f64 value (16 bytes, every dialect)
//   parameter array, binary: u32 4, u32 m, m x (u32 id, f64 value)
//   parameter array, framed: the frame marker, u32 length, the binary form
//   parameter array, text:   "get_param_array_response id=value,id=value\n"
#pragma once

#include <stdint.h>

#include <vector>

#include "NetworkManager/CDataAPO.h"

namespace TarvoFX {

// The 16-byte parameter reply; the dialect does not change it.
void GetDataFromParameter(uint32_t nParam, double dValue, ProtocolVersion eVersion,
                          std::vector<uint8_t>& vecReply);

// The first nCount ids and values (no more than both hold), in the form of
// the dialect. An unknown dialect is logged and leaves the reply empty.
void GetDataFromParameterArray(const std::vector<unsigned int>& vecParams,
                               const std::vector<double>& vecValues, uint32_t nCount,
                               ProtocolVersion eVersion, std::vector<uint8_t>& vecReply);
void GetDataFromParameterArrayInText(const std::vector<unsigned int>& vecParams,
                                     const std::vector<double>& vecValues, uint32_t nCount,
                                     ProtocolVersion eVersion, std::vector<uint8_t>& vecReply);
// Unframed for kBinary, framed for kBinaryFramed.
void GetDataFromParameterArrayInBinary(const std::vector<unsigned int>& vecParams,
                                       const std::vector<double>& vecValues, uint32_t nCount,
                                       ProtocolVersion eVersion, std::vector<uint8_t>& vecReply);

}  // namespace TarvoFX
