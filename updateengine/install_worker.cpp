#include "updateengine/install_worker.h"

#include <algorithm>

namespace updateengine {

InstallWorker::InstallWorker(std::function<void()> wake, Runner runner)
    : wake_(std::move(wake)), runner_(std::move(runner)) {}

InstallOutcome InstallWorker::RunPackage(const InstallRequest& request, HANDLE stopEvent,
                                         bool unattended) {
    return PackageRunner(stopEvent).Run(request, unattended);
}

InstallWorker::~InstallWorker() {
    if (thread_) {
        ::SetEvent(stop_.Get());
        ::WaitForSingleObject(thread_.Get(), INFINITE);
    }
}

HRESULT InstallWorker::Start() {
    stop_.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    work_.Reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!stop_ || !work_) return HRESULT_FROM_WIN32(::GetLastError());
    thread_.Reset(::CreateThread(nullptr, 0, &InstallWorker::ThreadMain, this, 0, nullptr));
    if (!thread_) return HRESULT_FROM_WIN32(::GetLastError());
    return S_OK;
}

InstallWorker::QueueResult InstallWorker::Queue(InstallRequest request) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        bool waiting = std::any_of(waiting_.begin(), waiting_.end(), [&](const InstallRequest& r) {
            return r.jobId == request.jobId;
        });
        if (waiting || running_ == request.jobId) return QueueResult::AlreadyActive;
        // The waiting event is queued before the worker can see the job, so
        // it always comes before the job's installing event.
        Post(InstallEventKind::Waiting, request.jobId);
        waiting_.push_back(std::move(request));
    }
    ::SetEvent(work_.Get());
    wake_();
    return QueueResult::Queued;
}

bool InstallWorker::Cancel(int32_t jobId) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        auto it = std::find_if(waiting_.begin(), waiting_.end(),
                               [&](const InstallRequest& r) { return r.jobId == jobId; });
        if (it == waiting_.end()) return false;
        waiting_.erase(it);
        Post(InstallEventKind::Canceled, jobId);
    }
    wake_();
    return true;
}

std::deque<InstallEvent> InstallWorker::TakeEvents() {
    std::lock_guard<std::mutex> hold(lock_);
    std::deque<InstallEvent> taken;
    taken.swap(events_);
    return taken;
}

void InstallWorker::Post(InstallEventKind kind, int32_t jobId) {
    InstallEvent event;
    event.kind = kind;
    event.jobId = jobId;
    events_.push_back(event);
}

DWORD WINAPI InstallWorker::ThreadMain(void* self) {
    static_cast<InstallWorker*>(self)->Work();
    return 0;
}

void InstallWorker::Work() {
    while (::WaitForSingleObject(stop_.Get(), 0) != WAIT_OBJECT_0) {
        InstallRequest request;
        bool taken = false;
        {
            std::lock_guard<std::mutex> hold(lock_);
            if (!waiting_.empty()) {
                request = std::move(waiting_.front());
                waiting_.pop_front();
                running_ = request.jobId;
                Post(InstallEventKind::Installing, request.jobId);
                taken = true;
            }
        }
        if (!taken) {
            HANDLE waits[] = {stop_.Get(), work_.Get()};
            if (::WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return;
            continue;
        }
        wake_();
        InstallOutcome outcome = runner_(request, stop_.Get(), unattended_);
        if (outcome.result == InstallResult::Abandoned) return;
        {
            std::lock_guard<std::mutex> hold(lock_);
            running_ = 0;
            InstallEvent event;
            event.jobId = request.jobId;
            switch (outcome.result) {
            case InstallResult::Installed:
                event.kind = InstallEventKind::Installed;
                event.rebootNeeded = outcome.rebootNeeded;
                break;
            case InstallResult::Canceled:
                event.kind = InstallEventKind::Canceled;
                break;
            default:
                event.kind = InstallEventKind::Failed;
                event.errorCode = outcome.errorCode;
                break;
            }
            events_.push_back(event);
        }
        wake_();
    }
}

}  // namespace updateengine
