// A tiny update package for tests and the demo. It "installs" its update by
// leaving the registry marker that the sample catalog's detection rule looks
// for, and ends with the exit code its arguments choose:
//   zg-kbNNNNNN.exe [/quiet] [/norestart] [/exitcode:N] [/pause:SECONDS]
// /pause makes it take its time as real installers do, so that an
// installation in progress can be watched (the demo uses it).
// Only the installer successes (0, 3010, 1641) leave the marker; a package
// that cannot write it ends with 1603, a fatal installation error.

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#ifndef ZG_PACKAGE_ID
#error "ZG_PACKAGE_ID names the update this package installs"
#endif

namespace {

constexpr char kMarkerKey[] = "SOFTWARE\\Zemaguard Sample\\Installed";
constexpr char kExitCodeSwitch[] = "/exitcode:";
constexpr char kPauseSwitch[] = "/pause:";
constexpr long kLongestPauseSeconds = 60;
constexpr DWORD kInstalledMark = 1;
constexpr int kFatalError = 1603;

bool MarksInstallation(int code) {
    return code == ERROR_SUCCESS || code == ERROR_SUCCESS_REBOOT_REQUIRED ||
           code == ERROR_SUCCESS_REBOOT_INITIATED;
}

bool WriteMarker() {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMarkerKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                          &key, nullptr) != ERROR_SUCCESS)
        return false;
    DWORD mark = kInstalledMark;
    bool written = ::RegSetValueExA(key, ZG_PACKAGE_ID, 0, REG_DWORD,
                                    reinterpret_cast<const BYTE*>(&mark),
                                    sizeof(mark)) == ERROR_SUCCESS;
    ::RegCloseKey(key);
    return written;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int code = ERROR_SUCCESS;
    for (int i = 1; i < __argc; ++i) {
        if (_strnicmp(__argv[i], kExitCodeSwitch, sizeof(kExitCodeSwitch) - 1) == 0)
            code = static_cast<int>(strtol(__argv[i] + sizeof(kExitCodeSwitch) - 1, nullptr, 10));
        if (_strnicmp(__argv[i], kPauseSwitch, sizeof(kPauseSwitch) - 1) == 0) {
            long seconds = strtol(__argv[i] + sizeof(kPauseSwitch) - 1, nullptr, 10);
            if (seconds > 0)
                ::Sleep(static_cast<DWORD>(std::min(seconds, kLongestPauseSeconds)) * 1000);
        }
    }
    if (MarksInstallation(code) && !WriteMarker()) return kFatalError;
    return code;
}
