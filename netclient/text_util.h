#pragma once
// Small text helpers of the protocol parsers.

#include <string>

namespace netclient {

std::string ToLower(std::string text);
// Without leading and trailing blanks and tabs.
std::string TrimBlanks(const std::string& text);
std::string TrimLeft(const std::string& text);
bool StartsWithNoCase(const std::string& text, const std::string& prefix);
// Reads an unsigned decimal number at the start of `text` (after blanks);
// false when there is no digit or the value does not fit in 64 bits.
bool ParseUnsigned(const std::string& text, unsigned long long& value);

}  // namespace netclient
