// An ini document in memory: sections of keys with string values. Section and
// key names are stored trimmed of spaces and tabs and compared without regard
// to letter case; iteration follows that order. Not synchronised.
#pragma once

#include <map>
#include <memory>
#include <string>

namespace TarvoFX {

class CIniFile;
class CIniSection;

// Orders names with strcasecmp.
struct CIniNameLess {
    bool operator()(const std::string& strLeft, const std::string& strRight) const;
};

class CIniKey {
public:
    CIniKey(CIniSection* pSection, const std::string& strName)
        : m_pSection(pSection), m_strName(strName) {}

    CIniKey(const CIniKey&) = delete;
    CIniKey& operator=(const CIniKey&) = delete;

    CIniSection* GetSection() const { return m_pSection; }
    const std::string& GetName() const { return m_strName; }
    const std::string& GetValue() const { return m_strValue; }
    void SetValue(const std::string& strValue) { m_strValue = strValue; }

private:
    friend class CIniSection;

    CIniSection* m_pSection;
    std::string m_strName;
    std::string m_strValue;
};

class CIniSection {
public:
    using KeyMap = std::map<std::string, std::unique_ptr<CIniKey>, CIniNameLess>;

    CIniSection(CIniFile* pIniFile, const std::string& strName)
        : m_pIniFile(pIniFile), m_strName(strName) {}

    CIniSection(const CIniSection&) = delete;
    CIniSection& operator=(const CIniSection&) = delete;

    CIniFile* GetIniFile() const { return m_pIniFile; }
    const std::string& GetName() const { return m_strName; }
    const KeyMap& GetKeys() const { return m_keys; }

    // The key of that name, created (with an empty value) if missing.
    CIniKey* AddKey(const std::string& strName);
    // The key of that name, or null.
    CIniKey* FindKey(const std::string& strName) const;
    // The key's value, or an empty string when there is no such key.
    std::string GetValue(const std::string& strKey) const;
    void SetValue(const std::string& strKey, const std::string& strValue);
    // Removing a key that is not in this section does nothing.
    void DeleteKey(const std::string& strName);
    void DeleteKey(const CIniKey* pKey);
    // False when the key is missing or a key named strNewName exists.
    bool RenameKey(const std::string& strOldName, const std::string& strNewName);

private:
    friend class CIniFile;

    CIniFile* m_pIniFile;
    std::string m_strName;
    KeyMap m_keys;
};

class CIniFile {
public:
    using SectionMap = std::map<std::string, std::unique_ptr<CIniSection>, CIniNameLess>;

    CIniFile() = default;
    CIniFile(const CIniFile&) = delete;
    CIniFile& operator=(const CIniFile&) = delete;

    // Reads the whole file (up to its first zero byte) and parses it. False,
    // with the document unchanged, when the file cannot be opened or read.
    bool Load(const std::string& strPath, bool bMerge);
    // Parses strText line by line; without bMerge the document is emptied first.
    void LoadFromString(const std::string& strText, bool bMerge);
    // Writes "[section]" and "key=value" lines in name order. False, with an
    // error record, when the file cannot be opened or written.
    bool Save(const std::string& strPath) const;
    // The text Save writes.
    std::string ToString() const;

    // Typed reads. An absent or empty value: LoadIntVal and LoadHexVal return
    // false silently, LoadBoolVal stores bDefault. A value that does not read
    // gives an error record and leaves the output unchanged.
    std::string GetValue(const std::string& strSection, const std::string& strKey) const;
    bool LoadIntVal(const std::string& strSection, const std::string& strKey, int* pnValue) const;
    bool LoadHexVal(const std::string& strSection, const std::string& strKey, int* pnValue) const;
    bool LoadBoolVal(const std::string& strSection, const std::string& strKey,
                     const std::string& strTrue, const std::string& strFalse, bool bDefault,
                     bool* pbValue) const;

    void SetValue(const std::string& strSection, const std::string& strKey,
                  const std::string& strValue);
    // The section of that name, created if missing.
    CIniSection* AddSection(const std::string& strName);
    CIniSection* FindSection(const std::string& strName) const;
    const SectionMap& GetSections() const { return m_sections; }
    // Removing a section that does not exist does nothing.
    void DeleteSection(const std::string& strName);
    void DeleteSection(const CIniSection* pSection);
    void RemoveAllSections() { m_sections.clear(); }
    // False when the section (key) is missing or one with the new name exists.
    bool RenameSection(const std::string& strOldName, const std::string& strNewName);
    bool RenameKey(const std::string& strSection, const std::string& strOldName,
                   const std::string& strNewName);

    // Debug records of every section and key, only while debug records are on.
    void Dump() const;

private:
    bool LoadNumber(const std::string& strSection, const std::string& strKey, bool bHex,
                    int* pnValue) const;

    SectionMap m_sections;
};

// True when stat succeeds for the path.
bool FileExists(const std::string& strPath);
// 0 when the vendor configuration file exists, else 1 when the system one
// does, else 2.
int GetConfigFileLocation();
// Loads the file of that location (0 vendor, 1 system) or, for any other
// value, the built-in default configuration, which is empty.
bool LoadConfigIni(int nLocation, CIniFile& iniFile);

}  // namespace TarvoFX
