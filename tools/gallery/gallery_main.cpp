// The gallery program: shows every registered scene in turn and hands its
// window's screen rectangle to tools/screenshots, which captures it.
//   zema_gallery.exe RES_XML SHOT_FOLDER [scene ...]
//   zema_gallery.exe --list
// For each scene it writes SHOT_FOLDER\NNN.ready ("name left top right
// bottom") and waits until the capturer deletes that file. Beside it goes
// SHOT_FOLDER\<name>.rects: the window, its work area and every visible
// control, so two runs at different display scales can be compared.

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

#include "tools/gallery/gallery.h"
#include "win/com.h"

namespace gallery {
namespace {

std::map<std::string, SceneFunction>& Scenes() {
    static std::map<std::string, SceneFunction> scenes;
    return scenes;
}

constexpr DWORD kSettleQuietMs = 150;
constexpr DWORD kCaptureTimeoutMs = 30000;

void PumpFor(DWORD milliseconds) {
    DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= milliseconds) return;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
    }
}

// The width the control's text takes in the control's font, or 0.
int TextWidth(HWND control) {
    char text[512] = {};
    int length = ::GetWindowTextA(control, text, sizeof(text));
    if (length <= 0) return 0;
    HDC dc = ::GetDC(control);
    if (!dc) return 0;
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(::SendMessageA(control, WM_GETFONT, 0, 0));
    HGDIOBJ old = font ? ::SelectObject(dc, font) : nullptr;
    SIZE size = {};
    ::GetTextExtentPoint32A(dc, text, length, &size);
    if (old) ::SelectObject(dc, old);
    ::ReleaseDC(control, dc);
    return size.cx;
}

// One line per visible control in window order, relative to the window's
// client area (a system frame scales by its own rules):
// "control CLASS ID left top right bottom textwidth".
void WriteRects(HWND window, const std::string& path) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return;
    RECT frame = {};
    ::GetWindowRect(window, &frame);
    POINT origin = {0, 0};
    ::ClientToScreen(window, &origin);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoA(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    std::fprintf(out, "window %ld %ld\nwork %ld %ld\n", frame.right - frame.left,
                 frame.bottom - frame.top, monitor.rcWork.right - monitor.rcWork.left,
                 monitor.rcWork.bottom - monitor.rcWork.top);
    struct Walk {
        FILE* out;
        POINT origin;
    } walk = {out, origin};
    ::EnumChildWindows(
        window,
        [](HWND control, LPARAM data) -> BOOL {
            auto* w = reinterpret_cast<Walk*>(data);
            if (!::IsWindowVisible(control)) return TRUE;
            char name[64] = {};
            ::GetClassNameA(control, name, sizeof(name));
            RECT r = {};
            ::GetWindowRect(control, &r);
            std::fprintf(w->out, "control %s %d %ld %ld %ld %ld %d\n", name,
                         ::GetDlgCtrlID(control), r.left - w->origin.x, r.top - w->origin.y,
                         r.right - w->origin.x, r.bottom - w->origin.y, TextWidth(control));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&walk));
    std::fclose(out);
}

bool FileExists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool ShowScene(const zema::SkinResources& skin, const std::string& name, SceneFunction show,
               const std::string& folder, int index) {
    SceneContext context(skin);
    HWND window = show(context);
    if (!window) {
        std::fprintf(stderr, "gallery: scene %s made no window\n", name.c_str());
        return false;
    }
    ::UpdateWindow(window);
    // Until the window stops moving (maximising may take a few rounds).
    RECT r = {};
    for (int round = 0; round < 20; ++round) {
        context.Settle();
        RECT now;
        ::GetWindowRect(window, &now);
        if (round > 0 && ::EqualRect(&now, &r)) break;
        r = now;
    }
    WriteRects(window, folder + "\\" + name + ".rects");
    char file[MAX_PATH];
    std::snprintf(file, sizeof(file), "%s\\%03d.ready", folder.c_str(), index);
    std::string temporary = std::string(file) + ".tmp";
    FILE* out = std::fopen(temporary.c_str(), "wb");
    if (!out) return false;
    std::fprintf(out, "%s %ld %ld %ld %ld\n", name.c_str(), r.left, r.top, r.right, r.bottom);
    std::fclose(out);
    ::MoveFileExA(temporary.c_str(), file, MOVEFILE_REPLACE_EXISTING);
    DWORD start = ::GetTickCount();
    while (FileExists(file) && ::GetTickCount() - start < kCaptureTimeoutMs) PumpFor(50);
    if (::IsWindow(window)) ::DestroyWindow(window);
    return true;
}

}  // namespace

SceneContext::~SceneContext() {
    while (!kept_.empty()) kept_.pop_back();
}

void SceneContext::Settle() { PumpFor(kSettleQuietMs); }

bool RegisterScene(const char* name, SceneFunction show) {
    Scenes()[name] = show;
    return true;
}

}  // namespace gallery

int main(int argc, char** argv) {
    win::ComInit com(COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    auto& scenes = gallery::Scenes();
    if (argc == 2 && std::string(argv[1]) == "--list") {
        for (const auto& scene : scenes) std::printf("%s\n", scene.first.c_str());
        return 0;
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: zema_gallery RES_XML SHOT_FOLDER [scene ...] | --list\n");
        return 2;
    }
    zema::SkinResources skin;
    if (!skin.Load(argv[1])) {
        std::fprintf(stderr, "gallery: cannot load the skin %s\n", argv[1]);
        return 1;
    }
    int index = 0;
    int failures = 0;
    for (const auto& scene : scenes) {
        if (argc > 3 && std::find(argv + 3, argv + argc, scene.first) == argv + argc) continue;
        if (!gallery::ShowScene(skin, scene.first, scene.second, argv[2], index++)) ++failures;
    }
    return failures ? 1 : 0;
}
