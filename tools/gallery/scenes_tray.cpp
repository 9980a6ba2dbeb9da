// Scenes of the tray's windows: each notification kind against a taskbar at
// each screen edge (on a small stand-in desktop), the tray menu, the reboot
// dialog in both forms and the About box.

#include <windows.h>

#include <memory>
#include <string>
#include <thread>

#include "tools/gallery/gallery.h"
#include "zema/ui/windows/about_box.h"
#include "zema/ui/windows/details_dialog.h"
#include "zema/ui/windows/notification_window.h"
#include "zema/ui/windows/reboot_dialog.h"
#include "zema/ui/windows/tray_icon.h"

namespace {

using namespace zema;

constexpr int kDesktopWidth = 720;
constexpr int kDesktopHeight = 420;
constexpr int kTaskbarThickness = 30;
constexpr COLORREF kDesktopColor = RGB(58, 110, 165);
constexpr COLORREF kTaskbarColor = RGB(32, 36, 44);

// What the windows count: four vulnerabilities found, five repaired of
// which two wait for a restart.
class SampleSession : public UpdateSession {
public:
    // `single`: one vulnerability found, one repaired (the singular texts).
    explicit SampleSession(bool rebootPending, bool single = false) : single_(single) {
        records_.push_back(std::make_unique<UpdateRecord>());
        records_.back()->status = rebootPending && single ? UpdateStatus::InstalledNeedsReboot
                                                          : UpdateStatus::Installed;
        if (!rebootPending || single) return;
        records_.push_back(std::make_unique<UpdateRecord>());
        records_.back()->status = UpdateStatus::InstalledNeedsReboot;
    }
    bool Connect() override { return true; }
    void Shutdown() override {}
    bool StartScan(HWND) override { return false; }
    bool IsScanning() const override { return false; }
    bool DownloadsActive() const override { return false; }
    bool InstallationsActive() const override { return false; }
    const UpdateList& Updates() const override { return records_; }
    StartResult StartDownload(UpdateRecord&, bool) override { return StartResult::NoJob; }
    int CancelDownload(UpdateRecord&) override { return 1; }
    StartResult StartInstallation(UpdateRecord&) override { return StartResult::NoJob; }
    int CancelInstallation(UpdateRecord&) override { return 1; }
    size_t VulnerabilityCount() const override { return single_ ? 1 : 4; }
    RepairedCount CountRepairedVulnerabilities() const override {
        if (single_) return {1, records_.back()->status == UpdateStatus::InstalledNeedsReboot ? 1 : 0};
        return {5, records_.size() > 1 ? 2 : 0};
    }
    void ApplyDownloaderSettings() override {}
    void AddListener(SessionListener*, bool) override {}
    void RemoveListener(SessionListener*) override {}

private:
    UpdateList records_;
    bool single_;
};

// A small desktop with a taskbar along one edge.
class Desktop {
public:
    Desktop(UINT edge) : edge_(edge) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &Desktop::Proc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "ZemaGalleryDesktop";
        ::RegisterClassA(&wc);
        hwnd_ = ::CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0,
                                  kDesktopWidth, kDesktopHeight, nullptr, nullptr, wc.hInstance,
                                  this);
    }
    ~Desktop() {
        if (::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
    }
    HWND hwnd() const { return hwnd_; }

    RECT Taskbar() const {
        switch (edge_) {
        case ABE_TOP: return {0, 0, kDesktopWidth, kTaskbarThickness};
        case ABE_LEFT: return {0, 0, kTaskbarThickness, kDesktopHeight};
        case ABE_RIGHT: return {kDesktopWidth - kTaskbarThickness, 0, kDesktopWidth, kDesktopHeight};
        default: return {0, kDesktopHeight - kTaskbarThickness, kDesktopWidth, kDesktopHeight};
        }
    }
    TaskbarPosition Position() const {
        TaskbarPosition position;
        position.found = true;
        position.edge = edge_;
        position.rect = Taskbar();
        position.state = ABS_ALWAYSONTOP;
        return position;
    }
    ScreenArea Area() const {
        ScreenArea area;
        area.screen = {0, 0, kDesktopWidth, kDesktopHeight};
        area.workArea = area.screen;
        return area;
    }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE)
            ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(
                reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
        auto* self = reinterpret_cast<Desktop*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (message == WM_PAINT && self) {
            PAINTSTRUCT paint;
            HDC dc = ::BeginPaint(hwnd, &paint);
            RECT all = {0, 0, kDesktopWidth, kDesktopHeight};
            HBRUSH desktop = ::CreateSolidBrush(kDesktopColor);
            HBRUSH bar = ::CreateSolidBrush(kTaskbarColor);
            ::FillRect(dc, &all, desktop);
            RECT taskbar = self->Taskbar();
            ::FillRect(dc, &taskbar, bar);
            ::DeleteObject(desktop);
            ::DeleteObject(bar);
            ::EndPaint(hwnd, &paint);
            return 0;
        }
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    }

    UINT edge_;
    HWND hwnd_;
};

HWND ShowNotification(gallery::SceneContext& context, NotificationKind kind, UINT edge,
                      bool single = false, int focusedLink = 0) {
    auto& session = context.Keep(std::make_unique<SampleSession>(kind != kNotifyInstalled, single));
    auto& desktop = context.Keep(std::make_unique<Desktop>(edge));
    NotificationParts parts;
    parts.skin = &context.skin();
    parts.manager = desktop.hwnd();
    parts.session = &session;
    parts.taskbar = [&desktop] { return desktop.Position(); };
    parts.screen = [&desktop] { return desktop.Area(); };
    auto& window = context.Keep(std::make_unique<NotificationWindow>(parts));
    window.Show(kind);
    if (focusedLink) {
        // As after Tab from the keyboard: the focus frame shows.
        ::SendMessageA(window.Frame(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
        ::SetFocus(::GetDlgItem(window.Content(), focusedLink));
    }
    context.Settle();
    return desktop.hwnd();
}

#define NOTIFY_SCENES(kind, name)                                                             \
    ZG_GALLERY_SCENE(kind##_bottom, "tray_notify_" name "_bottom") {                          \
        return ShowNotification(context, kind, ABE_BOTTOM);                                   \
    }                                                                                         \
    ZG_GALLERY_SCENE(kind##_top, "tray_notify_" name "_top") {                                \
        return ShowNotification(context, kind, ABE_TOP);                                      \
    }                                                                                         \
    ZG_GALLERY_SCENE(kind##_left, "tray_notify_" name "_left") {                              \
        return ShowNotification(context, kind, ABE_LEFT);                                     \
    }                                                                                         \
    ZG_GALLERY_SCENE(kind##_right, "tray_notify_" name "_right") {                            \
        return ShowNotification(context, kind, ABE_RIGHT);                                    \
    }

NOTIFY_SCENES(kNotifyScanned, "1_scanned")
NOTIFY_SCENES(kNotifyDownloaded, "2_downloaded")
NOTIFY_SCENES(kNotifyInstalled, "3_installed")
NOTIFY_SCENES(kNotifyInstalledNeedsReboot, "4_reboot")

ZG_GALLERY_SCENE(notify_scanned_one, "tray_notify_1_scanned_one") {
    return ShowNotification(context, kNotifyScanned, ABE_BOTTOM, true);
}
ZG_GALLERY_SCENE(notify_installed_one, "tray_notify_3_installed_one") {
    return ShowNotification(context, kNotifyInstalled, ABE_BOTTOM, true);
}
ZG_GALLERY_SCENE(notify_reboot_one, "tray_notify_4_reboot_one") {
    return ShowNotification(context, kNotifyInstalledNeedsReboot, ABE_BOTTOM, true);
}
ZG_GALLERY_SCENE(notify_link_focused, "tray_notify_2_downloaded_focus") {
    return ShowNotification(context, kNotifyDownloaded, ABE_BOTTOM, false, kIdDetailsLink);
}

// The menu runs its own modal loop, so it opens on a thread of its own while
// the gallery captures; the scene's end closes it.
class OpenMenu {
public:
    OpenMenu(const SkinResources& skin, POINT at) : icon_(skin) {
        thread_ = std::thread([this, at] {
            HWND owner = ::CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                         nullptr, nullptr);
            owner_ = owner;
            HMENU menu = icon_.LoadMenuWithTexts();
            ::SetForegroundWindow(owner);
            ::TrackPopupMenu(menu, TPM_LEFTBUTTON, at.x, at.y, 0, owner, nullptr);
            ::DestroyMenu(menu);
            ::DestroyWindow(owner);
        });
    }
    ~OpenMenu() {
        while (!owner_) ::Sleep(10);
        ::PostMessageA(owner_, WM_CANCELMODE, 0, 0);
        ::PostMessageA(owner_, WM_KEYDOWN, VK_ESCAPE, 0);
        thread_.join();
    }

private:
    NotifyAreaIcon icon_;
    std::thread thread_;
    HWND volatile owner_ = nullptr;
};

ZG_GALLERY_SCENE(tray_menu, "tray_menu") {
    auto& desktop = context.Keep(std::make_unique<Desktop>(ABE_BOTTOM));
    ::SetWindowPos(desktop.hwnd(), nullptr, 0, 0, 320, 200, SWP_NOMOVE | SWP_NOZORDER);
    context.Keep(std::make_unique<OpenMenu>(context.skin(), POINT{150, 40}));
    context.Settle();
    return desktop.hwnd();
}

HWND ShowReboot(gallery::SceneContext& context, bool pending) {
    auto& session = context.Keep(std::make_unique<SampleSession>(pending));
    auto& dialog = context.Keep(std::make_unique<RebootDialog>(context.skin(), session, nullptr));
    HWND window = dialog.Create(nullptr, RebootDialog::Layout(context.skin()));
    if (window) ::ShowWindow(window, SW_SHOW);
    return window;
}

ZG_GALLERY_SCENE(reboot_dialog, "reboot_dialog") { return ShowReboot(context, true); }
ZG_GALLERY_SCENE(reboot_dialog_report, "reboot_dialog_report") { return ShowReboot(context, false); }

ZG_GALLERY_SCENE(about_box, "about_box") {
    AboutFacts facts;
    facts.version = "1.0.0.0";
    facts.installDate = "12/01/2026";
    facts.updated = "12/07/2026";
    auto& about = context.Keep(std::make_unique<AboutBox>(context.skin(), facts));
    HWND window = about.Create(nullptr, AboutBox::Layout(context.skin()));
    if (window) ::ShowWindow(window, SW_SHOW);
    return window;
}

}  // namespace

namespace {

// A catalogue of one sample update whose point supersedes an older one.
class SampleCatalog : public zema::CatalogFacts {
public:
    bool Update(int32_t id, zema::UpdateDetails& facts) const override {
        facts.title = id == 7 ? "Security Update for Sample Office Suite (ZB26-014)"
                              : "Security Update for Sample Office Suite (ZB25-120)";
        facts.downloadAddress = "http://downloads.example.test/office/so2026-kb40123-x64.exe";
        facts.size = 23456789;
        facts.language = "English";
        facts.rebootBehavior = 3;
        return true;
    }
    bool Bulletin(int32_t id, zema::BulletinDetails& facts) const override {
        facts.id = id;
        facts.name = id == 1 ? "ZB26-014" : "ZB25-120";
        facts.knowledgeBase = {"KB40123", "KB40124"};
        facts.published = 46000;
        facts.publisher = "Sample Software Ltd";
        facts.brief = "Vulnerabilities in the document parser could allow remote code execution";
        facts.impact = "Remote Code Execution";
        facts.recommendation = "Install the update at once";
        facts.webPage = "http://bulletins.example.test/" + facts.name;
        facts.description =
            "A remote code execution vulnerability exists in the way the document parser reads "
            "embedded objects. An attacker who convinced a user to open a crafted file could "
            "take complete control of the affected system.\r\n"
            "The update corrects the way the parser validates object lengths.\r\n"
            "Users whose accounts have fewer rights on the system are less affected.";
        if (id == 1)
            facts.vulnerabilities = {{11, "CVE-2026-0411", "Object length overflow.\r\nFixed."},
                                     {12, "CVE-2026-0412", "Heap corruption in tables."}};
        else
            facts.vulnerabilities = {{11, "CVE-2026-0411", "Object length overflow."},
                                     {13, "CVE-2025-3377", "Macro warning bypass."}};
        return true;
    }
    std::string SeverityName(int32_t) const override { return "Critical"; }
    std::string SoftwareName(int32_t) const override { return "Sample Office Suite 2026"; }
};

HWND ShowDetails(gallery::SceneContext& context, int page) {
    using namespace zema;
    auto& catalog = context.Keep(std::make_unique<SampleCatalog>());
    auto& record = context.Keep(std::make_unique<UpdateRecord>());
    record.id = 7;
    record.status = UpdateStatus::InstalledNeedsReboot;
    UpdatePoint point;
    point.updateId = 7;
    point.securityBulletinId = 1;
    point.impactedSoftwareId = 3;
    UpdatePoint older;
    older.updateId = 6;
    older.securityBulletinId = 2;
    point.supersededPoints.push_back(older);
    record.updatePoints.push_back(point);
    auto& dialog = context.Keep(std::make_unique<DetailsDialog>(context.skin(), catalog, nullptr));
    HWND window = dialog.Create(nullptr);
    if (!window) return nullptr;
    dialog.ShowRecord(&record);
    dialog.SelectPage(page);
    if (page == 0) dialog.List(0).Expand(kRowDescription, true, false);
    if (page == 2) dialog.List(2).Expand(0, true, false);
    ::SetWindowPos(window, nullptr, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    dialog.Present();
    return window;
}

ZG_GALLERY_SCENE(details_general, "details_general") { return ShowDetails(context, 0); }
ZG_GALLERY_SCENE(details_updates, "details_updates") { return ShowDetails(context, 1); }
ZG_GALLERY_SCENE(details_vulnerabilities, "details_vulnerabilities") {
    return ShowDetails(context, 2);
}

}  // namespace
