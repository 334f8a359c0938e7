// A fresh directory under TMPDIR (or /tmp), removed with its files at the end.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include <ftw.h>

namespace TestSupport {

class TempDir {
public:
    TempDir() {
        const char* szBase = getenv("TMPDIR");
        std::string strTemplate =
            std::string(szBase != nullptr ? szBase : "/tmp") + "/veltra.XXXXXX";
        if (mkdtemp(&strTemplate[0]) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        m_strPath = strTemplate;
    }
    ~TempDir() {
        nftw(
            m_strPath.c_str(),
            [](const char* szPath, const struct stat*, int, struct FTW*) { return remove(szPath); },
            16, FTW_DEPTH | FTW_PHYS);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string Path(const std::string& strName) const { return m_strPath + "/" + strName; }

    static std::string ReadFile(const std::string& strPath) {
        std::ifstream stream(strPath, std::ios::binary);
        std::ostringstream text;
        text << stream.rdbuf();
        return text.str();
    }
    static void WriteFile(const std::string& strPath, const std::string& strText) {
        std::ofstream stream(strPath, std::ios::binary);
        stream << strText;
    }

private:
    std::string m_strPath;
};

}  // namespace TestSupport
