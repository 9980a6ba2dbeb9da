// Stands in for ZEMA.exe in the self-updater's tests: appends its command
// line to "<its own path>.args.txt", publishes its window as WindowHandle in
// the config.ini beside it, and runs until that window is destroyed.

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    char path[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return 1;
    std::string self(path);
    std::string folder = self.substr(0, self.find_last_of('\\'));
    std::string config = folder + "\\config.ini";

    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.lpszClassName = "ZemaguardFakeManagerWindow";
    ::RegisterClassA(&wc);
    HWND window = ::CreateWindowA(wc.lpszClassName, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                  nullptr, instance, nullptr);
    if (!window) return 1;
    char handle[32];
    snprintf(handle, sizeof(handle), "%llu",
             static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)));
    ::WritePrivateProfileStringA("General", "WindowHandle", handle, config.c_str());
    // The command line last: a test that sees it may rely on the handle.
    FILE* f = fopen((self + ".args.txt").c_str(), "ab");
    if (f) {
        fprintf(f, "%s\n", ::GetCommandLineA());
        fclose(f);
    }
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    ::WritePrivateProfileStringA("General", "WindowHandle", "0", config.c_str());
    return 0;
}
