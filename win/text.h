#pragma once
// Text is 8-bit in the ANSI code page inside the programs; these are the one
// pair of conversions to and from the wide strings that COM carries.

#include <windows.h>

#include <string>

#include "win/com.h"

namespace win {

std::wstring AnsiToWide(const std::string& text);
std::string WideToAnsi(const wchar_t* text, int length = -1);
inline std::string WideToAnsi(const std::wstring& text) {
    return WideToAnsi(text.c_str(), static_cast<int>(text.size()));
}

// A new BSTR holding the text; the caller owns it.
Bstr ToBstr(const std::string& text);
// The BSTR's text (a null BSTR is an empty text).
std::string FromBstr(BSTR text);

}  // namespace win
