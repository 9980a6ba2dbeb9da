#include "qor/jobs/job_runner.h"

#include <atomic>

namespace qor {
namespace {

std::atomic<uint32_t> g_nextSerial{1};

uint32_t NewSerial() {
    uint32_t serial = g_nextSerial++;
    return serial != 0 ? serial : g_nextSerial++;
}

}  // namespace

JobRunner::JobRunner(win::ComPtr<ScheduledJob> job, const netclient::ProxyEndpoints& proxies,
                     HWND scheduler)
    : job_(std::move(job)), proxies_(proxies), scheduler_(scheduler) {}

JobRunner::~JobRunner() {
    if (started_) Stop(job_->Status());
}

bool JobRunner::Start() {
    if (started_) return true;
    auto task = std::make_unique<JobTask>(job_, NewSerial(), proxies_, scheduler_);
    if (!task->Prepare()) return false;
    task_ = std::move(task);
    job_->SetReadOnly(true);
    if (!task_->StartThread()) {
        job_->SetReadOnly(false);
        task_.reset();
        return false;
    }
    started_ = true;
    return true;
}

void JobRunner::Stop(DownloadJobStatus status) {
    job_->SetReadOnly(false);
    if (started_) {
        task_->StopThreads();
        task_->ReleaseRun();
        started_ = false;
    }
    job_->SetStatus(status);
}

void JobRunner::Pause() {
    if (started_) task_->Pause();
}

void JobRunner::Resume() {
    if (started_) task_->Resume();
}

void JobRunner::Tick() {
    if (task_) task_->Tick();
}

}  // namespace qor
