#include "netclient/text_util.h"

#include <algorithm>
#include <cctype>

namespace netclient {

std::string ToLower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(tolower(c)); });
    return text;
}

std::string TrimBlanks(const std::string& text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string TrimLeft(const std::string& text) {
    size_t first = text.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first);
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (tolower(static_cast<unsigned char>(text[i])) !=
            tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

bool ParseUnsigned(const std::string& text, unsigned long long& value) {
    size_t pos = text.find_first_not_of(" \t");
    if (pos == std::string::npos || !isdigit(static_cast<unsigned char>(text[pos]))) return false;
    unsigned long long result = 0;
    for (; pos < text.size() && isdigit(static_cast<unsigned char>(text[pos])); ++pos) {
        unsigned digit = static_cast<unsigned>(text[pos] - '0');
        if (result > (~0ULL - digit) / 10) return false;
        result = result * 10 + digit;
    }
    value = result;
    return true;
}

}  // namespace netclient
