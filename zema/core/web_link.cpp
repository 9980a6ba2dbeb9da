#include "zema/core/web_link.h"

#include <cctype>
#include <cstring>

namespace zema {
namespace {

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    const size_t length = std::strlen(prefix);
    if (text.size() < length) return false;
    for (size_t i = 0; i < length; ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

}  // namespace

bool IsWebLink(const std::string& address) {
    for (char c : address) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) return false;
    }
    size_t hostStart;
    if (StartsWithNoCase(address, "http://")) hostStart = 7;
    else if (StartsWithNoCase(address, "https://")) hostStart = 8;
    else return false;
    return hostStart < address.size() && address[hostStart] != '/' && address[hostStart] != '\\';
}

}  // namespace zema
