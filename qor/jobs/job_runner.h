#pragma once
// JobRunner: the scheduler's handle on one job it owns, across attempts.

#include <windows.h>

#include <cstdint>
#include <memory>

#include "netclient/proxy_endpoint.h"
#include "qor/jobs/job_task.h"
#include "qor/jobs/scheduled_job.h"
#include "win/com.h"

namespace qor {

class JobRunner {
public:
    // The proxies are the ones the job keeps for all its attempts.
    JobRunner(win::ComPtr<ScheduledJob> job, const netclient::ProxyEndpoints& proxies,
              HWND scheduler);
    ~JobRunner();
    JobRunner(const JobRunner&) = delete;
    JobRunner& operator=(const JobRunner&) = delete;

    // Prepares a new run and starts its JobThread; true when already started.
    bool Start();
    // Ends the run's threads (if any) and sets the job's status.
    void Stop(DownloadJobStatus status);
    void Pause();
    void Resume();
    void Tick();
    // The serial of the current run, 0 when there is none.
    uint32_t Serial() const { return task_ ? task_->Serial() : 0; }
    ScheduledJob& Job() { return *job_.Get(); }

private:
    win::ComPtr<ScheduledJob> job_;
    netclient::ProxyEndpoints proxies_;
    HWND scheduler_;
    std::unique_ptr<JobTask> task_;
    bool started_ = false;
};

}  // namespace qor
