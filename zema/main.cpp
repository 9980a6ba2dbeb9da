// Process entry of Zema.

#include <windows.h>
#include <commctrl.h>

#include "win/com.h"
#include "zema/core/application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    win::ComInit com(COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    ::InitCommonControlsEx(&controls);
    zema::Application application;
    return application.Run(commandLine ? commandLine : "");
}
