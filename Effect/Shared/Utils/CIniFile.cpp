#include "Utils/CIniFile.h"

#include <strings.h>
#include <sys/stat.h>

#include <cstdio>

#include "Utils/StringUtils.h"
#include "logging/TarvoLog.h"

namespace TarvoFX {

namespace {

const char* const kVendorConfigPath = "/vendor/etc/velt_conf.ini";
const char* const kSystemConfigPath = "/system/etc/velt_conf.ini";
// The configuration used when neither file exists.
const char* const kDefaultConfig = "";

const std::string kNameBlanks = " \t";

std::string TrimName(std::string strName) {
    return StringUtils::Trim(strName, kNameBlanks);
}

// The entry filed under the trimmed name, or null.
template <typename Map>
typename Map::mapped_type::pointer FindEntry(const Map& map, const std::string& strName) {
    auto it = map.find(TrimName(strName));
    return it == map.end() ? nullptr : it->second.get();
}

// The entry filed under the trimmed name, created with that name and owner if missing.
template <typename Map, typename Owner>
typename Map::mapped_type::pointer GetOrCreate(Map& map, Owner* pOwner,
                                               const std::string& strName) {
    using Entry = typename Map::mapped_type::element_type;
    std::string strTrimmed = TrimName(strName);
    auto it = map.find(strTrimmed);
    if (it == map.end()) {
        it = map.emplace(strTrimmed, std::make_unique<Entry>(pOwner, strTrimmed)).first;
    }
    return it->second.get();
}

// Moves the entry filed under strOldName to strNewName; false when the old
// entry is missing or the new name is taken.
template <typename Map, typename Rename>
bool RenameEntry(Map& map, const std::string& strOldName, const std::string& strNewName,
                 Rename rename) {
    auto it = map.find(TrimName(strOldName));
    std::string strName = TrimName(strNewName);
    if (it == map.end() || map.count(strName) != 0) {
        return false;
    }
    auto node = map.extract(it);
    node.key() = strName;
    rename(*node.mapped(), strName);
    map.insert(std::move(node));
    return true;
}

// Position of the "]" closing a section header, or npos when the line is not
// one: the line starts with "[" and its last character other than blanks and
// line ends is "]".
size_t FindHeaderEnd(const std::string& strLine) {
    if (strLine.empty() || strLine[0] != '[') {
        return std::string::npos;
    }
    size_t nLast = strLine.find_last_not_of(" \t\r\n");
    if (nLast == 0 || nLast == std::string::npos || strLine[nLast] != ']') {
        return std::string::npos;
    }
    return nLast;
}

}  // namespace

bool CIniNameLess::operator()(const std::string& strLeft, const std::string& strRight) const {
    return strcasecmp(strLeft.c_str(), strRight.c_str()) < 0;
}

// ---------------------------------------------------------------------------
// CIniSection

CIniKey* CIniSection::AddKey(const std::string& strName) {
    return GetOrCreate(m_keys, this, strName);
}

CIniKey* CIniSection::FindKey(const std::string& strName) const {
    return FindEntry(m_keys, strName);
}

std::string CIniSection::GetValue(const std::string& strKey) const {
    const CIniKey* pKey = FindKey(strKey);
    return pKey != nullptr ? pKey->GetValue() : std::string();
}

void CIniSection::SetValue(const std::string& strKey, const std::string& strValue) {
    AddKey(strKey)->SetValue(strValue);
}

void CIniSection::DeleteKey(const std::string& strName) {
    m_keys.erase(TrimName(strName));
}

void CIniSection::DeleteKey(const CIniKey* pKey) {
    if (pKey != nullptr && pKey->GetSection() == this) {
        m_keys.erase(pKey->GetName());
    }
}

bool CIniSection::RenameKey(const std::string& strOldName, const std::string& strNewName) {
    return RenameEntry(m_keys, strOldName, strNewName,
                       [](CIniKey& key, const std::string& strName) { key.m_strName = strName; });
}

// ---------------------------------------------------------------------------
// CIniFile

bool CIniFile::Load(const std::string& strPath, bool bMerge) {
    FILE* pFile = std::fopen(strPath.c_str(), "rb");
    if (pFile == nullptr) {
        return false;
    }
    // Read to the end rather than trusting the reported size, which is
    // meaningless for directories and special files.
    std::string strText;
    char acBuffer[4096];
    size_t nRead = 0;
    while ((nRead = std::fread(acBuffer, 1, sizeof(acBuffer), pFile)) > 0) {
        strText.append(acBuffer, nRead);
    }
    bool bReadError = std::ferror(pFile) != 0;
    std::fclose(pFile);
    if (bReadError) {
        return false;
    }
    size_t nZero = strText.find('\0');
    if (nZero != std::string::npos) {
        strText.resize(nZero);
    }
    LoadFromString(strText, bMerge);
    return true;
}

void CIniFile::LoadFromString(const std::string& strText, bool bMerge) {
    if (!bMerge) {
        RemoveAllSections();
    }
    CIniSection* pSection = nullptr;
    size_t nStart = 0;
    while (nStart < strText.size()) {
        size_t nEnd = strText.find('\n', nStart);
        if (nEnd == std::string::npos) {
            nEnd = strText.size();
        }
        std::string strLine = strText.substr(nStart, nEnd - nStart);
        nStart = nEnd + 1;

        StringUtils::TrimLeft(strLine, kNameBlanks);
        StringUtils::TrimRight(strLine, "\r\n");
        if (strLine.empty() || strLine[0] == '#' || strLine[0] == ';') {
            continue;
        }
        size_t nHeaderEnd = FindHeaderEnd(strLine);
        if (nHeaderEnd != std::string::npos) {
            // The name ends at the closing "]", even when blanks follow it.
            pSection = AddSection(strLine.substr(1, nHeaderEnd - 1));
            continue;
        }
        size_t nEquals = strLine.find('=');
        if (nEquals == std::string::npos || nEquals == 0 || pSection == nullptr) {
            continue;
        }
        pSection->SetValue(strLine.substr(0, nEquals), strLine.substr(nEquals + 1));
    }
    Dump();
}

std::string CIniFile::ToString() const {
    std::string strText;
    for (const auto& section : m_sections) {
        strText += "[" + section.second->GetName() + "]\n";
        for (const auto& key : section.second->GetKeys()) {
            strText += key.second->GetName() + "=" + key.second->GetValue() + "\n";
        }
    }
    return strText;
}

bool CIniFile::Save(const std::string& strPath) const {
    FILE* pFile = std::fopen(strPath.c_str(), "wb");
    bool bSaved = pFile != nullptr;
    if (bSaved) {
        std::string strText = ToString();
        bSaved = std::fwrite(strText.data(), 1, strText.size(), pFile) == strText.size();
        // A full disk often shows only when the buffer is flushed at close.
        bSaved = std::fclose(pFile) == 0 && bSaved;
    }
    if (!bSaved) {
        TARVO_LOGE("CIniFile::Save failed on file %s", strPath.c_str());
    }
    return bSaved;
}

std::string CIniFile::GetValue(const std::string& strSection, const std::string& strKey) const {
    const CIniSection* pSection = FindSection(strSection);
    return pSection != nullptr ? pSection->GetValue(strKey) : std::string();
}

bool CIniFile::LoadNumber(const std::string& strSection, const std::string& strKey, bool bHex,
                          int* pnValue) const {
    std::string strValue = GetValue(strSection, strKey);
    if (strValue.empty() || pnValue == nullptr) {
        return false;
    }
    int nValue = 0;
    if (std::sscanf(strValue.c_str(), bHex ? "%x" : "%d", &nValue) != 1) {
        TARVO_LOGE("sscanf failed");
        return false;
    }
    std::string strName = TrimName(strKey);
    if (bHex) {
        TARVO_LOGD("CIniFile::LoadHexVal %s ms %d", strName.c_str(), nValue);
    } else {
        TARVO_LOGD("CIniFile::LoadIntVal %s ms %d", strName.c_str(), nValue);
    }
    *pnValue = nValue;
    return true;
}

bool CIniFile::LoadIntVal(const std::string& strSection, const std::string& strKey,
                          int* pnValue) const {
    return LoadNumber(strSection, strKey, false, pnValue);
}

bool CIniFile::LoadHexVal(const std::string& strSection, const std::string& strKey,
                          int* pnValue) const {
    return LoadNumber(strSection, strKey, true, pnValue);
}

bool CIniFile::LoadBoolVal(const std::string& strSection, const std::string& strKey,
                           const std::string& strTrue, const std::string& strFalse, bool bDefault,
                           bool* pbValue) const {
    if (pbValue == nullptr) {
        return false;
    }
    std::string strValue = GetValue(strSection, strKey);
    if (strValue.empty()) {
        *pbValue = bDefault;
        return true;
    }
    if (strValue == strTrue) {
        *pbValue = true;
        return true;
    }
    if (strValue == strFalse) {
        *pbValue = false;
        return true;
    }
    TARVO_LOGE("The value: %s is neither %s nor %s", strValue.c_str(), strTrue.c_str(),
               strFalse.c_str());
    return false;
}

void CIniFile::SetValue(const std::string& strSection, const std::string& strKey,
                        const std::string& strValue) {
    AddSection(strSection)->SetValue(strKey, strValue);
}

CIniSection* CIniFile::AddSection(const std::string& strName) {
    return GetOrCreate(m_sections, this, strName);
}

CIniSection* CIniFile::FindSection(const std::string& strName) const {
    return FindEntry(m_sections, strName);
}

void CIniFile::DeleteSection(const std::string& strName) {
    m_sections.erase(TrimName(strName));
}

void CIniFile::DeleteSection(const CIniSection* pSection) {
    if (pSection != nullptr && pSection->GetIniFile() == this) {
        m_sections.erase(pSection->GetName());
    }
}

bool CIniFile::RenameSection(const std::string& strOldName, const std::string& strNewName) {
    return RenameEntry(
        m_sections, strOldName, strNewName,
        [](CIniSection& section, const std::string& strName) { section.m_strName = strName; });
}

bool CIniFile::RenameKey(const std::string& strSection, const std::string& strOldName,
                         const std::string& strNewName) {
    CIniSection* pSection = FindSection(strSection);
    return pSection != nullptr && pSection->RenameKey(strOldName, strNewName);
}

void CIniFile::Dump() const {
    if (TarvoLog::Instance().GetTagLevel(TARVO_LOG_TAG_FXMODULE) >= LOG_LEVEL_INFO) {
        return;
    }
    TARVO_LOGD("Dump");
    for (const auto& section : m_sections) {
        TARVO_LOGD("[%s]", section.second->GetName().c_str());
        for (const auto& key : section.second->GetKeys()) {
            TARVO_LOGD("%s=%s", key.second->GetName().c_str(), key.second->GetValue().c_str());
        }
    }
}

// ---------------------------------------------------------------------------
// Configuration file

bool FileExists(const std::string& strPath) {
    struct stat info;
    return stat(strPath.c_str(), &info) == 0;
}

int GetConfigFileLocation() {
    if (FileExists(kVendorConfigPath)) {
        return 0;
    }
    if (FileExists(kSystemConfigPath)) {
        return 1;
    }
    return 2;
}

bool LoadConfigIni(int nLocation, CIniFile& iniFile) {
    switch (nLocation) {
        case 0:
            return iniFile.Load(kVendorConfigPath, false);
        case 1:
            return iniFile.Load(kSystemConfigPath, false);
        default:
            iniFile.LoadFromString(kDefaultConfig, false);
            return true;
    }
}

}  // namespace TarvoFX
