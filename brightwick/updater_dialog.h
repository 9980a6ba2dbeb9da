#pragma once
// The self-updater's only window: shows the check, offers the new version,
// shows the progress of the upgrade and its end, and owns the two workers.

#include <windows.h>

#include <string>

#include "brightwick/upgrade_run.h"
#include "brightwick/upgrade_state.h"
#include "win/dialog_scaler.h"
#include "win/message_window.h"
#include "win/unique_handle.h"

namespace brightwick {

class UpdaterDialog : public win::MessageWindow<UpdaterDialog> {
public:
    UpdaterDialog(HINSTANCE instance, RunContext context, std::string commandLine);
    ~UpdaterDialog();
    UpdaterDialog(const UpdaterDialog&) = delete;
    UpdaterDialog& operator=(const UpdaterDialog&) = delete;

    // Creates the window hidden; it starts the check at once unless told
    // not to (the gallery shows its states without a server).
    bool Create(bool startCheck = true);
    // The shared state, for the gallery to fill before it sends a message.
    UpgradeState& State() { return state_; }
    // Whether the run is silent until a new version is found.
    bool AutoRun() const;

private:
    friend class win::MessageWindow<UpdaterDialog>;
    INT_PTR OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam);

    bool OnInit();
    void OnPaint();
    // Moved to a screen of another scale: controls, font and icons follow,
    // and the window takes the rectangle the system suggests.
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    void LoadIcons();
    void OnChecked();
    void OnUpgradeNow();
    void OnDownloading();
    void OnProgress();
    void OnDeploying();
    void OnSucceeded();
    void OnFailed(int code);
    void OnCancel();
    void OnDestroy();

    void SetStatus(UINT stringId);
    void SetText(int control, const std::string& text);
    void ShowProgressControls(bool show);
    void StopWorker(win::KernelHandle& thread);
    std::string LoadText(UINT id) const;
    void Post(UINT message, WPARAM code);

    static DWORD WINAPI CheckThreadMain(void* self);
    static DWORD WINAPI UpgradeThreadMain(void* self);

    HINSTANCE instance_;
    RunContext context_;
    std::string commandLine_;  // upper-cased
    win::KernelHandle cancel_;
    win::KernelHandle checkThread_;
    win::KernelHandle upgradeThread_;
    UpgradeState state_;
    bool startCheck_ = true;
    win::Icon bigIcon_;
    win::Icon smallIcon_;
    win::DialogScaler scaler_;
};

}  // namespace brightwick
