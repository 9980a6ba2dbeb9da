#include "qor/com/download_job.h"

#include <new>

#include "netclient/file_checksum.h"
#include "qor/com/com_util.h"
#include "qor/com/decimal_value.h"
#include "qor/com/job_table.h"

namespace qor {

HRESULT DownloadJob::Create(DownloadJob** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    win::ComPtr<DownloadJob> job;
    job = win::TakeOwnership(new (std::nothrow) DownloadJob());
    if (!job) return E_OUTOFMEMORY;
    job->progress_ = win::TakeOwnership(DownloadProgress::Create());
    if (!job->progress_) return E_OUTOFMEMORY;
    job->id_ = JobTable::Add(job.Get());
    if (job->id_ == 0) return E_OUTOFMEMORY;
    *out = job.Detach();
    return S_OK;
}

win::ComPtr<DownloadJob> DownloadJob::FromId(int32_t id) {
    win::ComPtr<DownloadJob> found;
    JobTable::With(id, [&](DownloadJob* job) {
        if (job->TryAddRef()) found = win::TakeOwnership(job);
    });
    return found;
}

DownloadJob::~DownloadJob() {
    if (id_) JobTable::Remove(id_);
}

HRESULT DownloadJob::PutText(std::string& field, BSTR value) {
    if (readOnly_) return E_FAIL;
    std::lock_guard<std::mutex> guard(lock_);
    field = win::FromBstr(value);
    return S_OK;
}

template <typename T, typename V>
HRESULT DownloadJob::PutValue(std::atomic<T>& field, V value) {
    if (readOnly_) return E_FAIL;
    field = static_cast<T>(value);
    return S_OK;
}

STDMETHODIMP DownloadJob::get_DownloadURL(BSTR* value) {
    std::lock_guard<std::mutex> guard(lock_);
    return ReturnText(url_, value);
}
STDMETHODIMP DownloadJob::put_DownloadURL(BSTR value) { return PutText(url_, value); }

STDMETHODIMP DownloadJob::get_SavePath(BSTR* value) {
    std::lock_guard<std::mutex> guard(lock_);
    return ReturnText(savePath_, value);
}
STDMETHODIMP DownloadJob::put_SavePath(BSTR value) { return PutText(savePath_, value); }

STDMETHODIMP DownloadJob::get_FileName(BSTR* value) {
    std::lock_guard<std::mutex> guard(lock_);
    return ReturnText(fileName_, value);
}
STDMETHODIMP DownloadJob::put_FileName(BSTR value) { return PutText(fileName_, value); }

STDMETHODIMP DownloadJob::get_FileLength(DECIMAL* value) {
    return ReturnValue(ToDecimal(fileLength_), value);
}

STDMETHODIMP DownloadJob::get_MD5(BSTR* value) {
    if (!value) return E_POINTER;
    *value = nullptr;
    if (status_ != qorjsCompleted) return E_FAIL;
    std::string target;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!md5_.empty()) return ReturnText(md5_, value);
        target = targetPath_;
    }
    std::string sum = netclient::FileChecksum::OfFile(target);
    if (sum.empty()) return E_FAIL;
    std::lock_guard<std::mutex> guard(lock_);
    md5_ = sum;
    return ReturnText(md5_, value);
}

STDMETHODIMP DownloadJob::get_ID(LONG* value) { return ReturnValue(id_, value); }

STDMETHODIMP DownloadJob::get_MaxThreadCount(LONG* value) {
    return ReturnValue(maxThreadCount_.load(), value);
}
STDMETHODIMP DownloadJob::put_MaxThreadCount(LONG value) { return PutValue(maxThreadCount_, value); }

STDMETHODIMP DownloadJob::get_DownloadProgress(IQORDownloadProgress** value) {
    if (!value) return E_POINTER;
    return progress_.CopyTo(value);
}

STDMETHODIMP DownloadJob::get_StatusCode(DownloadJobStatus* value) {
    return ReturnValue(status_.load(), value);
}

STDMETHODIMP DownloadJob::get_ServerUserName(BSTR* value) {
    std::lock_guard<std::mutex> guard(lock_);
    return ReturnText(userName_, value);
}
STDMETHODIMP DownloadJob::put_ServerUserName(BSTR value) { return PutText(userName_, value); }

STDMETHODIMP DownloadJob::get_ServerPassword(BSTR* value) {
    std::lock_guard<std::mutex> guard(lock_);
    return ReturnText(password_, value);
}
STDMETHODIMP DownloadJob::put_ServerPassword(BSTR value) { return PutText(password_, value); }

STDMETHODIMP DownloadJob::get_ResumeBreakpoint(VARIANT_BOOL* value) {
    return ReturnBool(resume_, value);
}
STDMETHODIMP DownloadJob::put_ResumeBreakpoint(VARIANT_BOOL value) {
    return PutValue(resume_, value != VARIANT_FALSE);
}

STDMETHODIMP DownloadJob::get_ReadOnly(VARIANT_BOOL* value) { return ReturnBool(readOnly_, value); }

STDMETHODIMP DownloadJob::get_RetryTimes(short* value) {
    return ReturnValue(retryTimes_.load(), value);
}
STDMETHODIMP DownloadJob::put_RetryTimes(short value) { return PutValue(retryTimes_, value); }

STDMETHODIMP DownloadJob::get_RetryElapse(LONG* value) {
    return ReturnValue(retryElapse_.load(), value);
}
STDMETHODIMP DownloadJob::put_RetryElapse(LONG value) { return PutValue(retryElapse_, value); }

STDMETHODIMP DownloadJob::get_Timeout(LONG* value) { return ReturnValue(timeout_.load(), value); }
STDMETHODIMP DownloadJob::put_Timeout(LONG value) { return PutValue(timeout_, value); }

STDMETHODIMP DownloadJob::get_Bandwidth(LONG* value) {
    return ReturnValue(bandwidth_.load(), value);
}
STDMETHODIMP DownloadJob::put_Bandwidth(LONG value) { return PutValue(bandwidth_, value); }

STDMETHODIMP DownloadJob::get_Cookie(LONG* value) { return ReturnValue(cookie_.load(), value); }
STDMETHODIMP DownloadJob::put_Cookie(LONG value) { return PutValue(cookie_, value); }

STDMETHODIMP DownloadJob::get_EnableRedirect(VARIANT_BOOL* value) {
    return ReturnBool(enableRedirect_, value);
}
STDMETHODIMP DownloadJob::put_EnableRedirect(VARIANT_BOOL value) {
    return PutValue(enableRedirect_, value != VARIANT_FALSE);
}

STDMETHODIMP DownloadJob::get_RedirectURL(BSTR* value) {
    std::lock_guard<std::mutex> guard(lock_);
    return ReturnText(redirectUrl_, value);
}

JobSettings DownloadJob::Settings() {
    JobSettings s;
    std::lock_guard<std::mutex> guard(lock_);
    s.url = url_;
    s.savePath = savePath_;
    s.fileName = fileName_;
    s.userName = userName_;
    s.password = password_;
    s.maxThreadCount = maxThreadCount_;
    s.retryElapse = retryElapse_;
    s.timeout = timeout_;
    s.retryTimes = retryTimes_;
    s.bandwidth = bandwidth_;
    s.resume = resume_;
    s.enableRedirect = enableRedirect_;
    return s;
}

void DownloadJob::SetFileName(const std::string& name) {
    std::lock_guard<std::mutex> guard(lock_);
    fileName_ = name;
}

void DownloadJob::SetTargetPath(const std::string& path) {
    std::lock_guard<std::mutex> guard(lock_);
    targetPath_ = path;
    md5_.clear();  // a new run makes a new file
}

void DownloadJob::SetRedirectUrl(const std::string& url) {
    std::lock_guard<std::mutex> guard(lock_);
    redirectUrl_ = url;
}

}  // namespace qor
