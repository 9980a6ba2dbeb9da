// Zema's start-up time: from starting the process to its first visible
// top-level window, on the real product laid out in a temporary installation
// (the engine and the downloader registered). Several rounds; the first is
// shown apart since it also pays for loading the libraries from disk.
//   startup_bench.exe [ROUNDS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tests/support/product_installation.h"
#include "win/com.h"
#include "zema/core/messages.h"

namespace {

using namespace testing_support;

constexpr DWORD kTimeoutMs = 30000;

struct VisibleWindow {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindVisible(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<VisibleWindow*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hwnd, &owner);
    if (owner != search->processId || !::IsWindowVisible(hwnd)) return TRUE;
    search->found = hwnd;
    return FALSE;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Seconds to a visible window, or a negative number when none came.
double OneStart(const ProductInstallation& product) {
    const std::string ini = product.ConfigIni();
    ::WritePrivateProfileStringA("General", "WindowHandle", "0", ini.c_str());
    LARGE_INTEGER start, shown;
    ::QueryPerformanceCounter(&start);
    ChildProcess zema;
    if (!zema.Start(BinaryFolder() + "\\Zema.exe", "", product.InstallFolder())) return -1;
    VisibleWindow search = {zema.Id(), nullptr};
    const DWORD began = ::GetTickCount();
    while (!search.found && zema.Running() && ::GetTickCount() - began < kTimeoutMs) {
        ::EnumWindows(&FindVisible, reinterpret_cast<LPARAM>(&search));
        if (!search.found) ::Sleep(1);
    }
    ::QueryPerformanceCounter(&shown);
    // Ends it the way its menu does, once it has published its window.
    HWND manager = nullptr;
    while (zema.Running() && ::GetTickCount() - began < 2 * kTimeoutMs &&
           !(manager = reinterpret_cast<HWND>(static_cast<INT_PTR>(
                 ::GetPrivateProfileIntA("General", "WindowHandle", 0, ini.c_str())))))
        ::Sleep(10);
    if (manager) ::PostMessageA(manager, WM_COMMAND, zema::kCmdExit, 0);
    if (zema.Wait(kTimeoutMs) == kStillRunning) zema.Kill();
    return search.found ? Seconds(start, shown) : -1;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    win::ComInit com;
    ProductInstallation product;
    if (!product.Ready()) {
        fprintf(stderr, "startup_bench: the product could not be laid out\n");
        return 1;
    }
    // No scan results to act on, no updater started during the rounds.
    ::WritePrivateProfileStringA("General", "VulnFoundAction", "0", product.ConfigIni().c_str());
    ::WritePrivateProfileStringA("General", "AutoCheckNewVersion", "0",
                                 product.ConfigIni().c_str());
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        const double seconds = OneStart(product);
        if (seconds < 0) {
            printf("no visible window within %lu s\n", kTimeoutMs / 1000);
            return 2;
        }
        times.push_back(seconds * 1000.0);
    }
    printf("first start: %.0f ms\n", times.front());
    if (times.size() > 1) {
        std::vector<double> warm(times.begin() + 1, times.end());
        std::sort(warm.begin(), warm.end());
        printf("later starts, fastest of %zu: %.0f ms\n", warm.size(), warm.front());
        printf("later starts, median of %zu: %.0f ms\n", warm.size(), warm[warm.size() / 2]);
    }
    return 0;
}
