// The two libraries export exactly their deliberate names.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

// Names of the defined dynamic symbols of a shared object, as nm prints them;
// with bDemangle, C++ names are demangled and cut before their argument list.
std::set<std::string> ExportedNames(const std::string& strLibrary, bool bDemangle) {
    std::string strCommand = "nm -D --defined-only --format=posix ";
    if (bDemangle) {
        strCommand += "-C ";
    }
    strCommand += "'" + strLibrary + "'";
    std::set<std::string> names;
    FILE* pPipe = popen(strCommand.c_str(), "r");
    if (pPipe == nullptr) {
        ADD_FAILURE() << "cannot run " << strCommand;
        return names;
    }
    char szLine[4096];
    while (std::fgets(szLine, sizeof(szLine), pPipe) != nullptr) {
        std::string strLine(szLine);
        // posix format: "<name> <type> <value> <size>"; demangled names contain
        // spaces, so cut at the type letter that follows the name.
        size_t nEnd = strLine.find_last_of(' ', strLine.find_last_of(' ', strLine.size() - 2) - 1);
        std::string strName = strLine.substr(0, strLine.rfind(' ', nEnd - 1));
        if (bDemangle) {
            strName = strName.substr(0, strName.find('('));
            // libstdc++ tags names whose type is its std::string; libc++ has
            // no such tag. The names are the same in every build.
            const std::string strTag = "[abi:cxx11]";
            size_t nTag = strName.find(strTag);
            if (nTag != std::string::npos) {
                strName.erase(nTag, strTag.size());
            }
        }
        names.insert(strName);
    }
    EXPECT_EQ(0, pclose(pPipe)) << strCommand;
    return names;
}

TEST(ExportedSymbolsTest, ShimExportsItsSevenNamesUnmangled) {
    std::set<std::string> expected = {"Create",
                                      "Command",
                                      "InitCheck",
                                      "SetEnabled",
                                      "ReleaseEffect",
                                      "g_mapHandleToAudioEffect",
                                      "g_mapHandleToAudioEffectCallback"};
    EXPECT_EQ(expected, ExportedNames(VELTRA_SHIM_PATH, false));
}

TEST(ExportedSymbolsTest, MainLibraryExportsFactoryLoaderAndTables) {
    std::set<std::string> expected = {
        "TarvoFX::VeltraEffectFactory::CreateVeltraEffect",
        "TarvoFX::VeltraEffectFactory::GetFxShimWrapper",
        "TarvoFX::VeltraEffectFactory::s_effectUUIDOutput",
        "TarvoFX::VeltraEffectFactory::s_effectUUIDInput",
        "TarvoFX::VeltraEffectFactory::s_nInvalidIO",
        "TarvoFX::VeltraEffectFactory::s_cszVeltra3",
        "TarvoFX::VeltraEffectFactory::s_cszKorimo2",
        "TarvoFX::VeltraEffectFactory::s_cszNimbra3Proxy",
        "TarvoFX::FxShimWrapper::FX_SHIM_OREO_LIB",
        "TarvoFX::FxShimWrapper::FX_SHIM_NOUGAT_LIB",
        "TarvoFX::FxShimWrapper::FX_SHIM_MARSHMALLOW_LIB",
        "TarvoFX::FxShimWrapper::FX_SHIM_LOLLIPOP_LIB",
        "TarvoFX::TarvoLog::s_caszTarvoLogTags",
        "TarvoFX::TarvoLog::s_cszSectionTarvoLogAllTag",
        "TarvoFX::TarvoLog::s_cszSectionTarvoLogTag",
        "TarvoFX::TarvoLog::s_cszSectionTarvoLogOutput",
        "TarvoFX::TarvoLogImpl::s_caszLogOutputNames",
        // The string-utility constants (std::string).
        "TarvoFX::StringUtils::s_cstrDefaultTrim",
        "TarvoFX::StringUtils::s_cstrPathSeparators",
    };
    EXPECT_EQ(expected, ExportedNames(VELTRA_API_PATH, true));
}

}  // namespace
