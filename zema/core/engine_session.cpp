#include "zema/core/engine_session.h"

#include <algorithm>
#include <climits>

#include "qor/com/job_events.h"
#include "win/text.h"
#include "win/xml.h"
#include "zema/core/download_address.h"
#include "zema/core/messages.h"
#include "zema/core/scan_worker.h"
#include "zema/core/settings_store.h"
#include "zema/core/system_utils.h"
#include "zema/core/update_list_file.h"

namespace zema {
namespace {

constexpr DWORD kComponentContext =
    CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;
constexpr char kWindowClass[] = "UpdatesMngrWindow";
constexpr LONG kInstallMode = 1;
constexpr LONG kInstallerOption = 1;
constexpr LONG kBytesPerKilobyte = 1024;
constexpr LONG kMillisecondsPerSecond = 1000;

// Dispids of the downloader's job events.
enum DownloadEvent : DISPID {
    kJobBegin = qor::kEventBegin,
    kJobCompleted = qor::kEventCompleted,
    kJobWaiting = qor::kEventWaiting,
    kJobCanceled = qor::kEventCanceled,
    kJobPaused = qor::kEventPaused,
    kJobError = qor::kEventError,
    kJobInProgress = qor::kEventInProgress,
    kJobWaitingForRetry = qor::kEventWaitingForRetry,
    kJobBeginReadData = qor::kEventBeginReadData,
};

HRESULT Advise(IUnknown* source, REFIID events, IUnknown* sink, DWORD& cookie) {
    win::ComPtr<IConnectionPointContainer> container;
    HRESULT hr = source->QueryInterface(IID_PPV_ARGS(container.GetAddressOf()));
    if (FAILED(hr)) return hr;
    win::ComPtr<IConnectionPoint> point;
    hr = container->FindConnectionPoint(events, point.GetAddressOf());
    if (FAILED(hr)) return hr;
    return point->Advise(sink, &cookie);
}

void Unadvise(IUnknown* source, REFIID events, DWORD& cookie) {
    if (!source || !cookie) return;
    win::ComPtr<IConnectionPointContainer> container;
    win::ComPtr<IConnectionPoint> point;
    if (SUCCEEDED(source->QueryInterface(IID_PPV_ARGS(container.GetAddressOf()))) &&
        SUCCEEDED(container->FindConnectionPoint(events, point.GetAddressOf())))
        point->Unadvise(cookie);
    cookie = 0;
}

std::string ReadText(HRESULT (STDMETHODCALLTYPE IUpdateInfo::*getter)(BSTR*), IUpdateInfo* info) {
    win::Bstr text;
    if (FAILED((info->*getter)(text.Put()))) return std::string();
    return win::FromBstr(text.Get());
}

void SortUnique(std::vector<int32_t>& values) {
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
}

// The vulnerabilities a bulletin lists.
std::vector<int32_t> BulletinVulnerabilities(ISecurityBulletin* bulletin) {
    std::vector<int32_t> ids;
    win::ComPtr<IVulnerabilities> list;
    LONG count = 0;
    if (FAILED(bulletin->get_Vulnerabilities(list.GetAddressOf())) || !list ||
        FAILED(list->get_Count(&count)))
        return ids;
    for (LONG i = 0; i < count; ++i) {
        win::ComPtr<IVulnerability> item;
        LONG id = 0;
        if (SUCCEEDED(list->get_Item(i, item.GetAddressOf())) && item &&
            SUCCEEDED(item->get_ID(&id)))
            ids.push_back(id);
    }
    return ids;
}

}  // namespace

// The scan thread's work and its result, handed back with the completion.
struct EngineSession::ScanJob {
    ScanRequest request;
    UpdateList records;
    HWND window;
    HWND requester;
};

EngineSession::EngineSession(SettingsStore& settings) : settings_(settings) {}

EngineSession::~EngineSession() { Shutdown(); }

bool EngineSession::Connect() {
    win::Bstr installFolder = win::ToBstr(settings_.InstallFolder());
    HRESULT hr = ::CoCreateInstance(CLSID_UpdateEngine, nullptr, kComponentContext,
                                    IID_PPV_ARGS(engine_.GetAddressOf()));
    if (SUCCEEDED(hr)) hr = engine_->Open(installFolder.Get());
    if (SUCCEEDED(hr))
        hr = engine_->GetCatalog(SettingsStore::kLanguageId, catalog_.GetAddressOf());
    if (SUCCEEDED(hr)) hr = engine_->GetInstaller(installer_.GetAddressOf());
    if (SUCCEEDED(hr))
        hr = ::CoCreateInstance(CLSID_QORDownloader, nullptr, kComponentContext,
                                IID_PPV_ARGS(downloader_.GetAddressOf()));
    if (SUCCEEDED(hr)) {
        downloader_->Initialize(installFolder.Get());  // its result does not stop the connect
        downloadSink_ = DispatchSink::Create(
            DIID__IQORDownloadJobEvents,
            [this](DISPID id, const std::vector<LONG>& args) { OnDownloadEvent(id, args); });
        installSink_ = DispatchSink::Create(
            DIID_IInstallJobEvents,
            [this](DISPID id, const std::vector<LONG>& args) { OnInstallEvent(id, args); });
        hr = downloadSink_ && installSink_ ? S_OK : E_OUTOFMEMORY;
    }
    if (SUCCEEDED(hr))
        hr = Advise(downloader_.Get(), DIID__IQORDownloadJobEvents, downloadSink_.Get(),
                    downloadCookie_);
    if (SUCCEEDED(hr))
        hr = Advise(installer_.Get(), DIID_IInstallJobEvents, installSink_.Get(), installCookie_);
    if (FAILED(hr)) {
        ReleaseComObjects();
        return false;
    }
    ApplyDownloaderSettings();
    LoadExcludedUpdates();
    return true;
}

void EngineSession::ReleaseComObjects() {
    Unadvise(downloader_.Get(), DIID__IQORDownloadJobEvents, downloadCookie_);
    if (downloadSink_) downloadSink_->Detach();
    downloadJobs_.clear();
    downloader_.Reset();
    downloadSink_.Reset();
    Unadvise(installer_.Get(), DIID_IInstallJobEvents, installCookie_);
    if (installSink_) installSink_->Detach();
    installJobs_.clear();
    installer_.Reset();
    installSink_.Reset();
    catalog_.Reset();
    if (engine_) engine_->Close();
    engine_.Reset();
}

void EngineSession::Shutdown() {
    ReleaseComObjects();
    listeners_.clear();
    HWND window = Unbind();  // a late completion is dropped
    if (scanThread_) {
        WaitForThreadDispatching(scanThread_.Get());
        scanThread_.Reset();
    }
    delete scanJob_;
    scanJob_ = nullptr;
    ClearRecords();
    if (window) ::DestroyWindow(window);
}

void EngineSession::ClearRecords() {
    updates_.clear();
    handles_.Clear();
    vulnerabilities_.clear();
    groups_ = GroupingSets();
}

void EngineSession::ApplyDownloaderSettings() {
    if (!downloader_) return;
    for (bool ftp : {false, true}) {
        const NetworkGroup& network = ftp ? settings_.GetFtpNetwork(false)
                                          : settings_.GetHttpNetwork(false);
        win::ComPtr<IQORProxyServer> proxy;
        if (network.connectMode == CONNECT_SYSTEM_SETTINGS ||
            network.connectMode == CONNECT_PROXY) {
            if (FAILED(downloader_->CreateProxyServer(proxy.GetAddressOf()))) proxy.Reset();
        }
        if (proxy && network.connectMode == CONNECT_SYSTEM_SETTINGS) {
            proxy->put_Type(qorpstIE);
        } else if (proxy) {
            proxy->put_Type(static_cast<ProxyServerType>(network.proxyServerType));
            proxy->put_Address(win::ToBstr(network.proxyServerIP).Get());
            proxy->put_Port(static_cast<short>(network.proxyServerPort));
            proxy->put_UserName(win::ToBstr(network.proxyServerAuthUserName).Get());
            proxy->put_Password(win::ToBstr(network.proxyServerAuthPassword).Get());
        }
        if (ftp)
            downloader_->put_FtpProxyServer(proxy.Get());
        else
            downloader_->put_HttpProxyServer(proxy.Get());
    }
    if (installer_) installer_->SetOption(kInstallerOption);
    downloader_->put_ConcurrentJobCount(settings_.GetDownloadLimits(false).maxDownloadJobCount);
}

void EngineSession::LoadExcludedUpdates() {
    excluded_.clear();
    win::ComPtr<IXMLDOMDocument> document;
    if (FAILED(win::LoadXmlFile(win::AnsiToWide(settings_.FilterXmlPath()), document))) return;
    win::ComPtr<IXMLDOMNodeList> nodes;
    win::Bstr query(L"//UpdateID");
    if (FAILED(document->selectNodes(query.Get(), nodes.GetAddressOf())) || !nodes) return;
    LONG count = 0;
    if (FAILED(nodes->get_length(&count))) return;
    for (LONG i = 0; i < count; ++i) {
        win::ComPtr<IXMLDOMNode> node;
        if (FAILED(nodes->get_item(i, node.GetAddressOf())) || !node) continue;
        std::wstring text = win::NodeText(node.Get());
        wchar_t* end = nullptr;
        long value = wcstol(text.c_str(), &end, 10);
        if (end != text.c_str()) excluded_.insert(static_cast<int32_t>(value));
    }
}

void EngineSession::AddListener(SessionListener* listener, bool atFront) {
    if (!listener || std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end())
        return;
    listeners_.insert(atFront ? listeners_.begin() : listeners_.end(), listener);
}

void EngineSession::RemoveListener(SessionListener* listener) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

bool EngineSession::EnsureWindow() {
    if (hwnd()) return true;
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    if (!RegisterWindowClass(instance, kWindowClass)) return false;
    return CreateBoundWindow(instance, kWindowClass, WS_POPUP) != nullptr;
}

bool EngineSession::OnMessage(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
    if (message != kMsgScanFinished) return false;
    OnScanFinished(reinterpret_cast<HWND>(lParam));
    result = 0;
    return true;
}

bool EngineSession::StartScan(HWND requester) {
    if (IsScanning() || DownloadsActive() || InstallationsActive()) return false;
    ClearRecords();
    if (!EnsureWindow()) return false;
    auto* job = new (std::nothrow) ScanJob{
        {settings_.InstallFolder(), settings_.RebootXmlPath(), excluded_}, {}, hwnd(), requester};
    if (!job) return false;
    scanThread_.Reset(::CreateThread(nullptr, 0, &EngineSession::ScanThreadProc, job, 0, nullptr));
    if (!scanThread_) {
        delete job;
        return false;
    }
    scanJob_ = job;
    std::vector<SessionListener*> listeners = listeners_;
    for (SessionListener* listener : listeners) listener->OnScanStarted(requester);
    return true;
}

DWORD WINAPI EngineSession::ScanThreadProc(void* context) {
    auto* job = static_cast<ScanJob*>(context);
    int result = kScanNoEngine;
    {
        win::ComInit com(COINIT_APARTMENTTHREADED);
        if (SUCCEEDED(com.Result())) result = RunScan(job->request, job->records);
    }
    // Posted on failure too, so the session never stays "scanning".
    ::PostMessageA(job->window, kMsgScanFinished, static_cast<WPARAM>(result),
                   reinterpret_cast<LPARAM>(job->requester));
    return static_cast<DWORD>(result);
}

void EngineSession::OnScanFinished(HWND requester) {
    if (!scanThread_) return;
    // The completion is the scan thread's last act, so a plain wait is short;
    // dispatching here would let a window close the session under our feet.
    ::WaitForSingleObject(scanThread_.Get(), INFINITE);
    DWORD code = static_cast<DWORD>(kScanFailed);
    ::GetExitCodeThread(scanThread_.Get(), &code);
    int result = static_cast<int>(code);
    scanThread_.Reset();
    std::unique_ptr<ScanJob> job(scanJob_);
    scanJob_ = nullptr;
    if (result == kScanSucceeded && job) {
        updates_ = std::move(job->records);
        FinishRecords();
    }
    std::vector<SessionListener*> listeners = listeners_;
    for (SessionListener* listener : listeners) listener->OnScanCompleted(requester, result);
}

void EngineSession::FinishRecords() {
    for (auto& record : updates_) {
        handles_.Add(record.get());
        win::ComPtr<IUpdateInfo> info;
        if (catalog_ && FAILED(catalog_->GetUpdate(record->id, info.GetAddressOf()))) info.Reset();
        if (record->fileName.empty() && info) {
            record->fileName = PackageFileName(ReadText(&IUpdateInfo::get_DownloadURL, info.Get()));
            record->checkValue = ReadText(&IUpdateInfo::get_CheckValue, info.Get());
        }
        if (record->status != UpdateStatus::InstalledNeedsReboot)
            record->status = IsPackagePresent(*record) ? UpdateStatus::AlreadyDownloaded
                                                       : UpdateStatus::NotDownloaded;
        AddToGroups(*record, info.Get());
    }
    SortUnique(groups_.products);
    SortUnique(groups_.severities);
    SortUnique(groups_.impacts);
    SortUnique(groups_.languages);
}

void EngineSession::AddToGroups(const UpdateRecord& record, IUpdateInfo* update) {
    if (!record.updatePoints.empty()) {
        const UpdatePoint& first = record.updatePoints.front();
        if (!first.categoryIds.empty()) groups_.products.push_back(first.categoryIds.front());
        groups_.severities.push_back(first.severityRating);
    }
    win::ComPtr<ICatalogEntry> language;
    LONG languageId = 0;
    if (update && SUCCEEDED(update->get_Language(language.GetAddressOf())) && language &&
        SUCCEEDED(language->get_ID(&languageId)))
        groups_.languages.push_back(languageId);
    for (const UpdatePoint& point : record.updatePoints) AddPointGroups(point, record.id);
}

void EngineSession::AddPointGroups(const UpdatePoint& point, int32_t updateId) {
    win::ComPtr<ISecurityBulletin> bulletin;
    if (catalog_ && SUCCEEDED(catalog_->GetBulletin(point.securityBulletinId,
                                                    bulletin.GetAddressOf())) &&
        bulletin) {
        win::ComPtr<ICatalogEntry> impact;
        LONG impactId = 0;
        if (SUCCEEDED(bulletin->get_Impact(impact.GetAddressOf())) && impact &&
            SUCCEEDED(impact->get_ID(&impactId)))
            groups_.impacts.push_back(impactId);
        for (int32_t id : BulletinVulnerabilities(bulletin.Get())) {
            bool known = std::any_of(vulnerabilities_.begin(), vulnerabilities_.end(),
                                     [id](const VulnerabilityEntry& e) {
                                         return e.vulnerabilityId == id;
                                     });
            if (!known) vulnerabilities_.push_back({id, updateId, point.securityBulletinId});
        }
    }
    for (const UpdatePoint& older : point.supersededPoints) AddPointGroups(older, updateId);
}

UpdateRecord* EngineSession::FindRecord(int32_t updateId) const {
    for (const auto& record : updates_) {
        if (record->id == updateId) return record.get();
    }
    return nullptr;
}

bool EngineSession::AnyRebootPending() const {
    return std::any_of(updates_.begin(), updates_.end(), [](const auto& r) {
        return r->status == UpdateStatus::InstalledNeedsReboot;
    });
}

SessionSummary EngineSession::Summary() const { return SummarizeRecords(updates_); }

std::string EngineSession::PackagePath(const UpdateRecord& record) const {
    return settings_.SaveFolder() + "\\" + record.fileName;
}

bool EngineSession::IsPackagePresent(const UpdateRecord& record) const {
    // An exact name check: a search pattern would let "*" or "?" in a
    // catalog's file name match some other file.
    if (record.fileName.empty()) return false;
    DWORD attributes = ::GetFileAttributesA(PackagePath(record).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// --- downloads -------------------------------------------------------------

LONG EngineSession::DownloadJobOf(const UpdateRecord& record) const {
    int32_t handle = handles_.HandleOf(&record);
    for (const auto& [id, job] : downloadJobs_) {
        LONG cookie = 0;
        if (handle && SUCCEEDED(job->get_Cookie(&cookie)) && cookie == handle) return id;
    }
    return 0;
}

win::ComPtr<IQORDownloadJob> EngineSession::DownloadJob(const UpdateRecord& record) const {
    auto it = downloadJobs_.find(DownloadJobOf(record));
    return it == downloadJobs_.end() ? nullptr : it->second;
}

StartResult EngineSession::StartDownload(UpdateRecord& record, bool forceOfficial) {
    // The user excluded it (filter.xml): nothing may fetch it, whoever asks.
    if (record.excluded) return StartResult::Refused;
    if (IsPackagePresent(record)) return StartResult::NothingToDo;
    // A job in the map is queued or running: beginning it again would be
    // refused and lose it, so it simply goes on.
    if (DownloadJobOf(record)) return StartResult::Started;
    if (!downloader_) return StartResult::NoJob;
    win::ComPtr<IQORDownloadJob> job;
    if (FAILED(downloader_->CreateDownloadJob(job.GetAddressOf())) || !job) return StartResult::NoJob;
    ConfigureJob(job.Get(), record, forceOfficial);
    LONG id = 0;
    if (FAILED(job->get_ID(&id))) return StartResult::NoJob;
    downloadJobs_[id] = job;
    if (FAILED(downloader_->BeginDownloadJob(job.Get()))) {
        downloadJobs_.erase(id);
        return StartResult::Refused;
    }
    return StartResult::Started;
}

void EngineSession::ConfigureJob(IQORDownloadJob* job, UpdateRecord& record, bool forceOfficial) {
    win::ComPtr<IUpdateInfo> info;
    if (!catalog_ || FAILED(catalog_->GetUpdate(record.id, info.GetAddressOf())) || !info) return;
    const DownloadGroup& download = settings_.GetDownloadGroup(false);
    const DownloadLimits& limits = settings_.GetDownloadLimits(false);
    std::string address = ReadText(&IUpdateInfo::get_DownloadURL, info.Get());
    std::replace(address.begin(), address.end(), '\\', '/');
    if (download.updatesLocationType == 1 && !forceOfficial) {
        std::string mirror =
            MirrorAddress(address, download.updatesServer, download.downloadDirStruct == 1);
        if (!mirror.empty()) {
            address = mirror;
            record.officialSource = false;
        }
    }
    job->put_DownloadURL(win::ToBstr(address).Get());
    job->put_SavePath(win::ToBstr(settings_.SaveFolder()).Get());
    job->put_FileName(win::ToBstr(record.fileName).Get());
    job->put_ServerUserName(win::ToBstr(download.updatesServerUserName).Get());
    job->put_ServerPassword(win::ToBstr(download.updatesServerPassword).Get());
    if (limits.limitBandwidth != 0)
        job->put_Bandwidth(static_cast<LONG>(
            std::clamp<int64_t>(int64_t{limits.maxBandwidthPerJob} * kBytesPerKilobyte, 0, LONG_MAX)));
    job->put_MaxThreadCount(limits.maxPortionCountPerJob);
    job->put_ResumeBreakpoint(limits.resumeDownload ? VARIANT_TRUE : VARIANT_FALSE);
    job->put_RetryTimes(static_cast<short>(limits.maxRetryTimes));
    // The setting counts seconds; the downloader counts milliseconds.
    job->put_RetryElapse(static_cast<LONG>(std::clamp<int64_t>(
        int64_t{limits.minRetryInterval} * kMillisecondsPerSecond, 0, LONG_MAX)));
    job->put_Cookie(handles_.HandleOf(&record));
}

int EngineSession::CancelDownload(UpdateRecord& record) {
    LONG id = DownloadJobOf(record);
    if (!id || !downloader_) return 1;
    return static_cast<int>(downloader_->StopDownloadJob(id));
}

UpdateRecord* EngineSession::RecordOfDownloadJob(LONG jobId,
                                                 win::ComPtr<IQORDownloadJob>* job) const {
    auto it = downloadJobs_.find(jobId);
    if (it == downloadJobs_.end()) return nullptr;
    LONG cookie = 0;
    if (FAILED(it->second->get_Cookie(&cookie))) return nullptr;
    if (job) *job = it->second;
    return handles_.Find(cookie);
}

void EngineSession::CopyProgress(IQORDownloadJob* job, UpdateRecord& record) const {
    win::ComPtr<IQORDownloadProgress> progress;
    if (FAILED(job->get_DownloadProgress(progress.GetAddressOf())) || !progress) return;
    long value = 0;
    float percent = 0;
    short retried = 0;
    if (SUCCEEDED(progress->get_AverageRate(&value))) record.averageRate = value;
    if (SUCCEEDED(progress->get_ConsumingTime(&value))) record.consumeTime = value;
    if (SUCCEEDED(progress->get_DownloadedPercent(&percent))) record.percent = percent;
    if (SUCCEEDED(progress->get_LeftTime(&value))) record.leftTime = value;
    if (SUCCEEDED(progress->get_RetryLeftTime(&value))) record.retryLeftTime = value;
    if (SUCCEEDED(progress->get_RetriedTimes(&retried))) record.retryTimes = retried;
}

void EngineSession::OnDownloadEvent(DISPID id, const std::vector<LONG>& args) {
    if (args.empty()) return;
    LONG jobId = args[0];
    win::ComPtr<IQORDownloadJob> job;
    UpdateRecord* record = RecordOfDownloadJob(jobId, &job);
    if (!record) return;
    switch (id) {
    case kJobBegin:
        SetStatus(*record, UpdateStatus::DownloadStarted, 0);
        break;
    case kJobBeginReadData:
        SetStatus(*record, UpdateStatus::Downloading, 0);
        break;
    case kJobInProgress: {
        CopyProgress(job.Get(), *record);
        DownloadJobStatus status = qorjsDownloading;
        job->get_StatusCode(&status);
        SetStatus(*record,
                  status == qorjsWaitingForRetry ? UpdateStatus::DownloadWaitingRetry
                                                 : UpdateStatus::Downloading,
                  0);
        break;
    }
    case kJobWaiting:
        SetStatus(*record, UpdateStatus::DownloadWaiting, 0);
        break;
    case kJobPaused:
        SetStatus(*record, UpdateStatus::DownloadPaused, 0);
        break;
    case kJobWaitingForRetry:
        CopyProgress(job.Get(), *record);
        SetStatus(*record, UpdateStatus::DownloadWaitingRetry, 0);
        break;
    case kJobCanceled:
        downloadJobs_.erase(jobId);
        SetStatus(*record, UpdateStatus::DownloadCanceled, 0);
        break;
    case kJobCompleted:
        downloadJobs_.erase(jobId);
        CopyProgress(job.Get(), *record);
        SetStatus(*record, UpdateStatus::DownloadCompleted, 0);
        if (record->installAfterDownload) StartInstallation(*record);
        break;
    case kJobError: {
        downloadJobs_.erase(jobId);
        LONG code = args.size() > 1 ? args[1] : 0;
        if (!record->officialSource &&
            settings_.GetDownloadGroup(false).downloadFailFromOfficial == 1) {
            record->officialSource = true;
            // The record stays as it is while the official copy is fetched;
            // only when that cannot even start is the failure shown.
            if (StartDownload(*record, true) == StartResult::Started) break;
        }
        SetStatus(*record, UpdateStatus::DownloadFailed, code);
        break;
    }
    default:
        break;
    }
}

// --- installations ---------------------------------------------------------

LONG EngineSession::InstallJobOf(const UpdateRecord& record) const {
    int32_t handle = handles_.HandleOf(&record);
    for (const auto& [id, job] : installJobs_) {
        LONG tag = 0;
        if (handle && SUCCEEDED(job->get_Tag(&tag)) && tag == handle) return id;
    }
    return 0;
}

StartResult EngineSession::StartInstallation(UpdateRecord& record) {
    if (record.excluded) return StartResult::Refused;
    if (!IsPackagePresent(record)) return StartResult::NoJob;
    // Already queued or running: queueing it twice would install it twice.
    if (InstallJobOf(record)) return StartResult::Started;
    if (!installer_) return StartResult::NoJob;
    win::ComPtr<IInstallJob> job;
    if (FAILED(installer_->CreateInstallJob(job.GetAddressOf())) || !job) return StartResult::NoJob;
    win::ComPtr<IUpdateInfo> info;
    if (catalog_ && SUCCEEDED(catalog_->GetUpdate(record.id, info.GetAddressOf())) && info)
        job->put_Update(info.Get());
    job->SetMode(kInstallMode);
    job->put_PackagePath(win::ToBstr(PackagePath(record)).Get());
    job->put_Tag(handles_.HandleOf(&record));
    LONG id = 0;
    if (FAILED(job->get_ID(&id))) return StartResult::NoJob;
    installJobs_[id] = job;
    if (FAILED(installer_->QueueJob(job.Get()))) {
        installJobs_.erase(id);
        return StartResult::Refused;
    }
    return StartResult::Started;
}

int EngineSession::CancelInstallation(UpdateRecord& record) {
    LONG id = InstallJobOf(record);
    if (record.status == UpdateStatus::Installing || !id || !installer_) return 1;
    return static_cast<int>(installer_->CancelJob(id));
}

UpdateRecord* EngineSession::RecordOfInstallJob(LONG jobId) const {
    auto it = installJobs_.find(jobId);
    if (it == installJobs_.end()) return nullptr;
    LONG tag = 0;
    if (FAILED(it->second->get_Tag(&tag))) return nullptr;
    return handles_.Find(tag);
}

void EngineSession::OnInstallEvent(DISPID id, const std::vector<LONG>& args) {
    if (args.empty()) return;
    LONG jobId = args[0];
    UpdateRecord* record = RecordOfInstallJob(jobId);
    if (!record) return;
    switch (id) {
    case engine::kEventInstalling:
        SetStatus(*record, UpdateStatus::Installing, 0);
        break;
    case engine::kEventWaiting:
        SetStatus(*record, UpdateStatus::InstallWaiting, 0);
        break;
    case engine::kEventInstalled: {
        installJobs_.erase(jobId);
        bool reboot = args.size() > 1 && args[1] != 0;
        record->status = reboot ? UpdateStatus::InstalledNeedsReboot : UpdateStatus::Installed;
        record->errorCode = 0;
        // Saved at once: the list must survive until the reboot.
        if (reboot) SaveUpdateList(settings_.RebootXmlPath(), updates_);
        NotifyChanged(*record);
        break;
    }
    case engine::kEventFailed:
        installJobs_.erase(jobId);
        SetStatus(*record, UpdateStatus::InstallFailed, args.size() > 1 ? args[1] : 0);
        break;
    case engine::kEventCanceled:
        installJobs_.erase(jobId);
        SetStatus(*record, UpdateStatus::InstallCanceled, 0);
        break;
    default:
        break;
    }
}

RepairedCount EngineSession::CountRepairedVulnerabilities() const {
    std::set<int32_t> installed;
    std::set<int32_t> awaitingReboot;
    std::function<void(const UpdatePoint&, std::set<int32_t>&)> collect =
        [&](const UpdatePoint& point, std::set<int32_t>& into) {
            win::ComPtr<ISecurityBulletin> bulletin;
            if (catalog_ && SUCCEEDED(catalog_->GetBulletin(point.securityBulletinId,
                                                            bulletin.GetAddressOf())) &&
                bulletin) {
                for (int32_t id : BulletinVulnerabilities(bulletin.Get())) into.insert(id);
            }
            for (const UpdatePoint& older : point.supersededPoints) collect(older, into);
        };
    for (const auto& record : updates_) {
        std::set<int32_t>* into = record->status == UpdateStatus::Installed ? &installed
                                  : record->status == UpdateStatus::InstalledNeedsReboot
                                      ? &awaitingReboot
                                      : nullptr;
        if (!into) continue;
        for (const UpdatePoint& point : record->updatePoints) collect(point, *into);
    }
    RepairedCount count;
    count.awaitingReboot = static_cast<int>(awaitingReboot.size());
    count.total = count.awaitingReboot;
    for (int32_t id : installed) {
        if (!awaitingReboot.count(id)) ++count.total;
    }
    return count;
}

// --- changes -----------------------------------------------------------------

void EngineSession::SetStatus(UpdateRecord& record, UpdateStatus status, int32_t errorCode) {
    record.status = status;
    record.errorCode = errorCode;
    NotifyChanged(record);
}

void EngineSession::NotifyChanged(UpdateRecord& record) {
    std::vector<SessionListener*> listeners = listeners_;
    for (SessionListener* listener : listeners) listener->OnUpdateChanged(&record);
}

}  // namespace zema
