#pragma once
// DownloadJob: one file to fetch, its settings, its state and its progress.
// Properties are set on the caller's thread; the scheduler and the transfer
// threads read the settings when a run starts and change the state.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "qor/com/dispatch_impl.h"
#include "qor/com/download_progress.h"
#include "qor/jobs/scheduled_job.h"
#include "qor/qor.h"
#include "win/com.h"
#include "win/com_object.h"

namespace qor {

class DownloadJob final : public win::ComObject<DispatchImpl<IQORDownloadJob>, ScheduledJob>,
                          private ModuleObject {
public:
    static HRESULT Create(DownloadJob** out);
    // The live job with this ID, referenced, or null.
    static win::ComPtr<DownloadJob> FromId(int32_t id);

    STDMETHODIMP get_DownloadURL(BSTR* value) override;
    STDMETHODIMP put_DownloadURL(BSTR value) override;
    STDMETHODIMP get_SavePath(BSTR* value) override;
    STDMETHODIMP put_SavePath(BSTR value) override;
    STDMETHODIMP get_FileName(BSTR* value) override;
    STDMETHODIMP put_FileName(BSTR value) override;
    STDMETHODIMP get_FileLength(DECIMAL* value) override;
    STDMETHODIMP get_MD5(BSTR* value) override;
    STDMETHODIMP get_ID(LONG* value) override;
    STDMETHODIMP get_MaxThreadCount(LONG* value) override;
    STDMETHODIMP put_MaxThreadCount(LONG value) override;
    STDMETHODIMP get_DownloadProgress(IQORDownloadProgress** value) override;
    STDMETHODIMP get_StatusCode(DownloadJobStatus* value) override;
    STDMETHODIMP get_ServerUserName(BSTR* value) override;
    STDMETHODIMP put_ServerUserName(BSTR value) override;
    STDMETHODIMP get_ServerPassword(BSTR* value) override;
    STDMETHODIMP put_ServerPassword(BSTR value) override;
    STDMETHODIMP get_ResumeBreakpoint(VARIANT_BOOL* value) override;
    STDMETHODIMP put_ResumeBreakpoint(VARIANT_BOOL value) override;
    STDMETHODIMP get_ReadOnly(VARIANT_BOOL* value) override;
    STDMETHODIMP get_RetryTimes(short* value) override;
    STDMETHODIMP put_RetryTimes(short value) override;
    STDMETHODIMP get_RetryElapse(LONG* value) override;
    STDMETHODIMP put_RetryElapse(LONG value) override;
    STDMETHODIMP get_Timeout(LONG* value) override;
    STDMETHODIMP put_Timeout(LONG value) override;
    STDMETHODIMP get_Bandwidth(LONG* value) override;
    STDMETHODIMP put_Bandwidth(LONG value) override;
    STDMETHODIMP get_Cookie(LONG* value) override;
    STDMETHODIMP put_Cookie(LONG value) override;
    STDMETHODIMP get_EnableRedirect(VARIANT_BOOL* value) override;
    STDMETHODIMP put_EnableRedirect(VARIANT_BOOL value) override;
    STDMETHODIMP get_RedirectURL(BSTR* value) override;

    // Used by the downloader, the scheduler and the transfer threads.
    int32_t Id() const override { return id_; }
    JobSettings Settings() override;
    DownloadJobStatus Status() const override { return status_; }
    void SetStatus(DownloadJobStatus status) override { status_ = status; }
    bool IsReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) override { readOnly_ = readOnly; }
    // A downloader owns the job from an accepted BeginDownloadJob until
    // that run has ended, however it ends: queued, running, waiting for a
    // retry or for a free slot after one. Claim takes it for a new run and
    // fails while it is owned; Disown is the one way back.
    bool Claim() {
        bool owned = false;
        return owned_.compare_exchange_strong(owned, true);
    }
    void Disown() override { owned_ = false; }
    void SetFileLength(uint64_t length) override { fileLength_ = length; }
    void SetFileName(const std::string& name) override;
    void SetTargetPath(const std::string& path) override;
    void SetRedirectUrl(const std::string& url) override;
    DownloadProgress& Progress() override { return *progress_.Get(); }

private:
    DownloadJob() = default;
    ~DownloadJob();
    HRESULT PutText(std::string& field, BSTR value);
    template <typename T, typename V>
    HRESULT PutValue(std::atomic<T>& field, V value);

    int32_t id_ = 0;
    win::ComPtr<DownloadProgress> progress_;

    std::mutex lock_;  // the strings below
    std::string url_;
    std::string savePath_;
    std::string fileName_;
    std::string userName_;
    std::string password_;
    std::string redirectUrl_;
    std::string targetPath_;
    std::string md5_;

    std::atomic<int32_t> maxThreadCount_{1};
    std::atomic<bool> resume_{true};
    std::atomic<int16_t> retryTimes_{0};
    std::atomic<int32_t> retryElapse_{5000};
    std::atomic<int32_t> timeout_{40000};
    std::atomic<int32_t> bandwidth_{0};
    std::atomic<int32_t> cookie_{0};
    std::atomic<bool> enableRedirect_{true};
    std::atomic<uint64_t> fileLength_{0};
    std::atomic<DownloadJobStatus> status_{qorjsReady};
    std::atomic<bool> readOnly_{false};
    std::atomic<bool> owned_{false};
};

}  // namespace qor
