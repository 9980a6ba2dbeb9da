#include "zema/core/about_box.h"

#include <string>

#include "zema/core/settings_store.h"
#include "zema/core/system_utils.h"
#include "zema/resource.h"

namespace zema {
namespace {

constexpr char kProductTitle[] = "Zemaguard";

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        const auto* settings = reinterpret_cast<const SettingsStore*>(lParam);
        uint32_t updated = settings->UpdateEndTime();
        std::string updatedText =
            updated ? FormatTime(static_cast<int32_t>(updated)) : std::string();
        ::SetDlgItemTextA(dialog, IDC_ABOUT_TITLE, kProductTitle);
        ::SetDlgItemTextA(dialog, IDC_ABOUT_VERSION, settings->ProductVersion().c_str());
        ::SetDlgItemTextA(dialog, IDC_ABOUT_INSTALLDATE, settings->InstallDate().c_str());
        ::SetDlgItemTextA(dialog, IDC_ABOUT_UPDATED, updatedText.c_str());
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            ::EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

}  // namespace

void ShowAboutBox(HWND owner, const SettingsStore& settings) {
    ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUTBOX), owner,
                      &AboutProc, reinterpret_cast<LPARAM>(&settings));
}

}  // namespace zema
