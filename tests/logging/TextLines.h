// The lines of a text, without their line ends.
#pragma once

#include <sstream>
#include <string>
#include <vector>

namespace TestSupport {

inline std::vector<std::string> Lines(const std::string& strText) {
    std::vector<std::string> vecLines;
    std::istringstream stream(strText);
    for (std::string strLine; std::getline(stream, strLine);) {
        vecLines.push_back(strLine);
    }
    return vecLines;
}

}  // namespace TestSupport
