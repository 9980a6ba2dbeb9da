#include "win/text.h"

namespace win {

std::wstring AnsiToWide(const std::string& text) {
    if (text.empty()) return std::wstring();
    int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                  nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

std::string WideToAnsi(const wchar_t* text, int length) {
    if (!text) return std::string();
    if (length < 0) length = static_cast<int>(wcslen(text));
    if (length == 0) return std::string();
    int n = ::WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text, length, &out[0], n, nullptr, nullptr);
    return out;
}

Bstr ToBstr(const std::string& text) {
    std::wstring wide = AnsiToWide(text);
    return Bstr::Attach(::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size())));
}

std::string FromBstr(BSTR text) {
    return WideToAnsi(text, text ? static_cast<int>(::SysStringLen(text)) : 0);
}

}  // namespace win
