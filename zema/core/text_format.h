#pragma once
// Numbers into texts that come from the skin file. The skin is outside data,
// so its texts are never handed to printf as formats.

#include <initializer_list>
#include <string>

namespace zema {

// Replaces each "%d" (also "%i" and "%u") with the next number and "%%" with
// "%"; any other directive, and a "%d" without a number left, stays as text.
std::string FormatNumbers(const std::string& format, std::initializer_list<long long> numbers);

}  // namespace zema
