// Parses arbitrary text as an ini document and checks that what Save would
// write parses back to the same document, and that merging the same text again
// changes nothing.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Utils/CIniFile.h"
#include "logging/TarvoLog.h"
#include "logging/TarvoLogImpl.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Error records of the typed reads would only slow the run down. Output
    // changes are accepted once the log has read its configuration.
    TarvoFX::TarvoLog::Instance().m_pImpl->WaitForInit(std::chrono::seconds(10));
    TarvoFX::TarvoLog::Instance().SetLogOutput("ANDROID_LOG", false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    const std::string strText(reinterpret_cast<const char*>(pData), nSize);
    TarvoFX::CIniFile ini;
    ini.LoadFromString(strText, false);

    for (const auto& section : ini.GetSections()) {
        for (const auto& key : section.second->GetKeys()) {
            int nValue = 0;
            bool bValue = false;
            ini.LoadIntVal(section.first, key.first, &nValue);
            ini.LoadHexVal(section.first, key.first, &nValue);
            ini.LoadBoolVal(section.first, key.first, "True", "False", false, &bValue);
        }
    }

    const std::string strSaved = ini.ToString();
    TarvoFX::CIniFile reloaded;
    reloaded.LoadFromString(strSaved, false);
    if (reloaded.ToString() != strSaved) {
        std::abort();
    }
    ini.LoadFromString(strText, true);
    if (ini.ToString() != strSaved) {
        std::abort();
    }
    return 0;
}
