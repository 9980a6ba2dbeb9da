#include "win/ini_file.h"

#include <cinttypes>
#include <climits>
#include <cstdio>
#include <vector>

namespace win {
namespace {

// Integers never need more than this, whatever the caller's buffer.
constexpr DWORD kIntBuffer = 64;

}  // namespace

bool ParseLeadingInt64(const std::string& text, int64_t& value) {
    size_t pos = text.find_first_not_of(" \t");
    if (pos == std::string::npos) return false;
    bool negative = false;
    if (text[pos] == '-' || text[pos] == '+') {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos >= text.size() || text[pos] < '0' || text[pos] > '9') return false;
    uint64_t magnitude = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        uint64_t digit = static_cast<uint64_t>(text[pos] - '0');
        if (magnitude > (static_cast<uint64_t>(INT64_MAX) - digit) / 10) {
            magnitude = static_cast<uint64_t>(INT64_MAX);  // saturate rather than wrap
            break;
        }
        magnitude = magnitude * 10 + digit;
    }
    value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    return true;
}

int IniFile::ReadInt(const char* section, const char* key, int defaultValue) const {
    int64_t value = 0;
    if (!ParseLeadingInt64(ReadString(section, key, kIntBuffer), value)) return defaultValue;
    // The profile reader keeps the low 32 bits of larger numbers.
    return static_cast<int>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}

int64_t IniFile::ReadInt64(const char* section, const char* key, int64_t defaultValue,
                           DWORD bufferSize) const {
    int64_t value = 0;
    if (!ParseLeadingInt64(ReadString(section, key, bufferSize), value)) return defaultValue;
    return value;
}

std::string IniFile::ReadString(const char* section, const char* key, DWORD bufferSize,
                                const char* defaultValue) const {
    if (bufferSize == 0) return std::string();
    std::vector<char> buffer(bufferSize, '\0');
    DWORD n = ::GetPrivateProfileStringA(section, key, defaultValue, buffer.data(), bufferSize,
                                         path_.c_str());
    if (n >= bufferSize) n = bufferSize - 1;
    return std::string(buffer.data(), n);
}

bool IniFile::WriteInt(const char* section, const char* key, int value) const {
    char text[kIntBuffer];
    snprintf(text, sizeof(text), "%d", value);
    return WriteString(section, key, text);
}

bool IniFile::WriteInt64(const char* section, const char* key, int64_t value) const {
    char text[kIntBuffer];
    snprintf(text, sizeof(text), "%" PRId64, value);
    return WriteString(section, key, text);
}

bool IniFile::WriteString(const char* section, const char* key, const std::string& value) const {
    return ::WritePrivateProfileStringA(section, key, value.c_str(), path_.c_str()) != FALSE;
}

}  // namespace win
