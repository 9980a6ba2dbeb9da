#include "zema/core/manager_window.h"

#include <cstdio>

#include "zema/core/brightwick_launcher.h"
#include "zema/core/messages.h"
#include "zema/core/settings_store.h"

namespace zema {
namespace {

constexpr int kSmallIconId = 214;

// An automatically generated class name, unique to this module.
const char* ManagerWindowClassName() {
    static char name[64];
    if (!name[0])
        snprintf(name, sizeof(name), "Zema:%p:ManagerWindow",
                 static_cast<void*>(::GetModuleHandleA(nullptr)));
    return name;
}

}  // namespace

ManagerWindow::ManagerWindow(const ManagerWindowParts& parts) : parts_(parts) {}

ManagerWindow::~ManagerWindow() {
    if (hwnd()) ::DestroyWindow(hwnd());
}

bool ManagerWindow::Create() {
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    if (!RegisterWindowClass(instance, ManagerWindowClassName())) return false;
    return CreateBoundWindow(instance, ManagerWindowClassName(),
                             WS_POPUP | WS_BORDER | WS_SYSMENU) != nullptr;
}

bool ManagerWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    switch (message) {
    case WM_CREATE:
        OnCreate();
        return true;
    case WM_DESTROY:
        OnDestroy();
        return true;
    case kMsgShowMainWindow:
        OnShowMainWindow(lParam);
        return true;
    case kMsgTrayCallback:
        OnTrayCallback(lParam);
        result = 1;
        return true;
    case kMsgRepairNow:
        if (policy_) policy_->RepairAll();
        return true;
    case WM_TIMER:
        OnTimer(wParam);
        return true;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam));
        return true;
    default:
        if (taskbarCreated_ && message == taskbarCreated_) {
            AddTrayIcon();
            return true;
        }
        return false;
    }
}

void ManagerWindow::OnCreate() {
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    smallIcon_.Reset(static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(kSmallIconId),
                                                     IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                                                     ::GetSystemMetrics(SM_CYSMICON), 0)));
    if (smallIcon_)
        ::SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.Get()));
    ::CreateDirectoryA(parts_.settings->TempWorkFolder().c_str(), nullptr);
    parts_.settings->SetWindowHandle(hwnd());
    if (parts_.session) {
        SessionUi& ui = *this;
        policy_ = std::make_unique<SessionPolicy>(*parts_.session, *parts_.settings, ui,
                                                  parts_.power, hwnd());
        parts_.session->AddListener(this, false);
    }
    taskbarCreated_ = ::RegisterWindowMessageA("TaskbarCreated");
    if (!parts_.traySwitch && parts_.windows) parts_.windows->ShowMainWindow();
    AddTrayIcon();
    if (parts_.traySwitch)
        ::SetTimer(hwnd(), kTimerDelayedScan, kDelayedScanMs, nullptr);
    else if (parts_.session)
        parts_.session->StartScan(hwnd());
    if (!parts_.updatedSwitch)
        ::SetTimer(hwnd(), kTimerVersionCheck, kVersionCheckDelayMs, nullptr);
}

void ManagerWindow::OnDestroy() {
    if (parts_.tray) parts_.tray->Remove();
    if (parts_.windows) parts_.windows->DestroyWindows();
    smallIcon_.Reset();
    ::PostQuitMessage(0);
    parts_.settings->SetWindowHandle(nullptr);
    if (parts_.session) parts_.session->RemoveListener(this);
    policy_.reset();
}

void ManagerWindow::OnShowMainWindow(LPARAM forceScan) {
    if (parts_.windows) parts_.windows->ShowMainWindow();
    if (forceScan != 0 || (parts_.session && parts_.session->Updates().empty())) {
        ::KillTimer(hwnd(), kTimerDelayedScan);
        StartScanIfIdle();
    }
}

void ManagerWindow::StartScanIfIdle() {
    UpdateSession* session = parts_.session;
    if (!session) return;
    if (session->DownloadsActive() || session->InstallationsActive() || session->IsScanning())
        return;
    session->StartScan(hwnd());
}

void ManagerWindow::OnTrayCallback(LPARAM mouseMessage) {
    if (mouseMessage == WM_LBUTTONDBLCLK)
        OnShowMainWindow(0);
    else if (mouseMessage == WM_RBUTTONUP && parts_.tray)
        parts_.tray->ShowMenu(hwnd());
}

void ManagerWindow::AddTrayIcon() {
    // Without a tray module there is nothing to add and nothing to retry.
    if (!parts_.tray) return;
    if (!parts_.tray->Add(hwnd())) ::SetTimer(hwnd(), kTimerTrayRetry, kTrayRetryMs, nullptr);
}

void ManagerWindow::OnTimer(UINT_PTR id) {
    switch (id) {
    case kTimerTrayAnimation:
        if (parts_.tray) parts_.tray->NextFrame();
        break;
    case kTimerVersionCheck:
        ::KillTimer(hwnd(), kTimerVersionCheck);
        if (parts_.settings->AutoCheckNewVersion() != 0) parts_.launcher->Start("-auto");
        break;
    case kTimerTrayRetry:
        if (!parts_.tray || parts_.tray->Add(hwnd())) ::KillTimer(hwnd(), kTimerTrayRetry);
        break;
    case kTimerDelayedScan:
        if (parts_.session) parts_.session->StartScan(hwnd());
        ::KillTimer(hwnd(), kTimerDelayedScan);
        break;
    }
}

void ManagerWindow::OnCommand(UINT id) {
    switch (id) {
    case kCmdExit:
        ::DestroyWindow(hwnd());
        break;
    case kCmdOptions:
        OpenOptions();
        break;
    case kCmdShowMainWindow:
        OnShowMainWindow(0);
        break;
    case kCmdAbout:
        ShowAbout();
        break;
    case kCmdCheckNewVersion:
        parts_.launcher->Start("-manual");
        break;
    }
}

void ManagerWindow::OpenOptions() {
    if (!parts_.windows) return;
    HWND owner = parts_.windows->MainWindow() ? parts_.windows->MainWindow() : hwnd();
    if (parts_.windows->OpenOptions(owner) && parts_.session)
        parts_.session->ApplyDownloaderSettings();
}

void ManagerWindow::ShowAbout() {
    if (!parts_.windows) return;
    HWND owner = parts_.windows->MainWindow() ? parts_.windows->MainWindow() : hwnd();
    parts_.windows->ShowAbout(owner);
}

void ManagerWindow::OnUpdateChanged(UpdateRecord* record) {
    if (policy_ && record) policy_->AfterChange(*record);
}

void ManagerWindow::OnScanStarted(HWND requester) {
    if (parts_.windows) parts_.windows->HideNotification();
    if (policy_) policy_->AfterScanStarted(requester);
}

void ManagerWindow::OnScanCompleted(HWND requester, int result) {
    if (policy_) policy_->AfterScan(requester, result);
}

bool ManagerWindow::MainWindowHidden() const {
    HWND main = parts_.windows ? parts_.windows->MainWindow() : nullptr;
    return !main || !::IsWindow(main) || !::IsWindowVisible(main);
}

void ManagerWindow::ShowNotification(NotificationKind kind) {
    // Not queued either: the user is looking at the main window already.
    if (parts_.windows && MainWindowHidden()) parts_.windows->ShowNotification(kind);
}

void ManagerWindow::OpenRebootDialog() {
    if (parts_.windows) parts_.windows->OpenRebootDialog();
}

bool ManagerWindow::TrayIconShown() const { return parts_.tray && parts_.tray->IsAdded(); }

void ManagerWindow::StartTrayAnimation() {
    if (animating_) return;
    animating_ = true;
    ::SetTimer(hwnd(), kTimerTrayAnimation, kTrayAnimationMs, nullptr);
}

void ManagerWindow::StopTrayAnimation() {
    animating_ = false;
    ::KillTimer(hwnd(), kTimerTrayAnimation);
    if (parts_.tray) parts_.tray->ShowNormalFrame();
}

}  // namespace zema
