#pragma once
// Base64 (standard alphabet, "=" padding, no line breaks), shared by the
// stored passwords and the network clients' authorization headers.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace win {

std::string Base64Encode(const uint8_t* data, size_t length);
// Skips leading blanks and tabs and stops at the first character outside the
// alphabet.
std::vector<uint8_t> Base64Decode(const std::string& text);

}  // namespace win
