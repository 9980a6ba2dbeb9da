// A small window tool for the demo and for looking into a running Zema from
// the command line:
//   wintool list [process-id]          top-level windows, hidden ones included
//   wintool send HWND MSG WPARAM LPARAM
//   wintool post HWND MSG WPARAM LPARAM
// Numbers may be decimal or 0x-prefixed hexadecimal.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

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
    printf("%lu\tpid=%lu\t%s\t%ldx%ld\tclass=%s\ttitle=%s\n",
           static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(hwnd)),
           static_cast<unsigned long>(pid), ::IsWindowVisible(hwnd) ? "visible" : "hidden",
           r.right - r.left, r.bottom - r.top, cls, title);
    return TRUE;
}

UINT_PTR Number(const char* text) { return static_cast<UINT_PTR>(strtoull(text, nullptr, 0)); }

int Usage() {
    fprintf(stderr, "usage: wintool list [pid] | send|post HWND MSG WPARAM LPARAM\n");
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
    return Usage();
}
