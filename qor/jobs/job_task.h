#pragma once
// JobTask: one run of a job. It holds the run's copy of the settings, its
// paths, figures, portions, DataFile and transfer threads, and makes every
// status change that the run's threads report.
//
// Locks, outer to inner: the task's lock (figures, budget, readers, status
// changes, threads), the record lock (ControlFile writes, opening and
// closing the DataFile), the table's lock, a portion's lock.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "netclient/proxy_endpoint.h"
#include "netclient/transfer.h"
#include "qor/jobs/data_file.h"
#include "qor/jobs/portion_table.h"
#include "qor/jobs/scheduled_job.h"
#include "win/com.h"
#include "win/unique_handle.h"

namespace qor {

class JobThread;
class PortionWorker;

class JobTask {
public:
    // What a transfer thread asks its source for at once: each read costs a
    // system call and a write, whatever its size.
    static constexpr size_t kReadSize = 262144;

    JobTask(win::ComPtr<ScheduledJob> job, uint32_t serial,
            const netclient::ProxyEndpoints& proxies, HWND scheduler);
    ~JobTask();
    JobTask(const JobTask&) = delete;
    JobTask& operator=(const JobTask&) = delete;

    // Scheduler thread.
    bool Prepare();
    bool StartThread();
    // Tells every transfer thread to stop and waits for them.
    void StopThreads();
    // Records what is done, drops the portions and closes the DataFile; the
    // files stay for the next run.
    void ReleaseRun();
    void Pause();
    void Resume();
    void Tick();
    uint32_t Serial() const { return serial_; }

    // Transfer threads.
    ScheduledJob& Job() { return *job_.Get(); }
    const JobSettings& Settings() const { return settings_; }
    int32_t MaxThreads() const { return settings_.maxThreadCount < 1 ? 1 : settings_.maxThreadCount; }
    netclient::TransferSettings MakeTransferSettings(HANDLE stopEvent);
    void SetRedirect(const std::string& url);
    PortionTable& Table() { return table_; }
    void SetBegin();
    // Waits while paused, then sets the status downloading; false when the
    // thread was told to stop meanwhile.
    bool SetDownloading(HANDLE stopEvent);
    // False when told to stop while paused.
    bool WaitUntilRunnable(HANDLE stopEvent);
    // The same between reads: returns at once unless paused, since a wait
    // before every read would cost a system call each time.
    bool WaitWhilePaused(HANDLE stopEvent);
    size_t RequestAllowance();
    // The current rate per reading thread; 0 (never split) when the source
    // answers ranges with the whole file.
    uint64_t RatePerThread();
    void AddReader();
    void RemoveReader();
    void SetTotal(uint64_t total);
    uint64_t Total() const { return total_; }
    uint64_t Downloaded() { return table_.DoneSum(); }
    const std::string& DataPath() const { return dataPath_; }
    // Step of a run's start: open the DataFile at the total size with the
    // remote time; false when it cannot be made.
    bool OpenDataFile(const FILETIME& remoteTime, bool deleteFirst);
    // What the run's first open learned about the source: its time, and
    // whether it honours byte ranges (if not, the file is never split).
    void SetSource(const FILETIME& remoteTime, bool rangesHonoured);
    bool RangesHonoured();
    // Whether an open transfer reports the run's length and time.
    bool SameSource(const netclient::Transfer& transfer);
    void OnPortionComplete();
    // `code` is one of AttemptError.
    void FailAttempt(int code);
    // A record that flushes the DataFile first claims every byte written;
    // one that does not claims what the last flush holds, and so costs no
    // wait for the disk.
    enum class RecordFlush { kFlushFirst, kLastFlush };
    void SaveControlFile(RecordFlush flush);
    // A name under which a transfer thread of this run holds portions.
    PortionOwner NewPortionOwner() { return nextOwner_++; }
    // Starts a worker on the portion, taken in `owner`'s name, unless the
    // run is stopping.
    bool AddWorker(const PortionTable::PortionPtr& portion, PortionOwner owner);
    void JoinWorkers();

private:
    bool LoadControlFile();
    void CompleteFile();
    void Post(UINT message, WPARAM wParam = 0);
    void RefreshLocked(DWORD now);
    void PublishLocked(DWORD now);
    void FailAttemptLocked(int code);

    win::ComPtr<ScheduledJob> job_;
    const uint32_t serial_;
    const netclient::ProxyEndpoints proxies_;
    const HWND scheduler_;
    JobSettings settings_;
    std::string redirectUrl_;  // under the task lock
    std::string urlKey_;
    std::string dataPath_;
    std::string controlPath_;
    std::string targetPath_;

    std::recursive_mutex lock_;
    std::mutex recordLock_;
    PortionTable table_;
    DataFile file_;
    win::KernelHandle runGate_;  // set while not paused

    std::unique_ptr<JobThread> jobThread_;
    std::vector<std::unique_ptr<PortionWorker>> workers_;
    bool stopping_ = false;
    std::atomic<PortionOwner> nextOwner_{kNoOwner + 1};

    // Figures (task lock unless atomic).
    std::atomic<uint64_t> total_{0};
    uint64_t downloaded_ = 0;
    uint64_t presentAtStart_ = 0;
    DWORD runStart_ = 0;
    DWORD dataStart_ = 0;
    bool dataStarted_ = false;
    uint32_t timeBase_ = 0;
    DWORD lastSampleTick_ = 0;
    uint64_t lastSampleDone_ = 0;
    std::atomic<uint32_t> consuming_{0};
    int32_t currentRate_ = 0;
    int32_t averageRate_ = 0;
    int16_t retried_ = 0;
    DWORD retryWaitTick_ = 0;
    DWORD pauseTick_ = 0;
    DWORD pausedTotal_ = 0;
    bool paused_ = false;
    std::atomic<bool> gateClosed_{false};  // set once the run gate is reset
    int64_t budget_ = 0;
    FILETIME sourceTime_ = {0, 0};
    bool rangesHonoured_ = true;
    int32_t readers_ = 0;
    bool attemptEnded_ = false;
    bool completed_ = false;  // under the record lock: no record after this
};

}  // namespace qor
