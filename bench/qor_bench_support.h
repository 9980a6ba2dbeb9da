#pragma once
// What the QOR benchmarks share: the server registered from beside the
// program, a source file of random bytes, a sink that notes how a job
// ended, and a message pump that waits for it.

#include <windows.h>
#include <ocidl.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "qor/com/job_events.h"
#include "qor/qor.h"
#include "win/com.h"

namespace bench {

// Event dispids of _IQORDownloadJobEvents.
enum JobEvent : DISPID {
    kJobCompleted = qor::kEventCompleted,
    kJobCanceled = qor::kEventCanceled,
    kJobError = qor::kEventError,
    kJobInProgress = qor::kEventInProgress,
    kJobReadData = qor::kEventBeginReadData,
};

enum class JobEnd { kRunning, kCompleted, kCanceled, kFailed };

std::string ProgramFolder();
// Registers the QOR.dll beside this program in the current prefix.
bool RegisterServer();
// A file of `size` pseudo-random bytes (the same for the same seed).
bool MakeSource(const std::string& path, uint64_t size, uint32_t seed = 2463534242u);
// Deletes the folder's files, hidden ones included, and the folder.
void RemoveFolder(const std::string& folder);
// Kernel plus user time of this process.
double CpuSeconds();
double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to);
uint64_t DownloadedBytes(IQORDownloadJob* job);

// Notes how the job ended; `onEvent` runs inside each event on this thread.
class JobSink : public IDispatch {
public:
    virtual ~JobSink() = default;
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) override;

    JobEnd ended = JobEnd::kRunning;
    LONG errorCode = 0;
    std::function<void(DISPID)> onEvent;

private:
    std::atomic<ULONG> refs_{1};
};

// Advises a JobSink on the downloader for the object's lifetime.
class SinkConnection {
public:
    SinkConnection(IQORDownloader* downloader, JobSink* sink);
    ~SinkConnection();
    SinkConnection(const SinkConnection&) = delete;
    SinkConnection& operator=(const SinkConnection&) = delete;
    bool Connected() const { return cookie_ != 0; }

private:
    win::ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
};

// Dispatches messages until the sink sees the job end or `timeoutMs` pass;
// false on time-out.
bool PumpUntilEnded(const JobSink& sink, DWORD timeoutMs);

}  // namespace bench
