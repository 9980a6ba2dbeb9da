#pragma once
// Stand-ins around the tray's windows: the manager window that hears their
// messages and the session they read their counts from.

#include <windows.h>

#include <vector>

#include "zema/core/app_services.h"
#include "zema/core/messages.h"

namespace zema {
namespace tray_testing {

// Stands in for the manager window: records the program-wide messages.
inline const char* RecorderClass() { return "ZemaTestRecorder"; }

class Recorder {
public:
    Recorder() {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &Recorder::Proc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = RecorderClass();
        ::RegisterClassA(&wc);
        hwnd = ::CreateWindowA(wc.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               wc.hInstance, nullptr);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Recorder() { ::DestroyWindow(hwnd); }

    struct Message {
        UINT id;
        WPARAM wParam;
        LPARAM lParam;
    };
    HWND hwnd;
    std::vector<Message> messages;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Recorder*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self && (message == kMsgRepairNow || message == kMsgShowMainWindow))
            self->messages.push_back({message, wParam, lParam});
        return ::DefWindowProcA(window, message, wParam, lParam);
    }
};

class FakeSession : public UpdateSession {
public:
    bool Connect() override { return true; }
    void Shutdown() override {}
    bool StartScan(HWND) override { return false; }
    bool IsScanning() const override { return false; }
    bool DownloadsActive() const override { return downloading; }
    bool InstallationsActive() const override { return installing; }
    const UpdateList& Updates() const override { return records; }
    StartResult StartDownload(UpdateRecord&, bool) override { return StartResult::NoJob; }
    int CancelDownload(UpdateRecord&) override { return 1; }
    StartResult StartInstallation(UpdateRecord&) override { return StartResult::NoJob; }
    int CancelInstallation(UpdateRecord&) override { return 1; }
    size_t VulnerabilityCount() const override { return 4; }
    RepairedCount CountRepairedVulnerabilities() const override { return repaired; }
    void ApplyDownloaderSettings() override {}
    void AddListener(SessionListener*, bool) override {}
    void RemoveListener(SessionListener*) override {}

    void AddRecord(UpdateStatus status) {
        records.push_back(std::make_unique<UpdateRecord>());
        records.back()->status = status;
    }
    UpdateList records;
    RepairedCount repaired;
    bool downloading = false;
    bool installing = false;
};

}  // namespace tray_testing
}  // namespace zema
