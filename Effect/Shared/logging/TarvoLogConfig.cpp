// The configuration loader of TarvoLogImpl: reads the logging configuration
// file once, on a thread of its own, and applies it through SetLogLevel and
// SetLogOutput.
#include <cstdio>
#include <locale>
#include <sstream>
#include <system_error>
#include <vector>

#include "Utils/StringUtils.h"
#include "logging/TarvoLog.h"
#include "logging/TarvoLogImpl.h"

namespace TarvoFX {

namespace {

// Used when no configuration file can be read.
const char* const s_cszDefaultConfigText = "";

const char* const s_cszLeadingBlanks = " \t";
const char* const s_cszTrailingBlanks = " \t\r\n";

// Reads a decimal int the way a formatted stream does: leading white space,
// an optional sign, then digits up to the first character that cannot belong
// to the number. Fails without digits or when the value does not fit.
bool ReadConfigInt(const std::string& strValue, int* pnValue) {
    std::istringstream stream(strValue);
    stream.imbue(std::locale::classic());
    int nValue = 0;
    if (!(stream >> nValue)) {
        return false;
    }
    *pnValue = nValue;
    return true;
}

}  // namespace

void TarvoLogImpl::StartLoader() {
    try {
        m_loaderThread = std::thread(&TarvoLogImpl::RunLoader, this);
    } catch (const std::system_error& error) {
        throw std::system_error(error.code(), "thread constructor failed");
    }
}

void TarvoLogImpl::ReleaseLoader(LoaderGate nGate) {
    std::lock_guard<std::mutex> lock(m_loaderMutex);
    m_nLoaderGate = nGate;
    m_loaderCondition.notify_all();
}

void TarvoLogImpl::RunLoader() {
    {
        std::unique_lock<std::mutex> lock(m_loaderMutex);
        m_loaderCondition.wait(lock, [this] { return m_nLoaderGate != LOADER_WAIT; });
        if (m_nLoaderGate == LOADER_CANCEL) {
            return;
        }
    }
    LoadIni();
    std::lock_guard<std::mutex> lock(m_loaderMutex);
    m_bInitDone.store(true, std::memory_order_relaxed);
    m_loaderCondition.notify_all();
}

bool TarvoLogImpl::WaitForInit(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(m_loaderMutex);
    return m_loaderCondition.wait_for(
        lock, timeout, [this] { return m_bInitDone.load(std::memory_order_relaxed); });
}

// Runs on the loader thread while the process-wide object may still be under
// construction, so its own records go straight to the platform-log output.
void TarvoLogImpl::LoadIni() {
    for (const char* szPath : s_caszConfigFilePaths) {
        if (ReadConfigFile(szPath)) {
            if (m_pOwner->GetTagLevel(TARVO_LOG_TAG_FXMODULE) == LOG_LEVEL_VERBOSE) {
                LogDirect(LOG_LEVEL_VERBOSE, TARVO_LOG_FXMODULE_TAG,
                          std::string("TarvoLog::TarvoLog LoadIni succeed from ") + szPath);
            }
            return;
        }
    }
    ParseConfigText(s_cszDefaultConfigText);
    if (m_pOwner->GetTagLevel(TARVO_LOG_TAG_FXMODULE) == LOG_LEVEL_VERBOSE) {
        LogDirect(LOG_LEVEL_VERBOSE, TARVO_LOG_FXMODULE_TAG,
                  "TarvoLog::TarvoLog LoadIni from memory");
    }
}

// Reads to the end rather than trusting a size taken up front, so a file
// that is not a regular file (a folder, a device) cannot make us allocate
// or read garbage; a read error counts as a file that cannot be read.
bool TarvoLogImpl::ReadConfigFile(const char* szPath) {
    FILE* pFile = std::fopen(szPath, "rb");
    if (pFile == nullptr) {
        return false;
    }
    std::string strContent;
    std::vector<char> buffer(4096);
    size_t nRead = 0;
    while ((nRead = std::fread(buffer.data(), 1, buffer.size(), pFile)) > 0) {
        strContent.append(buffer.data(), nRead);
    }
    const bool bFailed = std::ferror(pFile) != 0;
    std::fclose(pFile);
    if (bFailed) {
        return false;
    }
    // The text ends at the first zero byte.
    ParseConfigText(strContent.c_str());
    return true;
}

void TarvoLogImpl::ParseConfigText(const std::string& strText) {
    enum { SECTION_NONE, SECTION_TAGS, SECTION_OUTPUTS } nSection = SECTION_NONE;
    for (std::string strLine : StringUtils::Split(strText, '\n')) {
        StringUtils::TrimLeft(strLine, s_cszLeadingBlanks);
        StringUtils::TrimRight(strLine, s_cszTrailingBlanks);
        if (strLine.empty() || strLine[0] == '#' || strLine[0] == ';') {
            continue;
        }
        if (strLine.size() >= 2 && strLine.front() == '[' && strLine.back() == ']') {
            const std::string strName = strLine.substr(1, strLine.size() - 2);
            if (strName == TarvoLog::s_cszSectionTarvoLogTag) {
                nSection = SECTION_TAGS;
            } else if (strName == TarvoLog::s_cszSectionTarvoLogOutput) {
                nSection = SECTION_OUTPUTS;
            } else {
                nSection = SECTION_NONE;
            }
            continue;
        }
        if (nSection == SECTION_NONE) {
            continue;
        }
        const size_t nEquals = strLine.find('=');
        const std::string strKey =
            nEquals == std::string::npos ? strLine : strLine.substr(0, nEquals);
        const std::string strValue =
            nEquals == std::string::npos ? strLine : strLine.substr(nEquals + 1);
        ApplyConfigValue(strLine, strKey, strValue, nSection == SECTION_TAGS);
    }
}

void TarvoLogImpl::ApplyConfigValue(const std::string& strLine, const std::string& strKey,
                                    const std::string& strValue, bool bTagSection) {
    int nValue = 0;
    if (!ReadConfigInt(strValue, &nValue)) {
        Warn("TarvoLogImpl::LoadFromIniFile invalid argument " + strLine);
        return;
    }
    if (bTagSection) {
        SetLogLevel(strKey.c_str(), nValue, true);
    } else {
        SetLogOutput(strKey.c_str(), nValue == 1, true);
    }
}

}  // namespace TarvoFX
