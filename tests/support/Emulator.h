// Programs of this build that a test starts (the tools; the test program
// itself for a death test in a fresh process) cannot run directly in a cross
// build: they are started through the emulator that CTest also uses.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace TestSupport {

// The words to put in front of a program of this build: the emulator and its
// options in a cross build, none otherwise.
inline std::vector<std::string> EmulatorCommand() {
    std::vector<std::string> vecWords;
#ifdef VELTRA_TEST_EMULATOR
    const std::string strWords = VELTRA_TEST_EMULATOR;  // separated by '|'
    size_t nStart = 0;
    for (size_t nEnd = strWords.find('|'); nEnd != std::string::npos;
         nStart = nEnd + 1, nEnd = strWords.find('|', nStart)) {
        vecWords.push_back(strWords.substr(nStart, nEnd - nStart));
    }
    vecWords.push_back(strWords.substr(nStart));
#endif
    return vecWords;
}

inline bool RunsUnderEmulator() {
    return !EmulatorCommand().empty();
}

// A "threadsafe" death test starts the test program anew for its child:
// through the emulator in a cross build.
inline void StartDeathTestChildrenThroughEmulator() {
    std::vector<std::string> vecArgs = EmulatorCommand();
    if (vecArgs.empty()) {
        return;
    }
    const std::vector<std::string> vecOwn = ::testing::internal::GetArgvs();
    vecArgs.insert(vecArgs.end(), vecOwn.begin(), vecOwn.end());
    ::testing::internal::SetInjectableArgvs(vecArgs);
}

}  // namespace TestSupport
