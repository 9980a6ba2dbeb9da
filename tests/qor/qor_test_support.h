#pragma once
// What the QOR tests share: the registered server, a real event sink, and
// helpers to make jobs, wait for events and compare files.

#include <windows.h>
#include <ocidl.h>
#include <oleauto.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "qor/com/job_events.h"
#include "qor/qor.h"
#include "tests/support/test_support.h"
#include "win/com.h"

namespace qor_test {

// Event dispids of _IQORDownloadJobEvents.
enum EventId : DISPID {
    kBegin = qor::kEventBegin,
    kCompleted = qor::kEventCompleted,
    kWaiting = qor::kEventWaiting,
    kCanceled = qor::kEventCanceled,
    kPaused = qor::kEventPaused,
    kError = qor::kEventError,
    kInProgress = qor::kEventInProgress,
    kWaitingForRetry = qor::kEventWaitingForRetry,
    kReadData = qor::kEventBeginReadData,
};

struct Event {
    DISPID id = 0;
    LONG job = 0;
    LONG code = 0;
    DWORD tick = 0;
};

// A sink for _IQORDownloadJobEvents that records every call in order. An
// optional hook runs inside each call, on the firing thread.
class EventSink : public IDispatch {
public:
    EventSink() = default;
    virtual ~EventSink() = default;

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO*, UINT*) override;

    std::vector<Event> events;
    std::function<void(const Event&)> hook;
    // Checks of each call's shape (locale, flags, argument types).
    int malformedCalls = 0;

    std::vector<Event> For(LONG job) const;
    std::vector<DISPID> IdsFor(LONG job) const;
    size_t Count(LONG job, DISPID id) const;
    bool Has(LONG job, DISPID id) const { return Count(job, id) > 0; }

private:
    std::atomic<ULONG> refs_{1};
};

// Registers build/bin/QOR.dll in the Wine prefix for the test program's
// lifetime (tests that use it hold a CTest resource lock).
class RegisteredServer {
public:
    static bool Ensure();
    static std::string DllPath();
};

// A QORDownloader created through CoCreateInstance, initialized, with a
// connected sink.
class Downloader {
public:
    Downloader();
    ~Downloader();
    Downloader(const Downloader&) = delete;
    Downloader& operator=(const Downloader&) = delete;

    bool Ok() const { return static_cast<bool>(object); }
    win::ComPtr<IQORDownloadJob> NewJob(const std::string& url, const std::string& savePath,
                                        const std::string& fileName = std::string());
    // Releases the downloader (the sink stays to see what follows).
    void Destroy();

    win::ComPtr<IQORDownloader> object;
    win::ComPtr<EventSink> sink;
    DWORD cookie = 0;
};

LONG IdOf(IQORDownloadJob* job);
DownloadJobStatus StatusOf(IQORDownloadJob* job);
bool IsReadOnly(IQORDownloadJob* job);
uint64_t Downloaded(IQORDownloadJob* job);
uint64_t Total(IQORDownloadJob* job);
short RetriedTimes(IQORDownloadJob* job);
LONG AverageRate(IQORDownloadJob* job);
std::string Text(BSTR text);
std::string GetString(IQORDownloadJob* job, HRESULT (STDMETHODCALLTYPE IQORDownloadJob::*get)(BSTR*));

// Pumps messages until the job fires the event (or the time is up).
bool WaitForEvent(Downloader& d, LONG job, DISPID id, DWORD timeoutMs, size_t count = 1);
// Pumps until the job fires Completed, Error or Canceled.
bool WaitForEnd(Downloader& d, LONG job, DWORD timeoutMs);

// Bytes that differ from position to position and from file to file.
std::string PatternBytes(size_t size, uint32_t seed);
// The files in a folder (names only, hidden ones too).
std::vector<std::string> FolderEntries(const std::string& folder);
// The resume record of a URL in a save folder: the name the downloader uses.
std::string UrlKey(const std::string& url);
std::string ControlPath(const std::string& folder, const std::string& url);
std::string DataPath(const std::string& folder, const std::string& url);
// The record's portions as (start, length, done), read by layout.
struct RecordPortion {
    uint64_t start;
    uint64_t length;
    uint64_t done;
};
bool ReadRecord(const std::string& path, uint64_t& total, uint64_t& doneSum,
                std::vector<RecordPortion>& portions);
FILETIME FileTimeOf(const std::string& path);
bool SetFileTimeOf(const std::string& path, const FILETIME& time);
// MD5 of a file through the CryptoAPI, as 32 upper-case hex characters.
std::string CryptoMd5(const std::string& path);

// The common fixture: COM on this thread, the server registered, a folder.
class QorTest : public ::testing::Test {
protected:
    void SetUp() override;
    std::string Source(const std::string& name, size_t size, uint32_t seed = 1);

    win::ComInit com_;
    testing_support::TempFolder folder_;
    std::string save_;
};

}  // namespace qor_test
