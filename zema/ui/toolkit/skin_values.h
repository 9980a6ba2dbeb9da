#pragma once
// Conversions of the skin file's entry texts. Plain functions so that the
// quirks of the format (which stored skins rely on) are tested directly.

#include <windows.h>

#include <string>

namespace zema {

// "<prefix>(r,g,b" where the prefix is 1 to 28 characters other than "(" and
// an apostrophe; each component keeps its low byte; components the text does
// not reach stay 0, so "(1,2,3)" is black. Nothing after blue is read.
COLORREF ParseSkinColor(const std::string& text);

// Leading white space, an optional sign, then digits up to the first other
// character; values beyond 32 bits are clamped; no digits gives 0.
int ParseSkinNumber(const std::string& text);

}  // namespace zema
