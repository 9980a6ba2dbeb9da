#pragma once
// The small window that the tray shows next to the taskbar: what a scan,
// the downloads or the installations came to, with links to act on it. A
// skinned, topmost tool window that never takes the focus from the user;
// closing it destroys it, and the next notification makes it again.

#include <windows.h>

#include <memory>

#include "win/unique_handle.h"
#include "zema/core/app_services.h"
#include "zema/ui/models/notification_content.h"
#include "zema/core/notification_placement.h"
#include "zema/core/power.h"
#include "zema/ui/toolkit/dialog.h"
#include "zema/ui/toolkit/skin_icon_check.h"
#include "zema/ui/toolkit/skin_link.h"
#include "zema/ui/toolkit/skinned_frame.h"

namespace zema {

class SkinResources;

constexpr int kIdRebootNow = 1016;
constexpr int kIdRepairLink = 1071;
constexpr int kIdDetailsLink = 1072;
constexpr int kIdOkLink = 1073;

struct NotificationParts {
    const SkinResources* skin = nullptr;  // required
    HWND manager = nullptr;               // owner; hears "repair now" and "show main window"
    const UpdateSession* session = nullptr;
    PowerAction power;
    TaskbarQuery taskbar = &ReadTaskbarPosition;
    std::function<ScreenArea()> screen = &ReadScreenArea;
};

class NotificationWindow {
public:
    explicit NotificationWindow(NotificationParts parts);
    ~NotificationWindow();
    NotificationWindow(const NotificationWindow&) = delete;
    NotificationWindow& operator=(const NotificationWindow&) = delete;

    // Makes the window when needed, fills it for `kind`, places it by the
    // taskbar and shows it without activating it. The caller has checked
    // that the main window is hidden.
    void Show(NotificationKind kind);
    void Hide();
    void Destroy();

    HWND Frame() const;
    HWND Content() const;
    NotificationKind Kind() const { return kind_; }
    const NotificationContent& Shown() const { return content_; }

private:
    class FrameDialog;
    class ContentDialog;

    void OnLink(int id);

    NotificationParts parts_;
    std::unique_ptr<FrameDialog> frame_;
    std::unique_ptr<ContentDialog> pane_;
    NotificationKind kind_ = kNotifyScanned;
    NotificationContent content_;
};

}  // namespace zema
