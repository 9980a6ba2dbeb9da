#pragma once
// QORDownloader: the creatable object. It makes jobs and proxies, queues
// begun jobs for its scheduler, and fires the job events on the thread that
// first began a job.

#include <ocidl.h>

#include <atomic>
#include <memory>
#include <string>

#include "qor/com/connection_point.h"
#include "qor/com/dispatch_impl.h"
#include "qor/jobs/downloader_state.h"
#include "qor/qor.h"
#include "win/com.h"
#include "win/com_object.h"

namespace qor {

class EventWindow;
class JobScheduler;

class QORDownloader final
    : public win::ComObject<DispatchImpl<IQORDownloader>, IConnectionPointContainer,
                            IProvideClassInfo2>,
      private ModuleObject {
public:
    static HRESULT Create(REFIID riid, void** object);

    STDMETHODIMP get_ConcurrentJobCount(LONG* value) override;
    STDMETHODIMP put_ConcurrentJobCount(LONG value) override;
    STDMETHODIMP get_HttpProxyServer(IQORProxyServer** value) override;
    STDMETHODIMP put_HttpProxyServer(IQORProxyServer* value) override;
    STDMETHODIMP get_FtpProxyServer(IQORProxyServer** value) override;
    STDMETHODIMP put_FtpProxyServer(IQORProxyServer* value) override;
    STDMETHODIMP BeginDownloadJob(IQORDownloadJob* job) override;
    STDMETHODIMP StopDownloadJob(LONG id) override;
    STDMETHODIMP PauseDownloadJob(LONG id) override;
    STDMETHODIMP ResumeDownloadJob(LONG id) override;
    STDMETHODIMP CreateDownloadJob(IQORDownloadJob** job) override;
    STDMETHODIMP CreateProxyServer(IQORProxyServer** proxy) override;
    STDMETHODIMP Initialize(BSTR workPath) override;

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override;
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** point) override;

    // IProvideClassInfo2
    STDMETHODIMP GetClassInfo(ITypeInfo** info) override;
    STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override;

private:
    QORDownloader();
    ~QORDownloader();
    void* FindMore(REFIID riid) override;
    HRESULT GetProxy(const win::ComPtr<IQORProxyServer>& stored, IQORProxyServer** value);
    // Reads both proxy objects into the shared state and tells the
    // scheduler; the caller's thread is the one that may call them.
    void RefreshSettings();
    bool EnsureScheduler();

    bool winsock_ = false;
    bool initialized_ = false;
    std::string workPath_;
    win::ComPtr<IQORProxyServer> httpProxy_;
    win::ComPtr<IQORProxyServer> ftpProxy_;
    win::ComPtr<ConnectionPoint> events_;
    DownloaderState state_;
    std::unique_ptr<EventWindow> eventWindow_;
    std::unique_ptr<JobScheduler> scheduler_;
};

}  // namespace qor
