#pragma once
// The one object in Zema that talks to the update engine and to the
// downloader: it owns the update list, runs scans on a thread of their own,
// turns download and installation events into record states, and tells its
// listeners about every change. Everything here runs on the main thread,
// except the scan itself (see scan_worker.h).

#include <windows.h>

#include <cstdint>
#include <map>
#include <set>
#include <vector>

#include "qor/qor.h"
#include "win/com.h"
#include "win/unique_handle.h"
#include "zema/core/app_services.h"
#include "zema/core/dispatch_sink.h"
#include "zema/core/record_handle_table.h"
#include "zema/engine/update_engine.h"

namespace zema {

class SettingsStore;

// One entry of the scan's vulnerability list.
struct VulnerabilityEntry {
    int32_t vulnerabilityId;
    int32_t updateId;
    int32_t bulletinId;
};

// The distinct values the result view groups by, sorted ascending.
struct GroupingSets {
    std::vector<int32_t> products;
    std::vector<int32_t> severities;
    std::vector<int32_t> impacts;
    std::vector<int32_t> languages;
};

// Totals the main window's summary shows.
struct SessionSummary {
    int total = 0;
    int downloading = 0;
    int downloaded = 0;
    int failed = 0;
    int installing = 0;
    int installed = 0;       // installed, with or without a restart to come
    int awaitingReboot = 0;  // installed, fixed once the computer restarts
    int needingWork = 0;     // not excluded and not installed
};

SessionSummary SummarizeRecords(const UpdateList& records);

class EngineSession : public UpdateSession {
public:
    explicit EngineSession(SettingsStore& settings);
    ~EngineSession() override;
    EngineSession(const EngineSession&) = delete;
    EngineSession& operator=(const EngineSession&) = delete;

    // UpdateSession
    bool Connect() override;
    void Shutdown() override;
    bool StartScan(HWND requester) override;
    bool IsScanning() const override { return static_cast<bool>(scanThread_); }
    bool DownloadsActive() const override { return !downloadJobs_.empty(); }
    bool InstallationsActive() const override { return !installJobs_.empty(); }
    const UpdateList& Updates() const override { return updates_; }
    int StartDownload(UpdateRecord& record, bool forceOfficial) override;
    int CancelDownload(UpdateRecord& record) override;
    int StartInstallation(UpdateRecord& record) override;
    int CancelInstallation(UpdateRecord& record) override;
    size_t VulnerabilityCount() const override { return vulnerabilities_.size(); }
    RepairedCount CountRepairedVulnerabilities() const override;
    void ApplyDownloaderSettings() override;
    void AddListener(SessionListener* listener, bool atFront) override;
    void RemoveListener(SessionListener* listener) override;

    UpdateRecord* FindRecord(int32_t updateId) const;
    bool AnyRebootPending() const;
    SessionSummary Summary() const;
    const GroupingSets& Groups() const { return groups_; }
    const std::vector<VulnerabilityEntry>& Vulnerabilities() const { return vulnerabilities_; }
    const std::set<int32_t>& ExcludedUpdates() const { return excluded_; }
    IUpdateCatalog* Catalog() const { return catalog_.Get(); }
    // Where a record's package is (or will be) saved.
    std::string PackagePath(const UpdateRecord& record) const;
    // The record's running download job, or null.
    win::ComPtr<IQORDownloadJob> DownloadJob(const UpdateRecord& record) const;
    bool IsPackagePresent(const UpdateRecord& record) const;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static DWORD WINAPI ScanThreadProc(void* context);
    bool EnsureWindow();
    void OnScanFinished(HWND requester);
    void FinishRecords();
    void AddToGroups(const UpdateRecord& record, IUpdateInfo* update);
    void AddPointGroups(const UpdatePoint& point, int32_t updateId);

    void OnDownloadEvent(DISPID id, const std::vector<LONG>& args);
    void OnInstallEvent(DISPID id, const std::vector<LONG>& args);
    UpdateRecord* RecordOfDownloadJob(LONG jobId, win::ComPtr<IQORDownloadJob>* job) const;
    UpdateRecord* RecordOfInstallJob(LONG jobId) const;
    void CopyProgress(IQORDownloadJob* job, UpdateRecord& record) const;
    void ConfigureJob(IQORDownloadJob* job, UpdateRecord& record, bool forceOfficial);
    LONG DownloadJobOf(const UpdateRecord& record) const;
    LONG InstallJobOf(const UpdateRecord& record) const;
    void SetStatus(UpdateRecord& record, UpdateStatus status, int32_t errorCode);
    void NotifyChanged(UpdateRecord& record);
    void LoadExcludedUpdates();
    void ReleaseComObjects();
    void ClearRecords();

    SettingsStore& settings_;
    win::ComPtr<IUpdateEngine> engine_;
    win::ComPtr<IUpdateCatalog> catalog_;
    win::ComPtr<IUpdateInstaller> installer_;
    win::ComPtr<IQORDownloader> downloader_;
    win::ComPtr<DispatchSink> downloadSink_;
    win::ComPtr<DispatchSink> installSink_;
    DWORD downloadCookie_ = 0;
    DWORD installCookie_ = 0;

    std::map<LONG, win::ComPtr<IQORDownloadJob>> downloadJobs_;
    std::map<LONG, win::ComPtr<IInstallJob>> installJobs_;
    UpdateList updates_;
    RecordHandleTable handles_;
    std::vector<SessionListener*> listeners_;
    std::set<int32_t> excluded_;
    GroupingSets groups_;
    std::vector<VulnerabilityEntry> vulnerabilities_;

    win::KernelHandle scanThread_;
    HWND window_ = nullptr;
    // Owned by the scan thread until the completion message arrives.
    struct ScanJob;
    ScanJob* scanJob_ = nullptr;
};

}  // namespace zema
