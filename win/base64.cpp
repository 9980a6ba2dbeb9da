#include "win/base64.h"

#include <cstring>

namespace win {
namespace {

constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(char c) {
    const char* p = c ? strchr(kBase64Alphabet, c) : nullptr;
    return p ? static_cast<int>(p - kBase64Alphabet) : -1;
}

}  // namespace

std::string Base64Encode(const uint8_t* data, size_t length) {
    std::string out;
    out.reserve((length + 2) / 3 * 4);
    for (size_t i = 0; i < length; i += 3) {
        uint32_t group = static_cast<uint32_t>(data[i]) << 16;
        if (i + 1 < length) group |= static_cast<uint32_t>(data[i + 1]) << 8;
        if (i + 2 < length) group |= data[i + 2];
        out += kBase64Alphabet[(group >> 18) & 63];
        out += kBase64Alphabet[(group >> 12) & 63];
        out += i + 1 < length ? kBase64Alphabet[(group >> 6) & 63] : '=';
        out += i + 2 < length ? kBase64Alphabet[group & 63] : '=';
    }
    return out;
}

std::vector<uint8_t> Base64Decode(const std::string& text) {
    size_t pos = text.find_first_not_of(" \t");
    std::vector<uint8_t> out;
    if (pos == std::string::npos) return out;
    uint32_t group = 0;
    int count = 0;
    for (; pos < text.size(); ++pos) {
        int value = Base64Value(text[pos]);
        if (value < 0) break;  // "=" padding ends the data as well
        group = (group << 6) | static_cast<uint32_t>(value);
        if (++count == 4) {
            out.push_back(static_cast<uint8_t>(group >> 16));
            out.push_back(static_cast<uint8_t>(group >> 8));
            out.push_back(static_cast<uint8_t>(group));
            group = 0;
            count = 0;
        }
    }
    // A short last group (before "=" padding): 2 characters make one byte, 3 make two.
    if (count == 2) {
        out.push_back(static_cast<uint8_t>(group >> 4));
    } else if (count == 3) {
        out.push_back(static_cast<uint8_t>(group >> 10));
        out.push_back(static_cast<uint8_t>(group >> 2));
    }
    return out;
}

}  // namespace win
