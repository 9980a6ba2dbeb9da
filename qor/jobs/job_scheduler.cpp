#include "qor/jobs/job_scheduler.h"

#include <algorithm>

#include "qor/jobs/job_messages.h"

namespace qor {
namespace {

constexpr char kWindowClass[] = "QORWindow";
constexpr UINT_PTR kTimerId = 8322;
constexpr UINT kTickMs = 200;
constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kStopTimeoutMs = 60000;

}  // namespace

JobScheduler::JobScheduler(DownloaderState& state, HWND eventWindow, HINSTANCE module)
    : state_(state), eventWindow_(eventWindow), module_(module) {}

JobScheduler::~JobScheduler() { Stop(); }

bool JobScheduler::Start() {
    if (thread_) return true;
    if (!RegisterWindowClass(module_, kWindowClass)) return false;
    ready_.Reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    quit_.Reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!ready_ || !quit_) return false;
    thread_.Reset(::CreateThread(nullptr, 0, &JobScheduler::ThreadMain, this, 0, &threadId_));
    if (!thread_) return false;
    // The thread needs nothing from this one, so a plain wait cannot block.
    HANDLE handles[2] = {ready_.Get(), thread_.Get()};
    if (::WaitForMultipleObjects(2, handles, FALSE, kStartTimeoutMs) != WAIT_OBJECT_0) {
        Stop();
        return false;
    }
    return true;
}

void JobScheduler::Stop() {
    if (!thread_) return;
    ::SetEvent(quit_.Get());  // ends a name lookup of the settings at once
    ::PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
    if (::WaitForSingleObject(thread_.Get(), kStopTimeoutMs) != WAIT_OBJECT_0)
        ::TerminateThread(thread_.Get(), 1);
    thread_.Reset();
    window_ = nullptr;
}

DWORD WINAPI JobScheduler::ThreadMain(void* self) {
    static_cast<JobScheduler*>(self)->RunThread();
    return 0;
}

void JobScheduler::RunThread() {
    HWND hwnd = CreateBoundWindow(module_, kWindowClass, WS_POPUP);
    if (!hwnd) return;
    window_ = hwnd;
    ::SetTimer(hwnd, kTimerId, kTickMs, nullptr);
    ApplySettings();
    ::PostMessageA(hwnd, JM_READY, 0, 0);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (quitting_) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    ::DestroyWindow(hwnd);
}

bool JobScheduler::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    const int32_t id = JobIdOf(lParam);
    switch (message) {
    case JM_READY: ::SetEvent(ready_.Get()); return true;
    case JM_SETTINGS: ApplySettings(); return true;
    case JM_APPEND: OnAppend(id); return true;
    case JM_STOP: OnStop(id); return true;
    case JM_PAUSE: OnPauseResume(id, true); return true;
    case JM_RESUME: OnPauseResume(id, false); return true;
    case JM_BEGIN:
    case JM_PAUSED:
    case JM_READ_DATA: OnForward(message, wParam, lParam, false); return true;
    case JM_PROGRESS: OnForward(message, wParam, lParam, true); return true;
    case JM_COMPLETED: OnFinished(message, wParam, lParam, qorjsCompleted); return true;
    case JM_ERROR: OnFinished(message, wParam, lParam, qorjsFailed); return true;
    case JM_RETRY_WAIT: OnRetryWait(lParam); return true;
    case JM_RETRY_DUE: OnRetryDue(lParam); return true;
    case JM_TICK: OnTick(lParam); return true;
    case WM_TIMER:
        for (int32_t tick : tickList_) ::PostMessageA(window_, JM_TICK, 0, MakeJobParam(tick));
        return true;
    case WM_DESTROY: OnDestroy(); return true;
    default: return false;
    }
}

void JobScheduler::ApplySettings() {
    netclient::ProxyEndpoints proxies;
    {
        std::lock_guard<std::mutex> guard(state_.lock);
        if (settingsApplied_ && appliedSettings_ == state_.settingsSerial) return;
        settingsApplied_ = true;
        appliedSettings_ = state_.settingsSerial;
        proxies.http = state_.httpProxy;
        proxies.https = state_.httpProxy;  // one proxy object serves both
        proxies.ftp = state_.ftpProxy;
        limit_ = state_.concurrency;
    }
    // Reading the Internet settings may resolve names: not under the lock.
    using netclient::ProxyProtocol;
    netclient::ResolveInternetSettings(proxies.http, ProxyProtocol::kHttp, quit_.Get());
    netclient::ResolveInternetSettings(proxies.https, ProxyProtocol::kHttps, quit_.Get());
    netclient::ResolveInternetSettings(proxies.ftp, ProxyProtocol::kFtp, quit_.Get());
    proxies_ = proxies;
}

void JobScheduler::OnAppend(int32_t id) {
    if (jobs_.Find(id)) return;
    if (ScheduleStep(id)) return;
    // A job stopped while its append was on the way has left the queue and
    // is canceled already: it does not wait.
    bool queued;
    {
        std::lock_guard<std::mutex> guard(state_.lock);
        queued = state_.IsPending(id);
    }
    if (queued) ForwardToEvents(JM_WAITING, 0, id);
}

void JobScheduler::OnStop(int32_t id) {
    DropTick(id);
    RunnerPtr runner = running_.Take(id);
    if (!runner) runner = retryWait_.Take(id);
    if (!runner) runner = requeued_.Take(id);
    if (runner) {
        runner->Stop(qorjsCanceled);
        runner.reset();
        ReleaseJob(id);
        ForwardToEvents(JM_CANCELED, 0, id);
    }
    ScheduleStep();
}

void JobScheduler::OnPauseResume(int32_t id, bool pause) {
    RunnerPtr* runner = running_.Find(id);
    if (!runner) return;
    if (pause) (*runner)->Pause();
    else (*runner)->Resume();
}

JobRunner* JobScheduler::RunningFor(LPARAM lParam) {
    RunnerPtr* runner = running_.Find(JobIdOf(lParam));
    if (!runner || (*runner)->Serial() != RunSerialOf(lParam)) return nullptr;
    return runner->get();
}

void JobScheduler::OnForward(UINT message, WPARAM wParam, LPARAM lParam, bool alsoRetrying) {
    const int32_t id = JobIdOf(lParam);
    bool owned = RunningFor(lParam) != nullptr;
    if (!owned && alsoRetrying) {
        RunnerPtr* waiting = retryWait_.Find(id);
        owned = waiting && (*waiting)->Serial() == RunSerialOf(lParam);
    }
    if (owned) ForwardToEvents(message, wParam, id);
}

void JobScheduler::OnFinished(UINT message, WPARAM wParam, LPARAM lParam,
                              DownloadJobStatus status) {
    const int32_t id = JobIdOf(lParam);
    if (RunningFor(lParam)) {
        RunnerPtr runner = running_.Take(id);
        DropTick(id);
        runner->Stop(status);
        runner.reset();
        ReleaseJob(id);
        ForwardToEvents(message, wParam, id);
    }
    ScheduleStep();
}

void JobScheduler::OnRetryWait(LPARAM lParam) {
    const int32_t id = JobIdOf(lParam);
    if (RunningFor(lParam)) {
        RunnerPtr runner = running_.Take(id);
        runner->Stop(qorjsWaitingForRetry);
        retryWait_.Add(id, std::move(runner));
        ForwardToEvents(JM_RETRY_WAIT, 0, id);
    }
    ScheduleStep();
}

void JobScheduler::OnRetryDue(LPARAM lParam) {
    const int32_t id = JobIdOf(lParam);
    RunnerPtr* waiting = retryWait_.Find(id);
    if (waiting && (*waiting)->Serial() == RunSerialOf(lParam)) {
        RunnerPtr runner = retryWait_.Take(id);
        runner->Job().SetStatus(qorjsReady);
        DropTick(id);
        requeued_.Add(id, std::move(runner));
        ForwardToEvents(JM_WAITING, 0, id);
    }
    ScheduleStep();
}

void JobScheduler::OnTick(LPARAM lParam) {
    const int32_t id = JobIdOf(lParam);
    if (RunnerPtr* runner = running_.Find(id)) (*runner)->Tick();
    else if (RunnerPtr* waiting = retryWait_.Find(id)) (*waiting)->Tick();
}

void JobScheduler::OnDestroy() {
    quitting_ = true;
    ::KillTimer(window_, kTimerId);
    for (auto* map : {&running_, &retryWait_, &requeued_}) {
        for (auto& entry : map->Items()) entry.second->Stop(qorjsCanceled);
        map->Items().clear();
    }
    for (auto& entry : jobs_.Items()) entry.second->Disown();
    jobs_.Items().clear();
    tickList_.clear();
    Unbind();
}

bool JobScheduler::StartRunner(int32_t id, RunnerPtr runner) {
    JobRunner* started = runner.get();
    running_.Add(id, std::move(runner));
    tickList_.push_back(id);
    if (started->Start()) return true;
    // A failed start does not use up a slot.
    RunnerPtr failed = running_.Take(id);
    DropTick(id);
    failed->Stop(qorjsFailed);
    failed.reset();
    ReleaseJob(id);
    ForwardToEvents(JM_ERROR, 0, id);
    return false;
}

bool JobScheduler::ScheduleStep(int32_t id) {
    // A job may be begun right after a proxy change whose notice is still
    // queued behind this step; it must not start with the old proxy.
    ApplySettings();
    bool startedId = false;
    while (static_cast<int32_t>(running_.Size()) < limit_) {
        std::pair<int32_t, win::ComPtr<ScheduledJob>> next;
        {
            std::lock_guard<std::mutex> guard(state_.lock);
            if (state_.pending.empty()) break;
            next = std::move(state_.pending.front());
            state_.pending.erase(state_.pending.begin());
        }
        win::ComPtr<ScheduledJob> job = next.second;
        // Its claim, taken when it was begun, stays until ReleaseJob.
        if (!job) continue;
        jobs_.Add(next.first, job);
        auto runner = std::make_unique<JobRunner>(job, proxies_, window_);
        if (StartRunner(next.first, std::move(runner)) && next.first == id) startedId = true;
    }
    while (static_cast<int32_t>(running_.Size()) < limit_ && !requeued_.Empty()) {
        auto next = requeued_.TakeFirst();
        if (StartRunner(next.first, std::move(next.second)) && next.first == id) startedId = true;
    }
    return startedId;
}

void JobScheduler::ReleaseJob(int32_t id) {
    win::ComPtr<ScheduledJob> job = jobs_.Take(id);
    if (job) job->Disown();
}

void JobScheduler::DropTick(int32_t id) {
    tickList_.erase(std::remove(tickList_.begin(), tickList_.end(), id), tickList_.end());
}

void JobScheduler::ForwardToEvents(UINT message, WPARAM wParam, int32_t id) {
    ::PostMessageA(eventWindow_, message, wParam, MakeJobParam(id));
}

}  // namespace qor
