// Trimming, splitting and number <-> text conversions on std::string.
// Numbers are rendered with fixed printf formats into a 1024-byte buffer.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "VeltraExport.h"

namespace TarvoFX {

class StringUtils {
public:
    // " \t\n\r\f\v": the usual set for Trim.
    VELTRA_EXPORT static const std::string s_cstrDefaultTrim;
    // "\\/": the characters that end a directory in a path.
    VELTRA_EXPORT static const std::string s_cstrPathSeparators;

    // Remove, in place, every leading (trailing) character that occurs in
    // strChars; return str.
    static std::string& TrimLeft(std::string& str, const std::string& strChars);
    static std::string& TrimRight(std::string& str, const std::string& strChars);
    static std::string& Trim(std::string& str, const std::string& strChars);

    // Fields between delimiters, as std::getline reads them: "a,b,,c" gives
    // four fields, a delimiter at the very end adds no empty field and an
    // empty text gives none.
    static std::vector<std::string> Split(const std::string& strText, char cDelimiter);

    // "%d" / "%u": true when one value was read (trailing text is ignored).
    // A null output pointer gives false.
    static bool StringToInt(const std::string& str, int* pnValue);
    static bool StringToUInt(const std::string& str, unsigned* pnValue);

    static std::string ToString(int nValue);
    static std::string ToString(long nValue);
    // Two decimals ("%.02f").
    static std::string ToString(double dValue);
    // "True" or "False".
    static std::string ToString(bool bValue);
    // A text would otherwise convert silently to bool.
    static std::string ToString(const char*) = delete;

    // The text before the last path separator; a path without one is returned whole.
    static std::string GetDirectory(const std::string& strPath);

    // Append every field of strText to the vector; false for an empty text or
    // at the first field that does not convert (fields before it stay appended).
    static bool StringToIntVector(const std::string& strText, std::vector<int>& vecValues,
                                  char cDelimiter);
    static bool StringToUIntVector(const std::string& strText, std::vector<unsigned>& vecValues,
                                   char cDelimiter);

    // "key<cDelimiter>value" with an unsigned key and a double value; exactly
    // two fields. Outputs are written only on success.
    static bool StringToUIntDoublePair(const std::string& strText, unsigned* pnKey, double* pdValue,
                                       char cDelimiter);
    // Clear the map, then insert every item of strText read as a pair (the
    // first of two equal keys wins). False for an empty text or at the first
    // item that is not a pair (pairs read before it stay in the map).
    static bool StringToUIntDoubleMap(const std::string& strText, std::map<unsigned, double>& map,
                                      char cItemDelimiter, char cPairDelimiter);

    // Render pairs as "key:value;" ("%d", "%.02f") and pack them into chunks
    // of at most nMaxLength characters, appended to vecOut. A single pair
    // longer than nMaxLength forms a chunk of its own.
    static void PairsToStrings(std::vector<std::string>& vecOut, size_t nCount, const int* pnKeys,
                               const double* pdValues, size_t nMaxLength);
    static void MapToStrings(std::vector<std::string>& vecOut, const std::map<int, double>& map,
                             size_t nMaxLength);
};

}  // namespace TarvoFX
