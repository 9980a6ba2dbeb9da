// Brightwick: brings the installed product up to the newest published
// version. Zema starts a copy of it from the temporary folder.

#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "brightwick/updater_dialog.h"
#include "brightwick/updater_settings.h"
#include "brightwick/upgrade_run.h"
#include "win/unique_handle.h"

namespace {

constexpr char kInstanceMutex[] = "Global\\ZEMABrightwick";
constexpr int kExitAlreadyRunning = 1;
constexpr int kExitNoSettings = -1;
constexpr int kExitNoWindow = 0;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    win::KernelHandle single(::CreateMutexA(nullptr, TRUE, kInstanceMutex));
    if (!single || ::GetLastError() == ERROR_ALREADY_EXISTS) return kExitAlreadyRunning;

    brightwick::UpdaterSettings& settings = brightwick::UpdaterSettings::Instance();
    if (!settings.Load()) return kExitNoSettings;

    WSADATA winsock;
    bool winsockUp = ::WSAStartup(MAKEWORD(2, 2), &winsock) == 0;
    HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    brightwick::RunContext context;
    context.installFolder = settings.InstallFolder();
    context.workFolder = brightwick::WorkFolder();
    context.upgradeServer = settings.UpgradeServer();
    context.installedVersion = settings.InstalledVersion();
    context.http = settings.Http();
    context.ftp = settings.Ftp();
    context.requireSignature = settings.HasReleaseKey();
    context.releaseKey = settings.ReleaseKeyText();
    context.mainWindow = [] { return brightwick::UpdaterSettings::Instance().MainWindowHandle(); };

    int exitCode = kExitNoWindow;
    {
        brightwick::UpdaterDialog dialog(instance, std::move(context), ::GetCommandLineA());
        if (dialog.Create()) {
            if (!dialog.AutoRun()) ::ShowWindow(dialog.hwnd(), SW_SHOW);
            MSG message;
            BOOL got;
            while ((got = ::GetMessageA(&message, nullptr, 0, 0)) != 0 && got != -1) {
                if (dialog.hwnd() && ::IsDialogMessageA(dialog.hwnd(), &message)) continue;
                ::TranslateMessage(&message);
                ::DispatchMessageA(&message);
            }
            exitCode = got == 0 ? static_cast<int>(message.wParam) : kExitNoWindow;
        }
    }
    if (SUCCEEDED(com)) ::CoUninitialize();
    if (winsockUp) ::WSACleanup();
    return exitCode;
}
