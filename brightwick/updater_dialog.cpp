#include "brightwick/updater_dialog.h"

#include <commctrl.h>
#include <objbase.h>

#include <cctype>
#include <cstdio>

#include "brightwick/progress_display.h"
#include "brightwick/resource.h"
#include "brightwick/version_check.h"
#include "win/window_position.h"

namespace brightwick {
namespace {

constexpr UINT_PTR kCloseTimer = 2;
constexpr UINT kCloseDelayMs = 5000;
constexpr DWORD kWorkerStopMs = 1000;
constexpr int kIconSize = 64;
constexpr int kIconX = 14;
constexpr int kIconY = 3;
constexpr int kQuitCode = IDCANCEL;
constexpr UINT kDpiChanged = 0x02E0;  // WM_DPICHANGED
constexpr int kProgressControls[] = {IDC_FILE_LINE, IDC_FILE_PERCENT, IDC_FILE_BAR,
                                     IDC_TOTAL_LABEL, IDC_TOTAL_PERCENT, IDC_TOTAL_BAR};

}  // namespace

UpdaterDialog::UpdaterDialog(HINSTANCE instance, RunContext context, std::string commandLine)
    : instance_(instance), context_(std::move(context)), commandLine_(std::move(commandLine)) {
    for (char& c : commandLine_) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    cancel_.Reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    context_.cancelEvent = cancel_.Get();
}

UpdaterDialog::~UpdaterDialog() {
    if (hwnd()) ::DestroyWindow(hwnd());
}

bool UpdaterDialog::Create(bool startCheck) {
    startCheck_ = startCheck;
    return ::CreateDialogParamA(instance_, MAKEINTRESOURCEA(IDD_UPDATER), nullptr, DialogProc,
                                reinterpret_cast<LPARAM>(this)) != nullptr;
}

bool UpdaterDialog::AutoRun() const { return commandLine_.find("-AUTO") != std::string::npos; }

INT_PTR UpdaterDialog::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        scaler_.Init(hwnd());
        return OnInit() ? TRUE : FALSE;
    case kDpiChanged:
        OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return TRUE;
    case WM_PAINT: OnPaint(); return TRUE;
    case UM_CHECKED: OnChecked(); return TRUE;
    case UM_DOWNLOADING: OnDownloading(); return TRUE;
    case UM_PROGRESS: OnProgress(); return TRUE;
    case UM_DEPLOYING: OnDeploying(); return TRUE;
    case UM_SUCCEEDED: OnSucceeded(); return TRUE;
    case UM_FAILED: OnFailed(static_cast<int>(static_cast<INT_PTR>(wParam))); return TRUE;
    case WM_TIMER:
        if (wParam != kCloseTimer) return FALSE;
        ::KillTimer(hwnd(), kCloseTimer);
        ::PostMessageA(hwnd(), WM_CLOSE, 0, 0);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_UPGRADE_NOW && HIWORD(wParam) == BN_CLICKED) {
            OnUpgradeNow();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        OnDestroy();
        win::DialogScaler::Forget(hwnd());
        return FALSE;
    }
    return FALSE;
}

void UpdaterDialog::LoadIcons() {
    win::Dpi dpi = scaler_.dpi();
    int big = dpi.Scale(kIconSize);
    int small = dpi.SystemMetric(SM_CXSMICON);
    bigIcon_.Reset(static_cast<HICON>(::LoadImageA(instance_, MAKEINTRESOURCEA(IDI_BRIGHTWICK),
                                                   IMAGE_ICON, big, big, 0)));
    smallIcon_.Reset(static_cast<HICON>(::LoadImageA(
        instance_, MAKEINTRESOURCEA(IDI_BRIGHTWICK), IMAGE_ICON, small, small, 0)));
    if (smallIcon_)
        ::SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.Get()));
    if (bigIcon_)
        ::SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.Get()));
}

void UpdaterDialog::OnDpiChanged(UINT dpi, const RECT& suggested) {
    scaler_.Rescale(hwnd(), win::Dpi(dpi));
    LoadIcons();
    RECT place = win::FittedToWorkArea(suggested);
    ::SetWindowPos(hwnd(), nullptr, place.left, place.top, place.right - place.left,
                   place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(hwnd(), nullptr, TRUE);
}

bool UpdaterDialog::OnInit() {
    win::CenterWindow(hwnd(), ::GetWindow(hwnd(), GW_OWNER));
    ::SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    LoadIcons();
    SetStatus(IDS_CHECKING);
    ::SendDlgItemMessageA(hwnd(), IDC_FILE_BAR, PBM_SETRANGE32, 0, kBarRange);
    ::SendDlgItemMessageA(hwnd(), IDC_TOTAL_BAR, PBM_SETRANGE32, 0, kBarRange);
    if (!startCheck_) return false;
    checkThread_.Reset(::CreateThread(nullptr, 0, CheckThreadMain, this, 0, nullptr));
    if (!checkThread_) Post(UM_FAILED, static_cast<WPARAM>(kCheckFailed));
    return false;  // focus stays where the dialog manager put it
}

void UpdaterDialog::OnPaint() {
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(hwnd(), &paint);
    win::Dpi dpi = scaler_.dpi();
    if (bigIcon_)
        ::DrawIconEx(dc, dpi.Scale(kIconX), dpi.Scale(kIconY), bigIcon_.Get(),
                     dpi.Scale(kIconSize), dpi.Scale(kIconSize), 0, nullptr, DI_NORMAL);
    ::EndPaint(hwnd(), &paint);
}

void UpdaterDialog::OnChecked() {
    if (checkThread_) {
        ::WaitForSingleObject(checkThread_.Get(), INFINITE);
        checkThread_.Reset();
    }
    if (CompareVersions(state_.newVersion, context_.installedVersion) == 1) {
        std::string format = LoadText(IDS_OFFER);
        std::vector<char> text(format.size() + state_.newVersion.size() + 1);
        snprintf(text.data(), text.size(), format.c_str(), state_.newVersion.c_str());
        SetText(IDC_STATUS, text.data());
        ::ShowWindow(::GetDlgItem(hwnd(), IDC_UPGRADE_NOW), SW_SHOW);
        if (UpdaterSettings::Instance().NewVersionCheckedAction() != 0)
            ::PostMessageA(hwnd(), WM_COMMAND, MAKEWPARAM(IDC_UPGRADE_NOW, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(hwnd(), IDC_UPGRADE_NOW)));
        ::ShowWindow(hwnd(), SW_SHOW);
    } else {
        SetStatus(IDS_CURRENT);
        if (AutoRun())
            ::PostMessageA(hwnd(), WM_CLOSE, 0, 0);
        else
            ::ShowWindow(hwnd(), SW_SHOW);
    }
    state_.checkFraction = 1;
}

void UpdaterDialog::OnUpgradeNow() {
    if (upgradeThread_) return;  // a second click while it runs
    ::ShowWindow(::GetDlgItem(hwnd(), IDC_UPGRADE_NOW), SW_HIDE);
    upgradeThread_.Reset(::CreateThread(nullptr, 0, UpgradeThreadMain, this, 0, nullptr));
    if (!upgradeThread_) OnFailed(kListNotFetched);
}

void UpdaterDialog::OnDownloading() {
    SetStatus(IDS_DOWNLOADING);
    SetText(IDC_TOTAL_LABEL, LoadText(IDS_TOTAL_PROGRESS));
    SetText(IDC_FILE_LINE, std::string());
    ShowProgressControls(true);
}

void UpdaterDialog::OnProgress() {
    ProgressDisplay display = ComputeProgress(state_);
    if (display.hasCurrent) {
        SetText(IDC_FILE_LINE, display.fileLine);
        SetText(IDC_FILE_PERCENT, display.filePercent);
        ::SendDlgItemMessageA(hwnd(), IDC_FILE_BAR, PBM_SETPOS, display.filePosition, 0);
    }
    SetText(IDC_TOTAL_LABEL, LoadText(IDS_TOTAL_PROGRESS));
    SetText(IDC_TOTAL_PERCENT, display.totalPercent);
    ::SendDlgItemMessageA(hwnd(), IDC_TOTAL_BAR, PBM_SETPOS, display.totalPosition, 0);
}

void UpdaterDialog::OnDeploying() {
    SetStatus(IDS_DEPLOYING);
    ::EnableWindow(::GetDlgItem(hwnd(), IDCANCEL), FALSE);
}

void UpdaterDialog::OnSucceeded() {
    ::ShowWindow(::GetDlgItem(hwnd(), IDC_UPGRADE_NOW), SW_HIDE);
    SetText(IDCANCEL, LoadText(IDS_CLOSE));
    SetStatus(IDS_SUCCEEDED);
    ShowProgressControls(false);
    ::EnableWindow(::GetDlgItem(hwnd(), IDCANCEL), TRUE);
    ::SetTimer(hwnd(), kCloseTimer, kCloseDelayMs, nullptr);
}

void UpdaterDialog::OnFailed(int code) {
    UINT text = code == kCheckFailed ? IDS_CHECK_FAILED : IDS_UPGRADE_FAILED;
    {
        std::lock_guard<std::mutex> lock(state_.lock);
        switch (state_.failureReason) {
        case FailureReason::kUnsigned: text = IDS_UNSIGNED; break;
        case FailureReason::kBadSignature: text = IDS_BAD_SIGNATURE; break;
        case FailureReason::kVersionMismatch: text = IDS_VERSION_MISMATCH; break;
        case FailureReason::kNone: break;
        }
    }
    SetStatus(text);
    StopWorker(code == kCheckFailed ? checkThread_ : upgradeThread_);
    // A failure during deployment left Cancel disabled; the closing timer
    // and the user must still be able to close the window.
    ::EnableWindow(::GetDlgItem(hwnd(), IDCANCEL), TRUE);
    ::SetTimer(hwnd(), kCloseTimer, kCloseDelayMs, nullptr);
}

void UpdaterDialog::OnCancel() {
    ::DestroyWindow(hwnd());
    ::PostQuitMessage(kQuitCode);
}

void UpdaterDialog::OnDestroy() {
    StopWorker(checkThread_);
    StopWorker(upgradeThread_);
}

void UpdaterDialog::StopWorker(win::KernelHandle& thread) {
    if (!thread) return;
    ::SetEvent(cancel_.Get());
    if (::WaitForSingleObject(thread.Get(), kWorkerStopMs) != WAIT_OBJECT_0)
        ::TerminateThread(thread.Get(), 1);
    thread.Reset();
}

void UpdaterDialog::SetStatus(UINT stringId) { SetText(IDC_STATUS, LoadText(stringId)); }

void UpdaterDialog::SetText(int control, const std::string& text) {
    ::SetDlgItemTextA(hwnd(), control, text.c_str());
}

void UpdaterDialog::ShowProgressControls(bool show) {
    for (int id : kProgressControls)
        ::ShowWindow(::GetDlgItem(hwnd(), id), show ? SW_SHOW : SW_HIDE);
}

std::string UpdaterDialog::LoadText(UINT id) const {
    char text[512] = {};
    int n = ::LoadStringA(instance_, id, text, sizeof(text));
    return std::string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

void UpdaterDialog::Post(UINT message, WPARAM code) {
    if (hwnd()) ::PostMessageA(hwnd(), message, code, 0);
}

DWORD WINAPI UpdaterDialog::CheckThreadMain(void* param) {
    auto* self = static_cast<UpdaterDialog*>(param);
    HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    RunCheck(self->context_, self->state_,
             [self](UINT message, WPARAM code) { self->Post(message, code); });
    if (SUCCEEDED(com)) ::CoUninitialize();
    return 0;
}

DWORD WINAPI UpdaterDialog::UpgradeThreadMain(void* param) {
    auto* self = static_cast<UpdaterDialog*>(param);
    HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    RunUpgrade(self->context_, self->state_,
               [self](UINT message, WPARAM code) { self->Post(message, code); });
    if (SUCCEEDED(com)) ::CoUninitialize();
    return 0;
}

}  // namespace brightwick
