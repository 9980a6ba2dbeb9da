#pragma once
// Path text shared by every deliverable.

#include <string>

namespace win {

// The path without trailing "\" and "/" characters, so "C:\a\" and "C:\a"
// name the same folder.
inline std::string StripTrailingSeparators(std::string path) {
    while (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
    return path;
}

}  // namespace win
