#pragma once
// JobScheduler: the worker thread with its hidden "QORWindow" window that
// owns every running or retrying job, starts queued jobs up to the
// concurrency limit, retries, ticks every 200 ms, and forwards each state
// change to the EventWindow.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "netclient/proxy_endpoint.h"
#include "qor/jobs/downloader_state.h"
#include "qor/jobs/job_runner.h"
#include "win/message_window.h"
#include "win/unique_handle.h"

namespace qor {

class JobScheduler : private win::MessageWindow<JobScheduler> {
public:
    // The scheduler's window class is registered in `module`.
    JobScheduler(DownloaderState& state, HWND eventWindow, HINSTANCE module);
    ~JobScheduler();
    JobScheduler(const JobScheduler&) = delete;
    JobScheduler& operator=(const JobScheduler&) = delete;

    // Starts the thread and waits until its window is ready.
    bool Start();
    // Ends the thread; every owned job is canceled without events.
    void Stop();
    HWND Window() const { return window_; }

private:
    template <typename V>
    class OrderedMap {
    public:
        V* Find(int32_t id) {
            for (auto& e : items_)
                // Not `&`: a ComPtr's operator& releases what it holds,
                // which would drop the job from the map as it is found.
                if (e.first == id) return std::addressof(e.second);
            return nullptr;
        }
        V Take(int32_t id) {
            for (auto it = items_.begin(); it != items_.end(); ++it) {
                if (it->first == id) {
                    V value = std::move(it->second);
                    items_.erase(it);
                    return value;
                }
            }
            return V();
        }
        void Add(int32_t id, V value) { items_.emplace_back(id, std::move(value)); }
        bool Empty() const { return items_.empty(); }
        size_t Size() const { return items_.size(); }
        std::pair<int32_t, V> TakeFirst() {
            auto first = std::move(items_.front());
            items_.erase(items_.begin());
            return first;
        }
        std::vector<std::pair<int32_t, V>>& Items() { return items_; }

    private:
        std::vector<std::pair<int32_t, V>> items_;
    };
    using RunnerPtr = std::unique_ptr<JobRunner>;

    static DWORD WINAPI ThreadMain(void* self);
    friend class win::MessageWindow<JobScheduler>;
    void RunThread();
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Takes up the downloader's current limit and proxies when they changed
    // since they were last taken.
    void ApplySettings();
    void OnAppend(int32_t id);
    void OnStop(int32_t id);
    void OnPauseResume(int32_t id, bool pause);
    void OnForward(UINT message, WPARAM wParam, LPARAM lParam, bool alsoRetrying);
    void OnFinished(UINT message, WPARAM wParam, LPARAM lParam, DownloadJobStatus status);
    void OnRetryWait(LPARAM lParam);
    void OnRetryDue(LPARAM lParam);
    void OnTick(LPARAM lParam);
    void OnDestroy();

    // Starts queued jobs, new ones before re-queued ones; true when `id`
    // was started.
    bool ScheduleStep(int32_t id = 0);
    bool StartRunner(int32_t id, RunnerPtr runner);
    // Drops the job's reference and gives up its ownership, so that it can
    // be begun again: every way a run ends (completed, failed, canceled,
    // failed start) comes through here before its event is posted.
    void ReleaseJob(int32_t id);
    void DropTick(int32_t id);
    void ForwardToEvents(UINT message, WPARAM wParam, int32_t id);
    // The runner of a running job whose current run sent the message.
    JobRunner* RunningFor(LPARAM lParam);

    DownloaderState& state_;
    HWND eventWindow_;
    HINSTANCE module_;
    HWND window_ = nullptr;  // for the caller's thread: set before the thread is ready
    win::KernelHandle thread_;
    win::KernelHandle ready_;
    win::KernelHandle quit_;  // set when the thread is told to end
    DWORD threadId_ = 0;

    // Scheduler thread only.
    int32_t limit_ = 1;
    uint32_t appliedSettings_ = 0;
    bool settingsApplied_ = false;
    netclient::ProxyEndpoints proxies_;
    OrderedMap<RunnerPtr> running_;
    OrderedMap<RunnerPtr> retryWait_;
    OrderedMap<RunnerPtr> requeued_;
    OrderedMap<win::ComPtr<ScheduledJob>> jobs_;
    std::vector<int32_t> tickList_;
    bool quitting_ = false;
};

}  // namespace qor
