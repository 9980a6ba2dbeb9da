#include "zema/ui/windows/tray_icon.h"

#include <shellapi.h>

#include <cstring>

#include "win/unique_handle.h"
#include "zema/core/messages.h"
#include "zema/core/tray_animation.h"
#include "zema/ui/toolkit/drawing.h"
#include "zema/ui/toolkit/skin_resources.h"

namespace zema {
namespace {

constexpr int kTrayImageSize = 16;

struct MenuText {
    UINT command;
    const char* name;
};
// The tray menu in its order; a null name is a separator.
constexpr MenuText kTrayMenu[] = {
    {kCmdAbout, "rns_menu_tray_about"},
    {kCmdShowMainWindow, "rns_menu_tray_showmainwindow"},
    {0, nullptr},
    {kCmdExit, "rns_menu_tray_exit"},
};

}  // namespace

NotifyAreaIcon::NotifyAreaIcon(const SkinResources& skin) : skin_(skin) {}

NotifyAreaIcon::~NotifyAreaIcon() { Remove(); }

bool NotifyAreaIcon::MakeImages() {
    if (images_) return true;
    // The notification area shows small icons at the system's scale.
    win::Dpi dpi = win::Dpi::ForSystem();
    int size = dpi.Scale(kTrayImageSize);
    images_.Reset(::ImageList_Create(size, size, ILC_COLOR32, kTrayFrameCount, 0));
    if (!images_) return false;
    for (const char* name : kTrayFrameBitmaps) {
        win::Bitmap bitmap(skin_.GetBitmap(name, dpi.Value()));
        // A missing frame keeps the frame numbers of the ones after it.
        if (!bitmap) bitmap.Reset(CreateBlankImage(size, size));
        ::ImageList_Add(images_.Get(), bitmap.Get(), nullptr);
    }
    return true;
}

bool NotifyAreaIcon::Notify(DWORD message, UINT flags) const {
    NOTIFYICONDATAA data = {};
    // The first version of the structure: every shell since the first knows it.
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = owner_;
    data.uID = kTrayIconId;
    data.uFlags = flags;
    data.uCallbackMessage = kMsgTrayCallback;
    data.hIcon = icon_.Get();
    std::string tip = skin_.GetString("rns_main_title");
    strncpy(data.szTip, tip.c_str(), 63);
    return ::Shell_NotifyIconA(message, &data) != FALSE;
}

bool NotifyAreaIcon::Add(HWND owner) {
    owner_ = owner;
    if (!MakeImages()) return false;
    if (!icon_) {
        icon_.Reset(::ImageList_GetIcon(images_.Get(), kTrayNormalFrame, ILD_NORMAL));
        frame_ = kTrayNormalFrame;
    }
    const UINT flags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    // A shell that still shows our icon refuses a second add; that icon is
    // as good as a new one, and a retry timer must not run for ever.
    added_ = Notify(NIM_ADD, flags) || Notify(NIM_MODIFY, flags);
    return added_;
}

void NotifyAreaIcon::Remove() {
    if (added_) Notify(NIM_DELETE, 0);
    added_ = false;
    icon_.Reset();
    frame_ = -1;
    images_.Reset();
}

void NotifyAreaIcon::ShowFrame(int frame) {
    if (!images_ || frame == frame_) return;
    win::Icon next(::ImageList_GetIcon(images_.Get(), frame, ILD_NORMAL));
    if (!next) return;
    // The shell still shows the previous icon until it has the next one.
    win::Icon previous = std::move(icon_);
    icon_ = std::move(next);
    frame_ = frame;
    if (added_) Notify(NIM_MODIFY, NIF_ICON);
}

void NotifyAreaIcon::NextFrame() { ShowFrame(ProcessTrayAnimation().Advance()); }

void NotifyAreaIcon::ShowNormalFrame() { ShowFrame(kTrayNormalFrame); }

HMENU NotifyAreaIcon::LoadMenuWithTexts() const {
    HMENU menu = ::CreatePopupMenu();
    if (!menu) return nullptr;
    for (const MenuText& entry : kTrayMenu) {
        if (!entry.name) {
            ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        std::string text = skin_.GetString(entry.name);
        ::AppendMenuA(menu, MF_STRING, entry.command, text.c_str());
    }
    return menu;
}

void NotifyAreaIcon::ShowMenu(HWND owner) {
    HMENU menu = LoadMenuWithTexts();
    if (!menu) return;
    POINT at = {};
    ::GetCursorPos(&at);
    // Without the foreground the menu would not close when the user clicks
    // elsewhere.
    ::SetForegroundWindow(owner);
    ::TrackPopupMenu(menu, TPM_LEFTBUTTON, at.x, at.y, 0, owner, nullptr);
    ::PostMessageA(owner, WM_NULL, 0, 0);
    ::DestroyMenu(menu);
}

}  // namespace zema
