#pragma once
// Short, CTest-safe labels for parameterised cases (test names must not
// carry line breaks or blanks).

#include <cctype>
#include <string>

namespace netclient_tests {

inline std::string CaseLabel(const std::string& text, size_t maxLength = 40) {
    std::string label;
    for (char c : text) {
        if (label.size() >= maxLength) break;
        label += isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return label.empty() ? "empty" : label;
}

}  // namespace netclient_tests
