#pragma once
// Typed access to one INI file through the profile-string functions.

#include <windows.h>

#include <cstdint>
#include <string>

namespace win {

class IniFile {
public:
    IniFile() = default;
    explicit IniFile(std::string path) : path_(std::move(path)) {}

    const std::string& Path() const { return path_; }

    // A missing key, or one whose text does not start with a decimal number
    // (after optional blanks and a sign), yields the default.
    int ReadInt(const char* section, const char* key, int defaultValue) const;
    int64_t ReadInt64(const char* section, const char* key, int64_t defaultValue,
                      DWORD bufferSize) const;
    // `bufferSize` counts the terminating zero, as the profile functions do.
    std::string ReadString(const char* section, const char* key, DWORD bufferSize,
                           const char* defaultValue = "") const;

    bool WriteInt(const char* section, const char* key, int value) const;
    bool WriteInt64(const char* section, const char* key, int64_t value) const;
    bool WriteString(const char* section, const char* key, const std::string& value) const;

private:
    std::string path_;
};

// Parses the leading decimal integer of a text; false when there is none.
bool ParseLeadingInt64(const std::string& text, int64_t& value);

}  // namespace win
