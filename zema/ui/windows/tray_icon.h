#pragma once
// Zema's icon in the notification area: eight skin images, the animation
// frames shown from the manager window's timer, and the tray menu.

#include <windows.h>
#include <commctrl.h>

#include "win/unique_handle.h"
#include "zema/core/app_services.h"

namespace zema {

class SkinResources;

constexpr UINT kTrayIconId = 1278;

class NotifyAreaIcon : public TrayIcon {
public:
    // The skin gives the images, the tip and the menu's texts.
    explicit NotifyAreaIcon(const SkinResources& skin);
    ~NotifyAreaIcon() override;
    NotifyAreaIcon(const NotifyAreaIcon&) = delete;
    NotifyAreaIcon& operator=(const NotifyAreaIcon&) = delete;

    bool Add(HWND owner) override;
    void Remove() override;
    bool IsAdded() const override { return added_; }
    void NextFrame() override;
    void ShowNormalFrame() override;
    void ShowMenu(HWND owner) override;

    // The image on show: 0 normal, 1 to 7 animating; -1 before the first.
    int Frame() const { return frame_; }
    // The tray menu (a popup) with its skin captions; the caller destroys it.
    HMENU LoadMenuWithTexts() const;

private:
    bool MakeImages();
    void ShowFrame(int frame);
    bool Notify(DWORD message, UINT flags) const;

    const SkinResources& skin_;
    win::ImageList images_;
    win::Icon icon_;
    int frame_ = -1;
    HWND owner_ = nullptr;
    bool added_ = false;
};

}  // namespace zema
