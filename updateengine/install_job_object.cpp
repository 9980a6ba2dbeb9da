#include "updateengine/install_job_object.h"

#include <mutex>

#include "win/handle_table.h"

namespace updateengine {
namespace {

// Jobs live on their installers' threads, which may be several.
std::mutex g_jobsLock;
win::HandleTable<InstallJobObject> g_jobs;

}  // namespace

win::ComPtr<InstallJobObject> InstallJobObject::Create(uint64_t owner) {
    win::ComPtr<InstallJobObject> job =
        win::TakeOwnership(new (std::nothrow) InstallJobObject(owner));
    if (!job) return job;
    try {
        std::lock_guard<std::mutex> hold(g_jobsLock);
        job->id_ = g_jobs.Add(job.Get());
    } catch (...) {
        job.Reset();
    }
    return job;
}

InstallJobObject* InstallJobObject::Recognise(IInstallJob* job, uint64_t owner) {
    LONG id = 0;
    if (!job || FAILED(job->get_ID(&id))) return nullptr;
    std::lock_guard<std::mutex> hold(g_jobsLock);
    InstallJobObject* known = g_jobs.Find(id);
    if (!known || static_cast<IInstallJob*>(known) != job || known->owner_ != owner) return nullptr;
    return known;
}

InstallJobObject::~InstallJobObject() {
    if (id_ == 0) return;
    std::lock_guard<std::mutex> hold(g_jobsLock);
    g_jobs.Remove(id_);
}

STDMETHODIMP InstallJobObject::SetMode(LONG mode) {
    if (mode != zema::engine::kInstallModeInstall) return E_FAIL;
    mode_ = mode;
    return S_OK;
}

STDMETHODIMP InstallJobObject::get_Tag(LONG* tag) { return ReturnValue(tag_, tag); }

STDMETHODIMP InstallJobObject::put_Tag(LONG tag) {
    tag_ = tag;
    return S_OK;
}

STDMETHODIMP InstallJobObject::get_ID(LONG* jobId) { return ReturnValue<LONG>(id_, jobId); }

STDMETHODIMP InstallJobObject::get_PackagePath(BSTR* path) {
    return ReturnText(packagePath_, path);
}

STDMETHODIMP InstallJobObject::put_PackagePath(BSTR path) {
    return Guarded([&] {
        packagePath_.assign(path ? path : L"", path ? ::SysStringLen(path) : 0);
        return S_OK;
    });
}

STDMETHODIMP InstallJobObject::get_Update(IUpdateInfo** update) {
    if (!update) return E_POINTER;
    *update = update_.Get();
    if (*update) (*update)->AddRef();
    return S_OK;
}

STDMETHODIMP InstallJobObject::put_Update(IUpdateInfo* update) {
    update_ = update;
    return S_OK;
}

}  // namespace updateengine
