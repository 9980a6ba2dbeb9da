// A small window tool for the demo and for looking into a running Zema from
// the command line:
//   wintool list [process-id]          top-level windows, hidden ones included
//   wintool send HWND MSG WPARAM LPARAM
//   wintool post HWND MSG WPARAM LPARAM
//   wintool children HWND              its child windows, listed the same way
//   wintool rect HWND                  a window's screen rectangle: left top right bottom
//   wintool item HWND ID               a control inside a window: its handle,
//                                      whether it is visible, its text
//   wintool click HWND ID [X Y]        clicks that control as the mouse would
//                                      (at X,Y of its client area)
//   wintool raise HWND                 restacks a window at the top of its band
//   wintool stamp-version FILE A.B.C.D  sets a program's version resource
//                                       (how the demo makes a newer release)
// Numbers may be decimal or 0x-prefixed hexadecimal.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct ListFilter {
    DWORD processId;
};

BOOL CALLBACK PrintWindow(HWND hwnd, LPARAM param) {
    const auto* filter = reinterpret_cast<const ListFilter*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (filter->processId && pid != filter->processId) return TRUE;
    char cls[256] = {};
    char title[256] = {};
    ::GetClassNameA(hwnd, cls, sizeof(cls));
    ::GetWindowTextA(hwnd, title, sizeof(title));
    RECT r = {};
    ::GetWindowRect(hwnd, &r);
    // Size and place as X geometry (WxH+X+Y), ready for a screen grab's crop.
    printf("%lu\tpid=%lu\t%s\t%ldx%ld%+ld%+ld\tclass=%s\ttitle=%s\n",
           static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(hwnd)),
           static_cast<unsigned long>(pid), ::IsWindowVisible(hwnd) ? "visible" : "hidden",
           r.right - r.left, r.bottom - r.top, r.left, r.top, cls, title);
    return TRUE;
}

UINT_PTR Number(const char* text) { return static_cast<UINT_PTR>(strtoull(text, nullptr, 0)); }

BOOL CALLBACK FirstLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR param) {
    *reinterpret_cast<WORD*>(param) = language;
    return FALSE;
}

void ReplaceWide(std::vector<BYTE>& data, const std::string& from, const std::string& to) {
    std::vector<BYTE> a;
    std::vector<BYTE> b;
    for (char c : from) a.insert(a.end(), {static_cast<BYTE>(c), 0});
    for (char c : to) b.insert(b.end(), {static_cast<BYTE>(c), 0});
    for (size_t i = 0; i + a.size() <= data.size(); i += 2)
        if (memcmp(&data[i], a.data(), a.size()) == 0) memcpy(&data[i], b.data(), b.size());
}

// Rewrites the version resource in place: the fixed file and product
// versions, and the version texts when the new one has the same length
// (the strings' lengths are part of the resource's layout).
int StampVersion(const char* file, const char* versionText) {
    unsigned v[4] = {};
    char tail = 0;
    if (sscanf(versionText, "%u.%u.%u.%u%c", &v[0], &v[1], &v[2], &v[3], &tail) != 4 ||
        v[0] > 0xFFFF || v[1] > 0xFFFF || v[2] > 0xFFFF || v[3] > 0xFFFF) {
        fprintf(stderr, "wintool: %s is not a version A.B.C.D\n", versionText);
        return 2;
    }
    std::vector<BYTE> data;
    WORD language = 0;
    HMODULE module = ::LoadLibraryExA(file, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module) {
        ::EnumResourceLanguagesA(module, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1), FirstLanguage,
                                 reinterpret_cast<LONG_PTR>(&language));
        HRSRC found = ::FindResourceExA(module, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1), language);
        HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
        const BYTE* bytes = loaded ? static_cast<const BYTE*>(::LockResource(loaded)) : nullptr;
        if (bytes) data.assign(bytes, bytes + ::SizeofResource(module, found));
        ::FreeLibrary(module);
    }
    const DWORD signature = 0xFEEF04BD;
    size_t at = 0;
    while (at + sizeof(VS_FIXEDFILEINFO) <= data.size() && memcmp(&data[at], &signature, 4) != 0)
        at += 4;
    if (at + sizeof(VS_FIXEDFILEINFO) > data.size()) {
        fprintf(stderr, "wintool: %s has no version resource\n", file);
        return 1;
    }
    VS_FIXEDFILEINFO info;
    memcpy(&info, &data[at], sizeof(info));
    char old[64];
    snprintf(old, sizeof(old), "%u.%u.%u.%u", HIWORD(info.dwFileVersionMS),
             LOWORD(info.dwFileVersionMS), HIWORD(info.dwFileVersionLS),
             LOWORD(info.dwFileVersionLS));
    info.dwFileVersionMS = info.dwProductVersionMS = MAKELONG(v[1], v[0]);
    info.dwFileVersionLS = info.dwProductVersionLS = MAKELONG(v[3], v[2]);
    memcpy(&data[at], &info, sizeof(info));
    if (strlen(old) == strlen(versionText)) ReplaceWide(data, old, versionText);

    HANDLE update = ::BeginUpdateResourceA(file, FALSE);
    if (!update ||
        !::UpdateResourceA(update, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1), language, data.data(),
                           static_cast<DWORD>(data.size())) ||
        !::EndUpdateResourceA(update, FALSE)) {
        if (update) ::EndUpdateResourceA(update, TRUE);
        fprintf(stderr, "wintool: could not rewrite the version of %s (%lu)\n", file,
                static_cast<unsigned long>(::GetLastError()));
        return 1;
    }
    return 0;
}

struct ItemSearch {
    int id;
    HWND found;
};

BOOL CALLBACK MatchItem(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<ItemSearch*>(param);
    if (::GetDlgCtrlID(hwnd) != search->id) return TRUE;
    search->found = hwnd;
    return FALSE;
}

// Controls may sit in child dialogs (the notification's pane), so the
// search goes through every descendant.
HWND FindItem(HWND parent, int id) {
    ItemSearch search = {id, nullptr};
    ::EnumChildWindows(parent, &MatchItem, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

int PrintItem(HWND item) {
    char text[512] = {};
    ::SendMessageTimeoutA(item, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                          SMTO_NORMAL, 10000, nullptr);
    printf("%lu\t%s\t%s\t%s\n", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(item)),
           ::IsWindowVisible(item) ? "visible" : "hidden",
           ::IsWindowEnabled(item) ? "enabled" : "disabled", text);
    return 0;
}

// Buttons take BM_CLICK; link-like statics answer a press and release of
// the left button with their click notification.
int ClickItem(HWND item, int x, int y) {
    char cls[64] = {};
    ::GetClassNameA(item, cls, sizeof(cls));
    DWORD_PTR result = 0;
    if (_stricmp(cls, "Button") == 0)
        return ::SendMessageTimeoutA(item, BM_CLICK, 0, 0, SMTO_NORMAL, 10000, &result) ? 0 : 1;
    const LPARAM at = MAKELPARAM(x, y);
    if (!::SendMessageTimeoutA(item, WM_LBUTTONDOWN, MK_LBUTTON, at, SMTO_NORMAL, 10000, &result))
        return 1;
    return ::SendMessageTimeoutA(item, WM_LBUTTONUP, 0, at, SMTO_NORMAL, 10000, &result) ? 0 : 1;
}

int Usage() {
    fprintf(stderr,
            "usage: wintool list [pid] | send|post HWND MSG WPARAM LPARAM |"
            " item HWND ID | click HWND ID [X Y] | raise HWND | children HWND | rect HWND |"
            " stamp-version FILE A.B.C.D\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    if (strcmp(argv[1], "list") == 0) {
        ListFilter filter = {argc > 2 ? static_cast<DWORD>(Number(argv[2])) : 0};
        ::EnumWindows(&PrintWindow, reinterpret_cast<LPARAM>(&filter));
        return 0;
    }
    if ((strcmp(argv[1], "send") == 0 || strcmp(argv[1], "post") == 0) && argc == 6) {
        HWND hwnd = reinterpret_cast<HWND>(Number(argv[2]));
        UINT message = static_cast<UINT>(Number(argv[3]));
        WPARAM wParam = Number(argv[4]);
        LPARAM lParam = static_cast<LPARAM>(Number(argv[5]));
        if (!::IsWindow(hwnd)) {
            fprintf(stderr, "wintool: no such window\n");
            return 1;
        }
        if (argv[1][0] == 's') {
            DWORD_PTR result = 0;
            if (!::SendMessageTimeoutA(hwnd, message, wParam, lParam, SMTO_NORMAL, 10000, &result))
                return 1;
            printf("%llu\n", static_cast<unsigned long long>(result));
            return 0;
        }
        return ::PostMessageA(hwnd, message, wParam, lParam) ? 0 : 1;
    }
    if (strcmp(argv[1], "children") == 0 && argc == 3) {
        ListFilter filter = {0};
        ::EnumChildWindows(reinterpret_cast<HWND>(Number(argv[2])), &PrintWindow,
                           reinterpret_cast<LPARAM>(&filter));
        return 0;
    }
    if (strcmp(argv[1], "rect") == 0 && argc == 3) {
        RECT r = {};
        if (!::GetWindowRect(reinterpret_cast<HWND>(Number(argv[2])), &r)) return 1;
        printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
        return 0;
    }
    const bool item = strcmp(argv[1], "item") == 0 && argc == 4;
    const bool click = strcmp(argv[1], "click") == 0 && (argc == 4 || argc == 6);
    if (item || click) {
        HWND parent = reinterpret_cast<HWND>(Number(argv[2]));
        HWND control = ::IsWindow(parent) ? FindItem(parent, static_cast<int>(Number(argv[3])))
                                          : nullptr;
        if (!control) {
            fprintf(stderr, "wintool: no such control\n");
            return 1;
        }
        if (item) return PrintItem(control);
        return argc == 6 ? ClickItem(control, static_cast<int>(Number(argv[4])),
                                     static_cast<int>(Number(argv[5])))
                         : ClickItem(control, 2, 2);
    }
    if (strcmp(argv[1], "raise") == 0 && argc == 3) {
        HWND hwnd = reinterpret_cast<HWND>(Number(argv[2]));
        const bool topmost = (::GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        return ::SetWindowPos(hwnd, topmost ? HWND_TOPMOST : HWND_TOP, 0, 0, 0, 0,
                              SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE)
                   ? 0
                   : 1;
    }
    if (strcmp(argv[1], "stamp-version") == 0 && argc == 4) return StampVersion(argv[2], argv[3]);
    return Usage();
}
