#include "zema/core/system_utils.h"

#include <cmath>
#include <cstdio>
#include <ctime>

#include "win/base64.h"
#include "win/unique_handle.h"

namespace zema {
namespace {

constexpr ULONG kTimeOfDayInformation = 3;
constexpr size_t kTimeOfDayBufferSize = 32;

// Half-up rounding to a number of decimals, so that printf's own rounding of
// the exact binary value does not decide the last digit.
double RoundHalfUp(double value, int decimals) {
    double scale = std::pow(10.0, decimals);
    return std::floor(value * scale + 0.5) / scale;
}

}  // namespace

int64_t QueryBootTime() {
    using QueryFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    if (!ntdll) return 0;
    auto query = reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtQuerySystemInformation")));
    if (!query) return 0;
    unsigned char buffer[kTimeOfDayBufferSize] = {};
    ULONG returned = 0;
    if (query(kTimeOfDayInformation, buffer, sizeof(buffer), &returned) < 0) return 0;
    int64_t bootTime = 0;
    memcpy(&bootTime, buffer, sizeof(bootTime));
    return bootTime;
}

std::string Base64Encode(const uint8_t* data, size_t length) {
    return win::Base64Encode(data, length);
}

std::vector<uint8_t> Base64Decode(const std::string& text) { return win::Base64Decode(text); }

std::string FormatSize(int32_t bytes) {
    char text[64];
    if (bytes < 1000) {
        snprintf(text, sizeof(text), "%d", bytes);
    } else if (bytes < 10240) {
        snprintf(text, sizeof(text), "%.2f KB", bytes / 1024.0);
    } else if (bytes < 1024000) {
        snprintf(text, sizeof(text), "%.1f KB", RoundHalfUp(bytes / 1024.0, 1));
    } else {
        snprintf(text, sizeof(text), "%.2f MB", RoundHalfUp(bytes / 1048576.0, 2));
    }
    return text;
}

std::string FormatTime(int32_t secondsSince1970) {
    time_t seconds = secondsSince1970;
    struct tm local = {};
    if (localtime_s(&local, &seconds) != 0) return std::string();
    char text[39];
    if (strftime(text, sizeof(text), "%m/%d/%Y", &local) == 0) return std::string();
    return text;
}

std::string FormatDate(DATE date) {
    // Year, month and day come from the value itself: the locale's date text
    // may use any order and separator.
    SYSTEMTIME parts = {};
    if (!::VariantTimeToSystemTime(date, &parts)) return std::string();
    char text[64];
    snprintf(text, sizeof(text), "%d/%d/%d", parts.wMonth, parts.wDay, parts.wYear);
    return text;
}

DWORD WaitForThreadDispatching(HANDLE thread) {
    bool quit = false;
    WPARAM quitCode = 0;
    while (!quit) {
        DWORD wait = ::MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT);
        if (wait != WAIT_OBJECT_0 + 1) break;
        MSG msg;
        while (!quit && ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = msg.wParam;
                break;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    // Once the loop is asked to end, nothing more is dispatched.
    if (quit) ::WaitForSingleObject(thread, INFINITE);
    DWORD code = static_cast<DWORD>(-1);
    ::GetExitCodeThread(thread, &code);
    if (quit) ::PostQuitMessage(static_cast<int>(quitCode));
    return code;
}

bool IsWindowAnimationEnabled() {
    ANIMATIONINFO info = {};
    info.cbSize = sizeof(info);
    if (!::SystemParametersInfoA(SPI_GETANIMATION, sizeof(info), &info, 0)) return false;
    return info.iMinAnimate != 0;
}

UINT_PTR QueryTaskbar(DWORD message, APPBARDATA* data) {
    APPBARDATA request = {};
    request.cbSize = sizeof(request);
    UINT_PTR result = ::SHAppBarMessage(message, &request);
    if (data) *data = request;
    return result;
}

}  // namespace zema
