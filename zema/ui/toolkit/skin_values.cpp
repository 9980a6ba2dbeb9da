#include "zema/ui/toolkit/skin_values.h"

#include <climits>
#include <cstdint>

namespace zema {
namespace {

// The longest colour-name prefix that the format reads.
constexpr size_t kMaxColorPrefix = 28;

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// One decimal integer at `pos` with leading white space and a sign, as a
// scanf "%d" reads it; false when there are no digits. Saturates instead of
// overflowing.
bool ReadInteger(const std::string& text, size_t& pos, int64_t& value) {
    while (pos < text.size() && IsSpace(text[pos])) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos >= text.size() || !IsDigit(text[pos])) return false;
    int64_t magnitude = 0;
    for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
        if (magnitude <= INT64_C(0x100000000)) magnitude = magnitude * 10 + (text[pos] - '0');
    }
    value = negative ? -magnitude : magnitude;
    return true;
}

}  // namespace

COLORREF ParseSkinColor(const std::string& text) {
    size_t pos = 0;
    while (pos < text.size() && text[pos] != '(' && text[pos] != '\'') ++pos;
    if (pos == 0 || pos > kMaxColorPrefix) return 0;
    if (pos >= text.size() || text[pos] != '(') return 0;
    ++pos;
    BYTE channels[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != ',') break;
            ++pos;
        }
        int64_t value = 0;
        if (!ReadInteger(text, pos, value)) break;
        channels[i] = static_cast<BYTE>(static_cast<uint64_t>(value) & 0xFF);
    }
    return RGB(channels[0], channels[1], channels[2]);
}

int ParseSkinNumber(const std::string& text) {
    size_t pos = 0;
    int64_t value = 0;
    if (!ReadInteger(text, pos, value)) return 0;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

}  // namespace zema
