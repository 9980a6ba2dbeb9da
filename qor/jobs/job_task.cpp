#include "qor/jobs/job_task.h"

#include <algorithm>

#include "netclient/file_checksum.h"
#include "netclient/file_utils.h"
#include "netclient/text_util.h"
#include "qor/jobs/attempt_error.h"
#include "qor/jobs/control_file.h"
#include "qor/jobs/job_messages.h"
#include "qor/jobs/job_thread.h"
#include "qor/jobs/portion_worker.h"
#include "win/path.h"

namespace qor {
namespace {

constexpr DWORD kSampleInterval = 1000;
constexpr int32_t kBudgetTicksPerSecond = 5;
constexpr DWORD kTickMs = 1000 / kBudgetTicksPerSecond;
constexpr int32_t kShareDivisor = 4;

bool SameTime(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

void DeletePlainFile(const std::string& path) {
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(path.c_str());
}

}  // namespace

JobTask::JobTask(win::ComPtr<ScheduledJob> job, uint32_t serial,
                 const netclient::ProxyEndpoints& proxies, HWND scheduler)
    : job_(std::move(job)),
      serial_(serial),
      proxies_(proxies),
      scheduler_(scheduler),
      runGate_(::CreateEventA(nullptr, TRUE, TRUE, nullptr)) {}

JobTask::~JobTask() {
    StopThreads();
    table_.Clear();
    std::lock_guard<std::mutex> record(recordLock_);
    file_.Close();
}

bool JobTask::Prepare() {
    if (!runGate_) return false;
    settings_ = job_->Settings();
    const std::string folder = win::StripTrailingSeparators(settings_.savePath);
    if (folder.empty()) return false;
    std::string fileName = settings_.fileName;
    if (fileName.empty()) {
        std::string url = settings_.url;
        std::replace(url.begin(), url.end(), '\\', '/');
        size_t slash = url.rfind('/');
        fileName = slash == std::string::npos ? url : url.substr(slash + 1);
    }
    // "." and ".." would name the folder itself or its parent.
    if (fileName.empty() || fileName == "." || fileName == "..") return false;
    urlKey_ = netclient::FileChecksum::OfText(netclient::ToLower(settings_.url));
    dataPath_ = folder + "\\" + urlKey_ + ".qor";
    controlPath_ = folder + "\\" + urlKey_ + ".qoc";
    targetPath_ = folder + "\\" + fileName;
    job_->SetTargetPath(targetPath_);
    job_->SetFileName(fileName);

    const DWORD now = ::GetTickCount();
    retried_ = job_->Progress().RetriedTimes();
    // After a retry the clock goes on from the published time.
    runStart_ = retried_ != 0 ? now - static_cast<DWORD>(job_->Progress().ConsumingTime()) : now;
    lastSampleTick_ = now;
    if (!LoadControlFile()) {
        table_.Clear();
        total_ = 0;
        downloaded_ = presentAtStart_ = lastSampleDone_ = 0;
        timeBase_ = 0;
        // The record goes first: a run killed in between then leaves data
        // without a record, never a record without its data.
        ControlFile::Delete(controlPath_);
        DeletePlainFile(dataPath_);
        if (!table_.Add(0, 0, 0)) return false;
    }
    return table_.HasIdleIncomplete();
}

bool JobTask::LoadControlFile() {
    if (!settings_.resume) return false;
    std::string bytes;
    ControlRecord record;
    if (!ControlFile::Read(controlPath_, bytes) || !ControlFile::Parse(bytes, record)) return false;
    if (record.total != netclient::GetFileSize64(dataPath_) || record.urlKey != urlKey_)
        return false;
    const FILETIME dataTime = netclient::GetLastWriteTime(dataPath_);
    if (!SameTime(record.dataTime, dataTime)) {
        // A run that ended without closing its DataFile (killed, or the
        // machine went down) leaves the time of its last writes, later than
        // the recorded one; its record still claims only flushed bytes. The
        // remote time goes back on the file so that a changed source is
        // still noticed. An earlier time means something else changed the
        // file.
        if (::CompareFileTime(&dataTime, &record.dataTime) <= 0 ||
            !netclient::SetLastWriteTime(dataPath_, record.dataTime))
            return false;
    }
    total_ = record.total;
    downloaded_ = presentAtStart_ = lastSampleDone_ = record.doneSum;
    // After a retry the clock already goes on from the published time,
    // which includes the recorded one: counting it again would double it.
    timeBase_ = retried_ != 0 ? 0 : record.consumingTime;
    for (const PortionRecord& p : record.portions)
        if (!table_.Add(p.start, p.length, p.done)) return false;
    table_.SortAndMerge();
    // A record with nothing left to fetch is one whose run ended before its
    // file was moved into place: no thread would take it, so the job could
    // never complete. Start afresh instead.
    return !table_.Empty() && table_.HasIdleIncomplete();
}

bool JobTask::StartThread() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (jobThread_) return false;
    stopping_ = false;
    jobThread_ = std::make_unique<JobThread>(*this, NewPortionOwner());
    if (!jobThread_->Start()) {
        jobThread_.reset();
        return false;
    }
    return true;
}

bool JobTask::AddWorker(const PortionTable::PortionPtr& portion, PortionOwner owner) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (stopping_) return false;
    auto worker = std::make_unique<PortionWorker>(*this, portion, owner);
    if (!worker->Start()) return false;
    workers_.push_back(std::move(worker));
    return true;
}

void JobTask::JoinWorkers() {
    std::vector<PortionWorker*> workers;
    {
        std::lock_guard<std::recursive_mutex> guard(lock_);
        for (auto& w : workers_) workers.push_back(w.get());
    }
    for (PortionWorker* w : workers) w->Join();
}

void JobTask::StopThreads() {
    {
        std::lock_guard<std::recursive_mutex> guard(lock_);
        stopping_ = true;
        for (auto& w : workers_) w->RequestStop();
        if (jobThread_) jobThread_->RequestStop();
    }
    // The threads only post to the scheduler, so waiting here cannot block
    // them; their late messages carry this run's serial and are ignored.
    JoinWorkers();
    if (jobThread_) jobThread_->Join();
    std::lock_guard<std::recursive_mutex> guard(lock_);
    workers_.clear();
    jobThread_.reset();
}

void JobTask::ReleaseRun() {
    SaveControlFile(RecordFlush::kFlushFirst);
    table_.Clear();
    std::lock_guard<std::mutex> record(recordLock_);
    file_.Close();
}

netclient::TransferSettings JobTask::MakeTransferSettings(HANDLE stopEvent) {
    netclient::TransferSettings s;
    {
        std::lock_guard<std::recursive_mutex> guard(lock_);
        s.url = redirectUrl_.empty() ? settings_.url : redirectUrl_;
    }
    s.userName = settings_.userName;
    s.password = settings_.password;
    s.timeoutMs = static_cast<DWORD>(settings_.timeout < 0 ? 0 : settings_.timeout);
    s.stopEvent = stopEvent;
    s.enableRedirect = settings_.enableRedirect;
    s.httpProxy = proxies_.http;
    s.httpsProxy = proxies_.https;
    s.ftpProxy = proxies_.ftp;
    return s;
}

void JobTask::SetRedirect(const std::string& url) {
    {
        std::lock_guard<std::recursive_mutex> guard(lock_);
        redirectUrl_ = url;
    }
    job_->SetRedirectUrl(url);
}

void JobTask::Post(UINT message, WPARAM wParam) {
    ::PostMessageA(scheduler_, message, wParam, MakeJobParam(job_->Id(), serial_));
}

void JobTask::SetBegin() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    job_->SetStatus(qorjsBegin);
    Post(JM_BEGIN);
}

bool JobTask::WaitUntilRunnable(HANDLE stopEvent) {
    HANDLE handles[2] = {stopEvent, runGate_.Get()};
    return ::WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1;
}

bool JobTask::WaitWhilePaused(HANDLE stopEvent) {
    return !gateClosed_.load(std::memory_order_acquire) || WaitUntilRunnable(stopEvent);
}

bool JobTask::SetDownloading(HANDLE stopEvent) {
    for (;;) {
        if (!WaitUntilRunnable(stopEvent)) return false;
        std::lock_guard<std::recursive_mutex> guard(lock_);
        if (paused_) continue;
        const DWORD now = ::GetTickCount();
        job_->SetStatus(qorjsDownloading);
        job_->SetFileLength(total_);
        dataStart_ = now;
        dataStarted_ = true;
        RefreshLocked(now);
        PublishLocked(now);
        Post(JM_READ_DATA);
        return true;
    }
}

size_t JobTask::RequestAllowance() {
    // The run's limit never changes: without one, no read needs the lock.
    if (settings_.bandwidth <= 0) return kReadSize;
    std::lock_guard<std::recursive_mutex> guard(lock_);
    const int64_t share = budget_ / (readers_ > 0 ? readers_ : 1);
    const int64_t grant = share / kShareDivisor;
    budget_ -= grant;
    return static_cast<size_t>(grant);
}

uint64_t JobTask::RatePerThread() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (!rangesHonoured_) return 0;
    const int32_t threads = readers_ > 0 ? readers_ : MaxThreads();
    return currentRate_ > 0 ? static_cast<uint64_t>(currentRate_) / static_cast<uint64_t>(threads)
                            : 0;
}

void JobTask::AddReader() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    ++readers_;
}

void JobTask::RemoveReader() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    --readers_;
}

void JobTask::SetTotal(uint64_t total) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    total_ = total;
    job_->SetFileLength(total);
}

bool JobTask::OpenDataFile(const FILETIME& remoteTime, bool deleteFirst) {
    std::lock_guard<std::mutex> record(recordLock_);
    ::SetFileAttributesA(dataPath_.c_str(), FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_HIDDEN);
    if (deleteFirst) DeletePlainFile(dataPath_);
    netclient::MakeFolderPath(win::StripTrailingSeparators(settings_.savePath));
    if (!file_.Open(dataPath_, total_)) return false;
    file_.SetRemoteTime(remoteTime);
    table_.AttachAll(&file_);
    return true;
}

void JobTask::SetSource(const FILETIME& remoteTime, bool rangesHonoured) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    sourceTime_ = remoteTime;
    rangesHonoured_ = rangesHonoured;
}

bool JobTask::RangesHonoured() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return rangesHonoured_;
}

bool JobTask::SameSource(const netclient::Transfer& transfer) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    const uint64_t length = transfer.RemoteLength();
    if (length != 0 && length != total_) return false;
    return SameTime(transfer.RemoteTime(), sourceTime_);
}

void JobTask::RefreshLocked(DWORD now) {
    consuming_ = timeBase_ + (now - runStart_) - pausedTotal_;
    if (!table_.Empty()) downloaded_ = table_.DoneSum();
    if (dataStarted_ && now != dataStart_) {
        const uint64_t fresh = downloaded_ > presentAtStart_ ? downloaded_ - presentAtStart_ : 0;
        averageRate_ = static_cast<int32_t>(fresh * 1000 / (now - dataStart_));
    }
}

void JobTask::PublishLocked(DWORD now) {
    ProgressFigures f;
    f.totalBytes = total_;
    f.downloadedBytes = downloaded_;
    f.consumingTime = static_cast<int32_t>(consuming_.load());
    f.currentRate = currentRate_;
    f.retryLeftTime = retryWaitTick_ == 0
                          ? 0
                          : static_cast<int32_t>(retryWaitTick_ + settings_.retryElapse - now);
    f.averageRate = averageRate_;
    f.retriedTimes = retried_;
    job_->Progress().Publish(f);
}

void JobTask::Tick() {
    const DWORD now = ::GetTickCount();
    bool save = false;
    {
        std::lock_guard<std::recursive_mutex> guard(lock_);
        const DownloadJobStatus status = job_->Status();
        if (status == qorjsWaitingForRetry) {
            if (retryWaitTick_ != 0 &&
                static_cast<int64_t>(now - retryWaitTick_) >= settings_.retryElapse) {
                retryWaitTick_ = 0;
                job_->SetStatus(qorjsWaiting);
                Post(JM_RETRY_DUE);
            }
        } else if (status != qorjsBegin && status != qorjsWaiting && status != qorjsDownloading) {
            return;
        }
        if (settings_.bandwidth > 0) {
            budget_ = settings_.bandwidth / kBudgetTicksPerSecond;
            // The first tick after data started covers only the time since
            // then: a full share at once would lift the average over the
            // limit.
            const DWORD flowing = now - dataStart_;
            if (dataStarted_ && flowing < kTickMs)
                budget_ = static_cast<int64_t>(settings_.bandwidth) * flowing / 1000;
        }
        if (now - lastSampleTick_ < kSampleInterval) return;
        RefreshLocked(now);
        const uint64_t sampled = downloaded_ > lastSampleDone_ ? downloaded_ - lastSampleDone_ : 0;
        currentRate_ = static_cast<int32_t>(sampled);
        lastSampleTick_ = now;
        lastSampleDone_ = downloaded_;
        PublishLocked(now);
        Post(JM_PROGRESS);
        // A run between attempts has no portions; its record stays as it is.
        save = !table_.Empty();
    }
    if (save) SaveControlFile(RecordFlush::kFlushFirst);
}

void JobTask::Pause() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    const DownloadJobStatus status = job_->Status();
    if (paused_ || (status != qorjsBegin && status != qorjsDownloading)) return;
    paused_ = true;
    ::ResetEvent(runGate_.Get());
    gateClosed_.store(true, std::memory_order_release);
    job_->SetStatus(qorjsPaused);
    pauseTick_ = ::GetTickCount();
    Post(JM_PAUSED);
}

void JobTask::Resume() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (!paused_) return;
    paused_ = false;
    pausedTotal_ += ::GetTickCount() - pauseTick_;
    if (job_->Status() == qorjsPaused) job_->SetStatus(qorjsDownloading);
    gateClosed_.store(false, std::memory_order_release);
    ::SetEvent(runGate_.Get());
}

void JobTask::OnPortionComplete() {
    bool whole = false;
    {
        std::lock_guard<std::recursive_mutex> guard(lock_);
        const DWORD now = ::GetTickCount();
        RefreshLocked(now);
        PublishLocked(now);
        Post(JM_PROGRESS);
        whole = total_ != 0 && downloaded_ == total_;
    }
    // A whole file needs no record: completing it deletes the record.
    if (whole) CompleteFile();
    else SaveControlFile(RecordFlush::kLastFlush);
}

void JobTask::CompleteFile() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (attemptEnded_) return;
    bool onDisk;
    {
        std::lock_guard<std::mutex> record(recordLock_);
        if (completed_) return;
        completed_ = true;
        // Flushed before the rename, so that after a crash the target is the
        // old file or the whole new one, never one whose bytes were lost.
        onDisk = file_.Flush();
        file_.Close();
    }
    attemptEnded_ = true;
    // The rename replaces an old target in one step: it stays whole until
    // the new file is complete and in place.
    if (!onDisk ||
        !::MoveFileExA(dataPath_.c_str(), targetPath_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        ControlFile::Delete(controlPath_);
        attemptEnded_ = false;
        FailAttemptLocked(kAttemptDataFileFailed);
        return;
    }
    ::SetFileAttributesA(targetPath_.c_str(), FILE_ATTRIBUTE_NORMAL);
    ControlFile::Delete(controlPath_);
    job_->SetStatus(qorjsCompleted);
    Post(JM_COMPLETED);
}

void JobTask::FailAttempt(int code) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    FailAttemptLocked(code);
}

void JobTask::FailAttemptLocked(int code) {
    // An attempt cut short by a stop has not failed: whoever stops the run
    // sets the status that follows, and no failure may show in between.
    if (attemptEnded_ || stopping_) return;
    attemptEnded_ = true;
    const DWORD now = ::GetTickCount();
    RefreshLocked(now);
    SaveControlFile(RecordFlush::kFlushFirst);
    if (code == kAttemptRefused) {
        job_->SetStatus(qorjsFailed);
        Post(JM_ERROR, static_cast<WPARAM>(code));
    } else if (settings_.retryTimes > 0 && retried_ < settings_.retryTimes) {
        job_->SetStatus(qorjsWaitingForRetry);
        ++retried_;
        retryWaitTick_ = now != 0 ? now : 1;
        PublishLocked(now);
        Post(JM_RETRY_WAIT);
    } else {
        job_->SetStatus(qorjsFailed);
        retried_ = 0;
        Post(JM_ERROR, static_cast<WPARAM>(static_cast<INT_PTR>(code)));
    }
}

void JobTask::SaveControlFile(RecordFlush flush) {
    std::lock_guard<std::mutex> record(recordLock_);
    if (completed_) return;
    if (!settings_.resume || table_.Empty()) {
        ControlFile::Delete(controlPath_);
        return;
    }
    ControlRecord r;
    // A record never claims more than the disk holds: the done counts are
    // taken first and the file is flushed after. Portions loaded from a
    // record, or made afresh, hold nothing unflushed.
    if (file_.IsOpen() && flush == RecordFlush::kFlushFirst) {
        PortionTable::Written written;
        r.portions = table_.Record(PortionTable::Counts::kWritten, &written);
        if (file_.Flush()) table_.MarkFlushed(written);
        else r.portions = table_.Record(PortionTable::Counts::kFlushed);
    } else {
        r.portions = table_.Record(PortionTable::Counts::kFlushed);
    }
    if (file_.IsOpen()) {
        file_.RestoreTime();
        r.dataTime = file_.RecordTime();
    } else {
        r.dataTime = netclient::GetLastWriteTime(dataPath_);
    }
    r.total = total_;
    for (const PortionRecord& p : r.portions) r.doneSum += p.done;
    r.consumingTime = consuming_;
    r.averageRate = ControlFile::AverageRate(r.doneSum, r.consumingTime);
    r.urlKey = urlKey_;
    const std::string bytes = ControlFile::Serialize(r);
    if (!bytes.empty()) ControlFile::WriteReplacing(controlPath_, bytes);
}

}  // namespace qor
