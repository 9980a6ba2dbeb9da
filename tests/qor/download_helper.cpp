// Downloads one file through the registered QOR server in a process of its
// own, so that tests can kill it at any moment or begin again in a new
// process:
//   qor_download_helper URL SAVEPATH FILENAME THREADS BANDWIDTH RESULTFILE [STOPAFTER]
// Writes "from=N" (the count the run started from) and how it ended to
// RESULTFILE. Exit code: 0 completed, 2 failed, 3 stopped after STOPAFTER
// bytes, 1 bad use or set-up failure.

#include <windows.h>
#include <ocidl.h>
#include <oleauto.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "qor/qor.h"
#include "win/com.h"
#include "win/text.h"

namespace {

constexpr DISPID kCompleted = 2;
constexpr DISPID kCanceled = 4;
constexpr DISPID kError = 6;
constexpr DISPID kInProgress = 7;
constexpr DISPID kReadData = 9;

uint64_t Downloaded(IQORDownloadJob* job) {
    win::ComPtr<IQORDownloadProgress> progress;
    DECIMAL value = {};
    if (SUCCEEDED(job->get_DownloadProgress(progress.GetAddressOf())))
        progress->get_DownloadedBytes(&value);
    return value.Lo64;
}

class Sink : public IDispatch {
public:
    Sink(IQORDownloader* downloader, IQORDownloadJob* job, uint64_t stopAfter)
        : downloader_(downloader), job_(job), stopAfter_(stopAfter) {}
    virtual ~Sink() = default;

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (riid != IID_IUnknown && riid != IID_IDispatch && riid != DIID__IQORDownloadJobEvents)
            return E_NOINTERFACE;
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                        UINT*) override {
        switch (id) {
        case kReadData: from = Downloaded(job_); break;
        case kInProgress:
            if (stopAfter_ && !stopping_ && Downloaded(job_) >= stopAfter_) {
                stopping_ = true;
                LONG jobId = 0;
                job_->get_ID(&jobId);
                downloader_->StopDownloadJob(jobId);
            }
            break;
        case kCompleted: ended = 0; break;
        case kError: ended = 2; break;
        case kCanceled: ended = 3; break;
        default: break;
        }
        return S_OK;
    }

    uint64_t from = ~0ull;
    int ended = -1;

private:
    std::atomic<ULONG> refs_{1};
    IQORDownloader* downloader_;
    IQORDownloadJob* job_;
    uint64_t stopAfter_;
    bool stopping_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 7) {
        fprintf(stderr, "usage: qor_download_helper URL SAVEPATH FILENAME THREADS BANDWIDTH "
                        "RESULTFILE [STOPAFTER]\n");
        return 1;
    }
    win::ComInit com;
    win::ComPtr<IQORDownloader> downloader;
    if (FAILED(com.Result()) ||
        FAILED(::CoCreateInstance(CLSID_QORDownloader, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(downloader.GetAddressOf()))) ||
        FAILED(downloader->Initialize(win::ToBstr("C:\\").Get())))
        return 1;
    win::ComPtr<IQORDownloadJob> job;
    if (FAILED(downloader->CreateDownloadJob(job.GetAddressOf()))) return 1;
    job->put_DownloadURL(win::ToBstr(argv[1]).Get());
    job->put_SavePath(win::ToBstr(argv[2]).Get());
    job->put_FileName(win::ToBstr(argv[3]).Get());
    job->put_MaxThreadCount(atol(argv[4]));
    job->put_Bandwidth(atol(argv[5]));
    const uint64_t stopAfter = argc > 7 ? strtoull(argv[7], nullptr, 10) : 0;

    auto sink = win::Adopt(new Sink(downloader.Get(), job.Get(), stopAfter));
    win::ComPtr<IConnectionPointContainer> container;
    win::ComPtr<IConnectionPoint> point;
    DWORD cookie = 0;
    if (FAILED(downloader.As(&container)) ||
        FAILED(container->FindConnectionPoint(DIID__IQORDownloadJobEvents, point.GetAddressOf())) ||
        FAILED(point->Advise(sink.Get(), &cookie)) ||
        FAILED(downloader->BeginDownloadJob(job.Get())))
        return 1;
    MSG msg;
    while (sink->ended < 0 && ::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    point->Unadvise(cookie);
    FILE* result = fopen(argv[6], "w");
    if (result) {
        fprintf(result, "from=%llu\nended=%d\n", static_cast<unsigned long long>(sink->from),
                sink->ended);
        fclose(result);
    }
    return sink->ended;
}
