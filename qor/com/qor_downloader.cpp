// Winsock must come before <windows.h>.
#include <winsock2.h>

#include "qor/com/qor_downloader.h"

#include <olectl.h>

#include <new>

#include "netclient/url.h"
#include "qor/com/download_job.h"
#include "qor/com/enumerator.h"
#include "qor/com/event_window.h"
#include "qor/com/proxy_server.h"
#include "qor/com/qor_module.h"
#include "qor/jobs/job_messages.h"
#include "qor/jobs/job_scheduler.h"
#include "win/path.h"
#include "win/text.h"

namespace qor {
namespace {

using PointEnumerator =
    Enumerator<IEnumConnectionPoints, IConnectionPoint*, InterfaceItem<IConnectionPoint>>;

std::string TrimWorkPath(std::string path) {
    while (!path.empty() && isspace(static_cast<unsigned char>(path.back()))) path.pop_back();
    return win::StripTrailingSeparators(std::move(path));
}

bool IsBusy(DownloadJobStatus status) {
    return status == qorjsBegin || status == qorjsWaiting || status == qorjsDownloading ||
           status == qorjsPaused || status == qorjsWaitingForRetry;
}

}  // namespace

HRESULT QORDownloader::Create(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    win::ComPtr<QORDownloader> downloader;
    downloader = win::TakeOwnership(new (std::nothrow) QORDownloader());
    if (!downloader || !downloader->events_) return E_OUTOFMEMORY;
    return downloader->QueryInterface(riid, object);
}

QORDownloader::QORDownloader() {
    WSADATA data;
    winsock_ = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    events_ = win::TakeOwnership(new (std::nothrow) ConnectionPoint(this, DIID__IQORDownloadJobEvents));
}

QORDownloader::~QORDownloader() {
    // The scheduler cancels its jobs without events; then no window is left
    // to fire any.
    scheduler_.reset();
    eventWindow_.reset();
    {
        // Jobs still queued were never run: another downloader may begin
        // them.
        std::lock_guard<std::mutex> guard(state_.lock);
        for (auto& entry : state_.pending)
            if (entry.second) entry.second->Disown();
        state_.pending.clear();
    }
    if (events_) events_->Clear();
    httpProxy_.Reset();
    ftpProxy_.Reset();
    if (winsock_) ::WSACleanup();
}

void* QORDownloader::FindMore(REFIID riid) {
    return riid == IID_IProvideClassInfo ? static_cast<IProvideClassInfo2*>(this) : nullptr;
}

STDMETHODIMP QORDownloader::get_ConcurrentJobCount(LONG* value) {
    if (!value) return E_POINTER;
    std::lock_guard<std::mutex> guard(state_.lock);
    *value = state_.concurrency;
    return S_OK;
}

STDMETHODIMP QORDownloader::put_ConcurrentJobCount(LONG value) {
    {
        std::lock_guard<std::mutex> guard(state_.lock);
        state_.concurrency = value;
    }
    RefreshSettings();
    return S_OK;
}

HRESULT QORDownloader::GetProxy(const win::ComPtr<IQORProxyServer>& stored,
                                IQORProxyServer** value) {
    if (!value) return E_POINTER;
    *value = nullptr;
    if (!stored) return E_FAIL;
    return stored->QueryInterface(IID_PPV_ARGS(value));
}

STDMETHODIMP QORDownloader::get_HttpProxyServer(IQORProxyServer** value) {
    return GetProxy(httpProxy_, value);
}

STDMETHODIMP QORDownloader::put_HttpProxyServer(IQORProxyServer* value) {
    httpProxy_ = value;
    RefreshSettings();
    return S_OK;
}

STDMETHODIMP QORDownloader::get_FtpProxyServer(IQORProxyServer** value) {
    return GetProxy(ftpProxy_, value);
}

STDMETHODIMP QORDownloader::put_FtpProxyServer(IQORProxyServer* value) {
    ftpProxy_ = value;
    RefreshSettings();
    return S_OK;
}

void QORDownloader::RefreshSettings() {
    netclient::ProxyEndpoint http = ProxyServer::Snapshot(httpProxy_.Get());
    netclient::ProxyEndpoint ftp = ProxyServer::Snapshot(ftpProxy_.Get());
    {
        std::lock_guard<std::mutex> guard(state_.lock);
        state_.httpProxy = http;
        state_.ftpProxy = ftp;
        ++state_.settingsSerial;
    }
    if (scheduler_ && scheduler_->Window())
        ::PostMessageA(scheduler_->Window(), JM_SETTINGS, 0, 0);
}

bool QORDownloader::EnsureScheduler() {
    if (!eventWindow_) {
        auto window = std::make_unique<EventWindow>(events_.Get());
        if (!window->Create()) return false;
        eventWindow_ = std::move(window);
    }
    if (!scheduler_) {
        RefreshSettings();
        auto scheduler = std::make_unique<JobScheduler>(state_, eventWindow_->Handle(),
                                                        QorModule::Instance());
        if (!scheduler->Start()) return false;
        scheduler_ = std::move(scheduler);
    }
    return true;
}

STDMETHODIMP QORDownloader::BeginDownloadJob(IQORDownloadJob* job) {
    if (!job) return E_POINTER;
    if (!EnsureScheduler()) return E_FAIL;
    LONG id = 0;
    if (FAILED(job->get_ID(&id))) return E_FAIL;
    win::ComPtr<DownloadJob> own = DownloadJob::FromId(id);
    if (!own) return E_FAIL;
    if (IsBusy(own->Status()) || own->IsReadOnly()) return E_FAIL;
    const int kind = netclient::GetUrlKind(own->Settings().url);
    if (kind != netclient::kUrlFtp && kind != netclient::kUrlHttp &&
        kind != netclient::kUrlHttps && kind != netclient::kUrlFile)
        return E_FAIL;
    // A job whose run is queued or still owned by the scheduler cannot be
    // begun a second time. Nothing below fails, so the claim always goes
    // with a queued run.
    if (!own->Claim()) return E_FAIL;
    {
        std::lock_guard<std::mutex> guard(state_.lock);
        state_.pending.emplace_back(id, own);
    }
    ::PostMessageA(scheduler_->Window(), JM_APPEND, 0, MakeJobParam(id));
    return S_OK;
}

STDMETHODIMP QORDownloader::StopDownloadJob(LONG id) {
    win::ComPtr<ScheduledJob> queued;
    {
        std::lock_guard<std::mutex> guard(state_.lock);
        queued = state_.TakePending(id);
    }
    if (queued) {
        queued->Disown();
        if (eventWindow_) ::PostMessageA(eventWindow_->Handle(), JM_CANCELED, 0, MakeJobParam(id));
    } else if (scheduler_) {
        ::PostMessageA(scheduler_->Window(), JM_STOP, 0, MakeJobParam(id));
    }
    return S_OK;
}

STDMETHODIMP QORDownloader::PauseDownloadJob(LONG id) {
    {
        std::lock_guard<std::mutex> guard(state_.lock);
        if (state_.IsPending(id)) return S_OK;
    }
    if (scheduler_) ::PostMessageA(scheduler_->Window(), JM_PAUSE, 0, MakeJobParam(id));
    return S_OK;
}

STDMETHODIMP QORDownloader::ResumeDownloadJob(LONG id) {
    {
        std::lock_guard<std::mutex> guard(state_.lock);
        if (state_.IsPending(id)) return S_OK;
    }
    if (scheduler_) ::PostMessageA(scheduler_->Window(), JM_RESUME, 0, MakeJobParam(id));
    return S_OK;
}

STDMETHODIMP QORDownloader::CreateDownloadJob(IQORDownloadJob** job) {
    if (!job) return E_POINTER;
    *job = nullptr;
    if (!initialized_) return E_FAIL;
    DownloadJob* created = nullptr;
    HRESULT hr = DownloadJob::Create(&created);
    if (FAILED(hr)) return hr;
    *job = created;
    return S_OK;
}

STDMETHODIMP QORDownloader::CreateProxyServer(IQORProxyServer** proxy) {
    if (!proxy) return E_POINTER;
    return SUCCEEDED(ProxyServer::Create(proxy)) ? S_OK : E_FAIL;
}

STDMETHODIMP QORDownloader::Initialize(BSTR workPath) {
    if (initialized_) return S_OK;
    workPath_ = TrimWorkPath(win::FromBstr(workPath));
    initialized_ = true;
    return S_OK;
}

STDMETHODIMP QORDownloader::EnumConnectionPoints(IEnumConnectionPoints** points) {
    if (!points) return E_POINTER;
    return PointEnumerator::Create({events_.Get()}, points);
}

STDMETHODIMP QORDownloader::FindConnectionPoint(REFIID riid, IConnectionPoint** point) {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (riid != DIID__IQORDownloadJobEvents) return CONNECT_E_NOCONNECTION;
    return events_.CopyTo(point);
}

STDMETHODIMP QORDownloader::GetClassInfo(ITypeInfo** info) {
    return QorModule::GetTypeInfo(CLSID_QORDownloader, info);
}

STDMETHODIMP QORDownloader::GetGUID(DWORD kind, GUID* guid) {
    if (!guid) return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
        *guid = GUID_NULL;
        return E_INVALIDARG;
    }
    *guid = DIID__IQORDownloadJobEvents;
    return S_OK;
}

}  // namespace qor
