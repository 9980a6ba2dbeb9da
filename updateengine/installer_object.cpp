#include "updateengine/installer_object.h"

#include <atomic>

#include "updateengine/install_job_object.h"
#include "updateengine/snapshot_enumerator.h"

namespace updateengine {
namespace {

constexpr char kWindowClass[] = "UpdateEngineInstallerWindow";
std::atomic<uint64_t> g_installers{0};
// Posted by the worker whenever events wait.
constexpr UINT kEventsWaiting = WM_APP + 1;

}  // namespace

HRESULT InstallerObject::Create(std::shared_ptr<const Catalog> catalog,
                                IUpdateInstaller** installer) {
    if (!installer) return E_POINTER;
    *installer = nullptr;
    win::ComPtr<InstallerObject> created =
        win::TakeOwnership(new (std::nothrow) InstallerObject(std::move(catalog)));
    if (!created) return E_OUTOFMEMORY;
    HRESULT hr = created->Start();
    if (FAILED(hr)) return hr;
    return HandOut(created, installer);
}

void InstallerObject::UnregisterWindowClass() {
    ::UnregisterClassA(kWindowClass, ModuleInstance());
}

InstallerObject::InstallerObject(std::shared_ptr<const Catalog> catalog)
    : serial_(++g_installers), catalog_(std::move(catalog)), point_(this) {}

InstallerObject::~InstallerObject() {
    worker_.reset();
    Unbind();
}

HRESULT InstallerObject::Start() {
    if (!RegisterWindowClass(ModuleInstance(), kWindowClass))
        return HRESULT_FROM_WIN32(::GetLastError());
    window_.Reset(CreateBoundWindow(ModuleInstance(), kWindowClass, 0, HWND_MESSAGE));
    if (!window_) return HRESULT_FROM_WIN32(::GetLastError());
    HWND window = window_.Get();
    return Guarded([&] {
        worker_ = std::make_unique<InstallWorker>(
            [window] { ::PostMessageA(window, kEventsWaiting, 0, 0); });
        return worker_->Start();
    });
}

bool InstallerObject::OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) {
    if (message != kEventsWaiting) return false;
    FireEvents();
    result = 0;
    return true;
}

void InstallerObject::FireEvents() {
    // A sink may drop the last outside reference while it is told.
    win::ComPtr<IUpdateInstaller> keepAlive(this);
    try {
        std::deque<InstallEvent> taken = worker_->TakeEvents();
        pending_.insert(pending_.end(), taken.begin(), taken.end());
        if (firing_) return;  // the outer call fires them, in order
        firing_ = true;
        while (!pending_.empty()) {
            InstallEvent event = pending_.front();
            pending_.pop_front();
            Fire(event, point_.Sinks());
        }
        firing_ = false;
    } catch (...) {
        // Out of memory while copying: these events are lost, later ones
        // still arrive.
        firing_ = false;
    }
}

void InstallerObject::Fire(const InstallEvent& event,
                           const std::vector<win::ComPtr<IDispatch>>& sinks) {
    using namespace zema::engine;
    // Arguments go right to left.
    VARIANTARG args[2];
    ::VariantInit(&args[0]);
    ::VariantInit(&args[1]);
    DISPPARAMS params = {args, nullptr, 1, 0};
    DISPID id = kEventWaiting;
    switch (event.kind) {
    case InstallEventKind::Waiting: id = kEventWaiting; break;
    case InstallEventKind::Installing: id = kEventInstalling; break;
    case InstallEventKind::Canceled: id = kEventCanceled; break;
    case InstallEventKind::Installed: id = kEventInstalled; break;
    case InstallEventKind::Failed: id = kEventFailed; break;
    }
    VARIANTARG& jobId = (id == kEventInstalled || id == kEventFailed) ? args[1] : args[0];
    jobId.vt = VT_I4;
    jobId.lVal = event.jobId;
    if (id == kEventInstalled) {
        args[0].vt = VT_BOOL;
        args[0].boolVal = event.rebootNeeded ? VARIANT_TRUE : VARIANT_FALSE;
        params.cArgs = 2;
    } else if (id == kEventFailed) {
        args[0].vt = VT_I4;
        args[0].lVal = event.errorCode;
        params.cArgs = 2;
    }
    for (const win::ComPtr<IDispatch>& sink : sinks)
        sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                     nullptr);
}

STDMETHODIMP InstallerObject::CreateInstallJob(IInstallJob** job) {
    if (!job) return E_POINTER;
    *job = nullptr;
    win::ComPtr<InstallJobObject> created = InstallJobObject::Create(serial_);
    return HandOut(created, job);
}

STDMETHODIMP InstallerObject::QueueJob(IInstallJob* job) {
    InstallJobObject* own = InstallJobObject::Recognise(job, serial_);
    if (!own || own->Mode() != zema::engine::kInstallModeInstall || own->PackagePath().empty() ||
        !own->Update())
        return E_FAIL;
    // The check value and the arguments come from this engine's definitions,
    // whatever object the caller handed in as the update.
    LONG updateId = 0;
    if (FAILED(own->Update()->get_ID(&updateId))) return E_FAIL;
    const CatalogUpdate* update = catalog_->FindUpdate(updateId);
    if (!update) return E_FAIL;
    return Guarded([&] {
        InstallRequest request;
        request.jobId = own->Id();
        request.packagePath = own->PackagePath();
        request.checkValue = update->checkValue;
        request.arguments = update->arguments;
        return worker_->Queue(std::move(request)) == InstallWorker::QueueResult::Queued ? S_OK
                                                                                        : S_FALSE;
    });
}

STDMETHODIMP InstallerObject::CancelJob(LONG jobId) {
    return worker_->Cancel(jobId) ? S_OK : E_FAIL;
}

STDMETHODIMP InstallerObject::SetOption(LONG option) {
    if (option != zema::engine::kInstallerAttended && option != zema::engine::kInstallerUnattended)
        return E_FAIL;
    worker_->SetUnattended(option == zema::engine::kInstallerUnattended);
    return S_OK;
}

STDMETHODIMP InstallerObject::EnumConnectionPoints(IEnumConnectionPoints** points) {
    if (!points) return E_POINTER;
    *points = nullptr;
    return Guarded([&] {
        std::vector<ConnectionPointItems::Stored> items{win::ComPtr<IConnectionPoint>(&point_)};
        return HandOut(MakeObject<SnapshotEnumerator<ConnectionPointItems>>(std::move(items)),
                       points);
    });
}

STDMETHODIMP InstallerObject::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (iid != DIID_IInstallJobEvents) return CONNECT_E_NOCONNECTION;
    point_.AddRef();
    *point = &point_;
    return S_OK;
}

}  // namespace updateengine
