#include "Utils/StringUtils.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <sstream>

namespace TarvoFX {

const std::string StringUtils::s_cstrDefaultTrim = " \t\n\r\f\v";
const std::string StringUtils::s_cstrPathSeparators = "\\/";

namespace {

constexpr size_t kFormatBufferSize = 1024;

std::string Format(const char* szFormat, ...) __attribute__((format(printf, 1, 2)));

std::string Format(const char* szFormat, ...) {
    char szText[kFormatBufferSize];
    va_list args;
    va_start(args, szFormat);
    int nLength = std::vsnprintf(szText, sizeof(szText), szFormat, args);
    va_end(args);
    return nLength >= 1 ? std::string(szText) : std::string();
}

// Collects rendered pairs into chunks no longer than the limit.
class ChunkBuilder {
public:
    ChunkBuilder(std::vector<std::string>& vecOut, size_t nMaxLength)
        : m_vecOut(vecOut), m_nMaxLength(nMaxLength) {}

    void Add(int nKey, double dValue) {
        std::string strPair = Format("%d", nKey) + ":" + Format("%.02f", dValue) + ";";
        // An empty chunk is never emitted, even when one pair alone exceeds the limit.
        if (!m_strChunk.empty() && m_strChunk.size() + strPair.size() > m_nMaxLength) {
            m_vecOut.push_back(std::move(m_strChunk));
            m_strChunk.clear();
        }
        m_strChunk += strPair;
    }

    void Finish() {
        if (!m_strChunk.empty()) {
            m_vecOut.push_back(std::move(m_strChunk));
            m_strChunk.clear();
        }
    }

private:
    std::vector<std::string>& m_vecOut;
    size_t m_nMaxLength;
    std::string m_strChunk;
};

template <typename T>
bool StringToVector(const std::string& strText, std::vector<T>& vecValues, char cDelimiter,
                    bool (*pfnConvert)(const std::string&, T*)) {
    if (strText.empty()) {
        return false;
    }
    for (const std::string& strPart : StringUtils::Split(strText, cDelimiter)) {
        T value;
        if (!pfnConvert(strPart, &value)) {
            return false;
        }
        vecValues.push_back(value);
    }
    return true;
}

}  // namespace

std::string& StringUtils::TrimLeft(std::string& str, const std::string& strChars) {
    str.erase(0, str.find_first_not_of(strChars));
    return str;
}

std::string& StringUtils::TrimRight(std::string& str, const std::string& strChars) {
    size_t nLast = str.find_last_not_of(strChars);
    str.erase(nLast == std::string::npos ? 0 : nLast + 1);
    return str;
}

std::string& StringUtils::Trim(std::string& str, const std::string& strChars) {
    return TrimLeft(TrimRight(str, strChars), strChars);
}

// The parts std::getline would read from a stream of the text: a delimiter
// at the very end adds no empty part, an empty text gives none.
std::vector<std::string> StringUtils::Split(const std::string& strText, char cDelimiter) {
    std::vector<std::string> vecParts;
    size_t nStart = 0;
    while (nStart < strText.size()) {
        const size_t nEnd = strText.find(cDelimiter, nStart);
        if (nEnd == std::string::npos) {
            vecParts.push_back(strText.substr(nStart));
            break;
        }
        vecParts.push_back(strText.substr(nStart, nEnd - nStart));
        nStart = nEnd + 1;
    }
    return vecParts;
}

bool StringUtils::StringToInt(const std::string& str, int* pnValue) {
    if (pnValue == nullptr) {
        return false;
    }
    // Up to nine digits, after optional white space and sign, are read as
    // "%d" reads them; longer numbers and anything else go to sscanf itself.
    const char* p = str.c_str();
    while (std::isspace(static_cast<unsigned char>(*p))) {
        ++p;
    }
    const bool bNegative = *p == '-';
    if (*p == '-' || *p == '+') {
        ++p;
    }
    int nValue = 0;
    int nDigits = 0;
    for (; *p >= '0' && *p <= '9' && nDigits < 9; ++p, ++nDigits) {
        nValue = nValue * 10 + (*p - '0');
    }
    // A tenth digit is not added in: the number may not fit an int.
    if (nDigits == 0 || (*p >= '0' && *p <= '9')) {
        return std::sscanf(str.c_str(), "%d", pnValue) == 1;
    }
    *pnValue = bNegative ? -nValue : nValue;
    return true;
}

bool StringUtils::StringToUInt(const std::string& str, unsigned* pnValue) {
    return pnValue != nullptr && std::sscanf(str.c_str(), "%u", pnValue) == 1;
}

std::string StringUtils::ToString(int nValue) {
    return Format("%d", nValue);
}

std::string StringUtils::ToString(long nValue) {
    return Format("%ld", nValue);
}

std::string StringUtils::ToString(double dValue) {
    return Format("%.02f", dValue);
}

std::string StringUtils::ToString(bool bValue) {
    return bValue ? "True" : "False";
}

std::string StringUtils::GetDirectory(const std::string& strPath) {
    size_t nSeparator = strPath.find_last_of(s_cstrPathSeparators);
    return nSeparator == std::string::npos ? strPath : strPath.substr(0, nSeparator);
}

bool StringUtils::StringToIntVector(const std::string& strText, std::vector<int>& vecValues,
                                    char cDelimiter) {
    return StringToVector<int>(strText, vecValues, cDelimiter, &StringToInt);
}

bool StringUtils::StringToUIntVector(const std::string& strText, std::vector<unsigned>& vecValues,
                                     char cDelimiter) {
    return StringToVector<unsigned>(strText, vecValues, cDelimiter, &StringToUInt);
}

bool StringUtils::StringToUIntDoublePair(const std::string& strText, unsigned* pnKey,
                                         double* pdValue, char cDelimiter) {
    if (strText.empty() || pnKey == nullptr || pdValue == nullptr) {
        return false;
    }
    std::vector<std::string> vecParts = Split(strText, cDelimiter);
    if (vecParts.size() != 2) {
        return false;
    }
    unsigned nKey = 0;
    double dValue = 0.0;
    if (std::sscanf(vecParts[0].c_str(), "%u", &nKey) != 1 ||
        std::sscanf(vecParts[1].c_str(), "%lf", &dValue) != 1) {
        return false;
    }
    *pnKey = nKey;
    *pdValue = dValue;
    return true;
}

bool StringUtils::StringToUIntDoubleMap(const std::string& strText, std::map<unsigned, double>& map,
                                        char cItemDelimiter, char cPairDelimiter) {
    map.clear();
    if (strText.empty()) {
        return false;
    }
    for (const std::string& strItem : Split(strText, cItemDelimiter)) {
        unsigned nKey = 0;
        double dValue = 0.0;
        if (!StringToUIntDoublePair(strItem, &nKey, &dValue, cPairDelimiter)) {
            return false;
        }
        map.insert({nKey, dValue});
    }
    return true;
}

void StringUtils::PairsToStrings(std::vector<std::string>& vecOut, size_t nCount, const int* pnKeys,
                                 const double* pdValues, size_t nMaxLength) {
    if (pnKeys == nullptr || pdValues == nullptr) {
        return;
    }
    ChunkBuilder builder(vecOut, nMaxLength);
    for (size_t nIndex = 0; nIndex < nCount; ++nIndex) {
        builder.Add(pnKeys[nIndex], pdValues[nIndex]);
    }
    builder.Finish();
}

void StringUtils::MapToStrings(std::vector<std::string>& vecOut, const std::map<int, double>& map,
                               size_t nMaxLength) {
    ChunkBuilder builder(vecOut, nMaxLength);
    for (const auto& entry : map) {
        builder.Add(entry.first, entry.second);
    }
    builder.Finish();
}

}  // namespace TarvoFX
