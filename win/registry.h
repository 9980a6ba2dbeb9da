#pragma once
// Typed reads of registry values (ANSI), shared by every deliverable.

#include <windows.h>

#include <string>
#include <vector>

namespace win {

// A REG_SZ or REG_EXPAND_SZ value read into a buffer of `maxBytes` (its
// terminating zero included); empty when missing, of another type or longer.
inline std::string QueryRegString(HKEY key, const char* name, DWORD maxBytes) {
    std::vector<char> buffer(maxBytes + 1, '\0');
    DWORD type = 0;
    DWORD size = maxBytes;
    if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                           &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::string();
    return std::string(buffer.data());
}

// False when the value is missing or not a REG_DWORD.
inline bool QueryRegDword(HKEY key, const char* name, DWORD& value) {
    DWORD type = 0;
    DWORD size = sizeof(value);
    return ::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                              &size) == ERROR_SUCCESS &&
           type == REG_DWORD;
}

}  // namespace win
