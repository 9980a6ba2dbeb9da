#pragma once
// What the downloader shares with its scheduler thread, under one lock: the
// concurrency limit, the proxies and the queue of begun jobs.

#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

#include "netclient/proxy_endpoint.h"
#include "qor/jobs/scheduled_job.h"
#include "win/com.h"

namespace qor {

class DownloaderState {
public:
    std::mutex lock;
    int32_t concurrency = 1;
    // The proxy objects' properties, read on the caller's thread whenever a
    // downloader property is set and when the scheduler starts.
    netclient::ProxyEndpoint httpProxy;
    netclient::ProxyEndpoint ftpProxy;
    // Counts changes of the limit and the proxies, so the scheduler can take
    // them up before it starts a job begun after the change.
    uint32_t settingsSerial = 0;
    // The PendingQueue: begun jobs in order, each held with a reference.
    std::vector<std::pair<int32_t, win::ComPtr<ScheduledJob>>> pending;

    // Under the lock.
    bool IsPending(int32_t id) const {
        for (auto& entry : pending)
            if (entry.first == id) return true;
        return false;
    }
    // The queued job with this ID, taken out of the queue; null when none.
    win::ComPtr<ScheduledJob> TakePending(int32_t id) {
        for (auto it = pending.begin(); it != pending.end(); ++it) {
            if (it->first == id) {
                win::ComPtr<ScheduledJob> job = std::move(it->second);
                pending.erase(it);
                return job;
            }
        }
        return win::ComPtr<ScheduledJob>();
    }
};

}  // namespace qor
