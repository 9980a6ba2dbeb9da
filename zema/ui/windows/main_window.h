#pragma once
// The program's visible face: a skinned, resizable window with the "Results"
// title, the Operations and Help menu buttons, the summary band and the
// result view. Closing it normally hides it to the tray.

#include <windows.h>

#include <memory>

#include "win/unique_handle.h"
#include "zema/core/app_services.h"
#include "zema/ui/models/result_source.h"
#include "zema/ui/toolkit/dialog.h"
#include "zema/ui/windows/result_summary_panel.h"
#include "zema/ui/windows/result_view.h"

namespace zema {

class SettingsStore;
class SkinResources;
class SkinnedFrame;
class MainWindowControls;

enum MainWindowId {
    kIdResultsTitle = 1002,
    kIdSummaryPanel = 1004,
    kIdOperations = 1075,
    kIdHelp = 1031,
};

// Menu commands of the main window.
constexpr WORD kCmdMainOptions = 32774;
constexpr WORD kCmdMainAbout = 32777;
constexpr WORD kCmdMainSupport = 32778;
constexpr WORD kCmdMainHomePage = 32779;
constexpr WORD kCmdSysClose = 32781;
constexpr WORD kCmdSysMinimize = 32782;
constexpr WORD kCmdSysMaximize = 32783;
constexpr WORD kCmdMainUpgrade = 32784;

struct MainWindowParts {
    UpdateSession* session = nullptr;       // required
    const ResultSource* source = nullptr;   // required
    const SkinResources* skin = nullptr;    // required
    SettingsStore* settings = nullptr;      // null: closing never hides to the tray
    // Receives the options, about and upgrade commands and ends the
    // program on WM_CLOSE.
    HWND manager = nullptr;
};

class MainWindow : public Dialog, public SessionListener {
public:
    explicit MainWindow(const MainWindowParts& parts);
    ~MainWindow() override;

    // Made hidden; Show brings it up.
    bool Create();
    void Show();
    ResultView& View() { return view_; }
    ResultSummaryPanel& Summary() { return summary_; }
    // Hides the details dialog when the window goes to the tray.
    void SetHideDetails(std::function<void()> hide) { hideDetails_ = std::move(hide); }

    // SessionListener: passed on to the summary band.
    void OnUpdateChanged(UpdateRecord* record) override { summary_.OnUpdateChanged(record); }
    void OnScanStarted(HWND requester) override { summary_.OnScanStarted(requester); }
    void OnScanCompleted(HWND requester, int result) override {
        summary_.OnScanCompleted(requester, result);
    }

protected:
    bool OnInit() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void OnSize(UINT type, int cx, int cy) override;
    void OnDestroy() override;
    void OnDpiChanged(win::Dpi dpi) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void CloseToTrayOrExit();
    void PlaceView();
    // Fonts and icons for the window's scale.
    void LoadScaledLook();
    void OpenMenu(int buttonId, const std::pair<WORD, const char*>* items, size_t count,
                  bool byKeyboard);
    void OpenSystemMenu();
    void OpenPage(const char* path);

    MainWindowParts parts_;
    std::unique_ptr<SkinnedFrame> frame_;
    std::unique_ptr<MainWindowControls> controls_;
    ResultSummaryPanel summary_;
    ResultView view_;
    std::function<void()> hideDetails_;
    win::Icon bigIcon_;
    win::Icon smallIcon_;
    win::Brush background_;
    bool listening_ = false;
};

}  // namespace zema
