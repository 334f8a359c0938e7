#include <android/log.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Utils/CIniFile.h"
#include "logging/TarvoLog.h"
#include "utils/LogRecordsTest.h"
#include "utils/TempDir.h"

using TarvoFX::CIniFile;
using TarvoFX::CIniKey;
using TarvoFX::CIniSection;
using TestSupport::TempDir;

namespace {

class CIniFileTest : public TestSupport::LogRecordsTest {
protected:
    std::vector<std::string> ErrorMessages() {
        return LogRecordsTest::ErrorMessages("Shared/Utils/CIniFile.cpp");
    }

    CIniFile ini;
};

// ---------------------------------------------------------------------------
// Parsing

TEST_F(CIniFileTest, RepeatedSectionsAndKeysMergeWithoutRegardToCase) {
    ini.LoadFromString("[Audio]\nGain = 3\n", false);
    EXPECT_EQ(" 3", ini.GetValue("Audio", "Gain"));
    int nGain = 0;
    EXPECT_TRUE(ini.LoadIntVal("audio", "GAIN", &nGain));
    EXPECT_EQ(3, nGain);

    ini.LoadFromString("[Audio]\nGain = 3\n[audio]\ngain=4\n", false);
    ASSERT_EQ(1u, ini.GetSections().size());
    const CIniSection* pSection = ini.FindSection("AUDIO");
    ASSERT_NE(nullptr, pSection);
    EXPECT_EQ("Audio", pSection->GetName());
    ASSERT_EQ(1u, pSection->GetKeys().size());
    const CIniKey* pKey = pSection->FindKey("gAIN");
    ASSERT_NE(nullptr, pKey);
    EXPECT_EQ("Gain", pKey->GetName());
    EXPECT_EQ("4", pKey->GetValue());
    EXPECT_EQ(pSection, pKey->GetSection());
    EXPECT_EQ(&ini, pSection->GetIniFile());
}

TEST_F(CIniFileTest, KeysBeforeAnySectionAreDropped) {
    ini.LoadFromString("orphan=1\n[S]\nk=v", false);
    ASSERT_EQ(1u, ini.GetSections().size());
    EXPECT_EQ(1u, ini.FindSection("S")->GetKeys().size());
    EXPECT_EQ("v", ini.GetValue("S", "k"));  // the last line needs no line feed
}

TEST_F(CIniFileTest, KeyLineSplitsAtTheFirstEqualsSign) {
    ini.LoadFromString("[S]\nkey=a=b\n=value\n  \t name \t=  spaced \t\nnoequals\n", false);
    const CIniSection* pSection = ini.FindSection("S");
    ASSERT_NE(nullptr, pSection);
    EXPECT_EQ("a=b", ini.GetValue("S", "key"));
    EXPECT_EQ("  spaced \t", ini.GetValue("S", "name"));
    EXPECT_EQ(2u, pSection->GetKeys().size());
}

TEST_F(CIniFileTest, CommentsOnlyAtTheFirstNonBlankCharacter) {
    ini.LoadFromString("[S]\n   # comment=1\n\t; other=2\nvalue=x#text;more\n#[T]\n", false);
    ASSERT_EQ(1u, ini.GetSections().size());
    EXPECT_EQ(1u, ini.FindSection("S")->GetKeys().size());
    EXPECT_EQ("x#text;more", ini.GetValue("S", "value"));
}

TEST_F(CIniFileTest, LineEndsAreCutButTrailingBlanksOfValuesStay) {
    ini.LoadFromString("[S]\r\na=1\r\nb=2 \r\nc=x\ry\n", false);
    EXPECT_EQ("1", ini.GetValue("S", "a"));
    EXPECT_EQ("2 ", ini.GetValue("S", "b"));
    EXPECT_EQ("x\ry", ini.GetValue("S", "c"));
}

TEST_F(CIniFileTest, SectionHeaderNames) {
    ini.LoadFromString("[ Spaced \t]\n[Trailing]  \t\r\n[]\n[a=b]\n[open\n[x]y\n", false);
    EXPECT_NE(nullptr, ini.FindSection("Spaced"));
    // The name ends at the closing bracket even when blanks follow it.
    EXPECT_NE(nullptr, ini.FindSection("Trailing"));
    EXPECT_NE(nullptr, ini.FindSection(""));
    EXPECT_NE(nullptr, ini.FindSection("a=b"));
    EXPECT_EQ(nullptr, ini.FindSection("open"));
    EXPECT_EQ(4u, ini.GetSections().size());
}

TEST_F(CIniFileTest, NotAHeaderUnlessTheLastCharacterIsTheBracket) {
    ini.LoadFromString("[S]\n[k=]x\n", false);
    ASSERT_EQ(1u, ini.GetSections().size());
    EXPECT_EQ("]x", ini.GetValue("S", "[k"));
}

TEST_F(CIniFileTest, LoadWithoutMergeReplacesAndWithMergeOverrides) {
    ini.LoadFromString("[A]\nx=1\ny=2\n", false);
    ini.LoadFromString("[a]\ny=3\n[B]\nz=4\n", true);
    EXPECT_EQ("1", ini.GetValue("A", "x"));
    EXPECT_EQ("3", ini.GetValue("A", "y"));
    EXPECT_EQ("4", ini.GetValue("B", "z"));

    ini.LoadFromString("[C]\n", false);
    ASSERT_EQ(1u, ini.GetSections().size());
    EXPECT_EQ("", ini.GetValue("A", "x"));
}

TEST_F(CIniFileTest, IterationFollowsCaseInsensitiveNameOrder) {
    ini.LoadFromString("[b]\nZ=1\ny=2\nX=3\n[A]\n[C]\n", false);
    std::vector<std::string> vecSections;
    for (const auto& section : ini.GetSections()) {
        vecSections.push_back(section.second->GetName());
    }
    EXPECT_EQ((std::vector<std::string>{"A", "b", "C"}), vecSections);
    EXPECT_EQ("[A]\n[b]\nX=3\ny=2\nZ=1\n[C]\n", ini.ToString());
}

// ---------------------------------------------------------------------------
// Typed reads

TEST_F(CIniFileTest, LoadIntValReadsALeadingNumberAndReportsFailures) {
    EnableDebugRecords();
    ini.LoadFromString("[S]\nbad=abc\npartial=12abc\nempty=\n", false);
    capture.Clear();
    int nValue = 7;
    EXPECT_FALSE(ini.LoadIntVal("S", "bad", &nValue));
    EXPECT_EQ(7, nValue);
    EXPECT_EQ((std::vector<std::string>{"sscanf failed"}), ErrorMessages());

    capture.Clear();
    EXPECT_TRUE(ini.LoadIntVal(" S ", "\tpartial ", &nValue));
    EXPECT_EQ(12, nValue);
    EXPECT_EQ((std::vector<std::string>{"CIniFile::LoadIntVal partial ms 12"}),
              capture.Messages(ANDROID_LOG_DEBUG));

    capture.Clear();
    EXPECT_FALSE(ini.LoadIntVal("S", "absent", &nValue));
    EXPECT_FALSE(ini.LoadIntVal("S", "empty", &nValue));
    EXPECT_FALSE(ini.LoadIntVal("Absent", "bad", &nValue));
    EXPECT_FALSE(ini.LoadIntVal("S", "partial", nullptr));
    EXPECT_EQ(12, nValue);
    EXPECT_TRUE(capture.Records().empty());
}

TEST_F(CIniFileTest, LoadHexValReadsHexadecimal) {
    EnableDebugRecords();
    ini.LoadFromString("[S]\nmask=ff\nbad=zz\n", false);
    capture.Clear();
    int nValue = 0;
    EXPECT_TRUE(ini.LoadHexVal("S", "mask", &nValue));
    EXPECT_EQ(255, nValue);
    EXPECT_EQ((std::vector<std::string>{"CIniFile::LoadHexVal mask ms 255"}),
              capture.Messages(ANDROID_LOG_DEBUG));
    EXPECT_FALSE(ini.LoadHexVal("S", "bad", &nValue));
    EXPECT_EQ(255, nValue);
    EXPECT_EQ((std::vector<std::string>{"sscanf failed"}), ErrorMessages());
}

TEST_F(CIniFileTest, LoadBoolValMatchesTheTwoWordsExactly) {
    ini.LoadFromString("[S]\nyes=True\nno=False\nlower=true\n", false);
    capture.Clear();
    bool bValue = false;
    EXPECT_TRUE(ini.LoadBoolVal("S", "yes", "True", "False", false, &bValue));
    EXPECT_TRUE(bValue);
    EXPECT_TRUE(ini.LoadBoolVal("S", "no", "True", "False", true, &bValue));
    EXPECT_FALSE(bValue);
    EXPECT_TRUE(ini.LoadBoolVal("S", "absent", "True", "False", true, &bValue));
    EXPECT_TRUE(bValue);
    EXPECT_TRUE(capture.Records().empty());

    EXPECT_FALSE(ini.LoadBoolVal("S", "lower", "True", "False", false, &bValue));
    EXPECT_TRUE(bValue);
    EXPECT_EQ((std::vector<std::string>{"The value: true is neither True nor False"}),
              ErrorMessages());
}

// ---------------------------------------------------------------------------
// Editing

TEST_F(CIniFileTest, SetValueCreatesSectionAndKeyOnFirstUse) {
    ini.SetValue(" Net ", "Port\t", "8080");
    ini.SetValue("NET", "port", "9090");
    ASSERT_EQ(1u, ini.GetSections().size());
    EXPECT_EQ("9090", ini.GetValue("net", "PORT"));
    EXPECT_EQ("Port", ini.FindSection("net")->FindKey("port")->GetName());
    EXPECT_EQ(nullptr, ini.FindSection("Other"));
    EXPECT_EQ(nullptr, ini.FindSection("Net")->FindKey("Other"));
    EXPECT_EQ("", ini.FindSection("Net")->GetValue("Other"));
}

TEST_F(CIniFileTest, DeleteRemovesSectionsAndKeysAndIgnoresTheMissing) {
    ini.LoadFromString("[A]\nx=1\ny=2\n[B]\nz=3\n[C]\n", false);
    CIniSection* pSection = ini.FindSection("A");
    pSection->DeleteKey("X");
    pSection->DeleteKey("missing");
    EXPECT_EQ("", ini.GetValue("A", "x"));
    pSection->DeleteKey(pSection->FindKey("y"));
    pSection->DeleteKey(ini.FindSection("B")->FindKey("z"));  // not a key of A
    pSection->DeleteKey(nullptr);
    EXPECT_TRUE(pSection->GetKeys().empty());
    EXPECT_EQ("3", ini.GetValue("B", "z"));

    ini.DeleteSection("b");
    ini.DeleteSection("missing");
    ini.DeleteSection(ini.FindSection("C"));
    ini.DeleteSection(static_cast<const CIniSection*>(nullptr));
    CIniFile other;
    other.LoadFromString("[A]\n", false);
    ini.DeleteSection(other.FindSection("A"));  // not a section of this document
    ASSERT_EQ(1u, ini.GetSections().size());
    EXPECT_NE(nullptr, ini.FindSection("A"));
}

TEST_F(CIniFileTest, RenameKeyRefusesTakenNamesIncludingItsOwn) {
    ini.LoadFromString("[Audio]\nGain=3\nMute=0\n", false);
    EXPECT_FALSE(ini.RenameKey("Audio", "Gain", "GAIN"));
    EXPECT_FALSE(ini.RenameKey("Audio", "Gain", "mute"));
    EXPECT_FALSE(ini.RenameKey("Audio", "Missing", "Other"));
    EXPECT_FALSE(ini.RenameKey("Missing", "Gain", "Level"));
    EXPECT_TRUE(ini.RenameKey("Audio", "Gain", " Level "));
    EXPECT_EQ("3", ini.GetValue("Audio", "level"));
    EXPECT_EQ("", ini.GetValue("Audio", "Gain"));
    const CIniKey* pKey = ini.FindSection("Audio")->FindKey("LEVEL");
    ASSERT_NE(nullptr, pKey);
    EXPECT_EQ("Level", pKey->GetName());
    EXPECT_EQ("[Audio]\nLevel=3\nMute=0\n", ini.ToString());
}

TEST_F(CIniFileTest, RenameSectionKeepsItsKeys) {
    ini.LoadFromString("[Audio]\nGain=3\n[Video]\n", false);
    EXPECT_FALSE(ini.RenameSection("Audio", "VIDEO"));
    EXPECT_FALSE(ini.RenameSection("Audio", "audio"));
    EXPECT_FALSE(ini.RenameSection("Missing", "Other"));
    CIniSection* pSection = ini.FindSection("Audio");
    EXPECT_TRUE(ini.RenameSection("audio", "\tSound"));
    EXPECT_EQ(pSection, ini.FindSection("sound"));
    EXPECT_EQ("Sound", pSection->GetName());
    EXPECT_EQ(nullptr, ini.FindSection("Audio"));
    EXPECT_EQ("3", ini.GetValue("Sound", "Gain"));
}

// ---------------------------------------------------------------------------
// Dump

TEST_F(CIniFileTest, DumpWritesSectionsAndKeysOnlyWhileDebugIsOn) {
    ini.LoadFromString("[S]\nk=v\n[T]\n", false);
    EXPECT_TRUE(capture.Records().empty());

    EnableDebugRecords();
    ini.LoadFromString("[S]\nk= v\n[T]\n", false);
    EXPECT_EQ((std::vector<std::string>{"Dump", "[S]", "k= v", "[T]"}),
              capture.Messages(ANDROID_LOG_DEBUG));
}

// ---------------------------------------------------------------------------
// Files

class CIniFileFilesTest : public CIniFileTest {
protected:
    TempDir dir;
};

TEST_F(CIniFileFilesTest, SaveThenLoadReproducesTheDocument) {
    const std::string strText =
        "[Audio]\r\nGain = 3\r\n; comment\n[audio]\nMode=  wide \t\n[Empty]\n"
        "[Net]\nhost=a=b\nport=8080";
    ini.LoadFromString(strText, false);
    std::string strPath = dir.Path("saved.ini");
    ASSERT_TRUE(ini.Save(strPath));
    const std::string strSaved =
        "[Audio]\nGain= 3\nMode=  wide \t\n[Empty]\n[Net]\nhost=a=b\nport=8080\n";
    EXPECT_EQ(strSaved, TempDir::ReadFile(strPath));

    CIniFile loaded;
    ASSERT_TRUE(loaded.Load(strPath, false));
    EXPECT_EQ(strSaved, loaded.ToString());
    EXPECT_EQ(" 3", loaded.GetValue("Audio", "Gain"));
    EXPECT_NE(nullptr, loaded.FindSection("Empty"));
}

TEST_F(CIniFileFilesTest, LoadStopsAtTheFirstZeroByte) {
    std::string strPath = dir.Path("zero.ini");
    TempDir::WriteFile(strPath, std::string("[S]\na=1\n\0b=2\n", 13));
    ASSERT_TRUE(ini.Load(strPath, false));
    EXPECT_EQ("1", ini.GetValue("S", "a"));
    EXPECT_EQ("", ini.GetValue("S", "b"));
}

TEST_F(CIniFileFilesTest, LoadOfMissingOrUnreadableFileLeavesTheDocument) {
    ini.LoadFromString("[Keep]\nk=v\n", false);
    EXPECT_FALSE(ini.Load(dir.Path("missing.ini"), false));
    // A directory opens but cannot be read.
    EXPECT_FALSE(ini.Load(dir.Path(""), false));
    EXPECT_EQ("v", ini.GetValue("Keep", "k"));
}

TEST_F(CIniFileFilesTest, SaveFailuresAreReported) {
    ini.SetValue("S", "k", "v");
    std::string strPath = dir.Path("missing/out.ini");
    EXPECT_FALSE(ini.Save(strPath));
    EXPECT_EQ((std::vector<std::string>{"CIniFile::Save failed on file " + strPath}),
              ErrorMessages());

    // The device accepts the open but not the data.
    capture.Clear();
    EXPECT_FALSE(ini.Save("/dev/full"));
    EXPECT_EQ((std::vector<std::string>{"CIniFile::Save failed on file /dev/full"}),
              ErrorMessages());
}

TEST_F(CIniFileFilesTest, FileExistsFollowsStat) {
    std::string strPath = dir.Path("present.ini");
    TempDir::WriteFile(strPath, "");
    EXPECT_TRUE(TarvoFX::FileExists(strPath));
    EXPECT_TRUE(TarvoFX::FileExists(dir.Path("")));
    EXPECT_FALSE(TarvoFX::FileExists(dir.Path("absent.ini")));
}

TEST_F(CIniFileTest, ConfigLocationFollowsWhichFileExists) {
    int nExpected = TarvoFX::FileExists("/vendor/etc/velt_conf.ini")   ? 0
                    : TarvoFX::FileExists("/system/etc/velt_conf.ini") ? 1
                                                                       : 2;
    EXPECT_EQ(nExpected, TarvoFX::GetConfigFileLocation());
}

TEST_F(CIniFileTest, DefaultConfigurationIsEmpty) {
    ini.SetValue("Old", "k", "v");
    EXPECT_TRUE(TarvoFX::LoadConfigIni(2, ini));
    EXPECT_TRUE(ini.GetSections().empty());
    ini.SetValue("Old", "k", "v");
    EXPECT_TRUE(TarvoFX::LoadConfigIni(-1, ini));
    EXPECT_TRUE(ini.GetSections().empty());
}

TEST_F(CIniFileTest, ConfigFilesLoadWhenPresent) {
    for (int nLocation : {0, 1}) {
        const char* szPath =
            nLocation == 0 ? "/vendor/etc/velt_conf.ini" : "/system/etc/velt_conf.ini";
        ini.SetValue("Old", "k", "v");
        EXPECT_EQ(TarvoFX::FileExists(szPath), TarvoFX::LoadConfigIni(nLocation, ini));
        if (!TarvoFX::FileExists(szPath)) {
            EXPECT_NE(nullptr, ini.FindSection("Old"));
        }
    }
}

}  // namespace
