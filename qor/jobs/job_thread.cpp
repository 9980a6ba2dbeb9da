#include "qor/jobs/job_thread.h"

#include "netclient/file_utils.h"
#include "qor/jobs/attempt_error.h"
#include "qor/jobs/job_task.h"

namespace qor {
namespace {

// Nothing to fetch counts as a source that cannot be opened.
constexpr int kNoPortion = kAttemptOpenFailed;

bool SameTime(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

}  // namespace

void JobThread::Run() {
    task_.AddReader();
    task_.SetBegin();
    const int code = PrepareTransfer();
    if (code != 0) {
        task_.FailAttempt(code);
    } else {
        // A source that sends the whole file whatever range is asked for
        // can only be read by one thread from the start.
        if (task_.RangesHonoured()) task_.Table().InitialSplit(task_.MaxThreads());
        if (task_.SetDownloading(StopEvent())) {
            StartWorkers();
            PortionLoop();
        }
    }
    task_.JoinWorkers();
    if (Running() && task_.Downloaded() != task_.Total()) task_.FailAttempt(kAttemptCutShort);
    CloseTransfer();
    GiveBackPortion(false);
    task_.RemoveReader();
}

bool JobThread::ResetPortions() {
    PortionTable& table = task_.Table();
    table.Clear();
    // An empty table removes the record.
    task_.SaveControlFile(JobTask::RecordFlush::kLastFlush);
    if (!table.Add(0, 0, 0)) return false;
    portion_ = table.TakeFirstIdle(owner_);
    return portion_ != nullptr;
}

int JobThread::PrepareTransfer() {
    PortionTable& table = task_.Table();
    portion_ = table.TakeFirstIdle(owner_);
    if (!portion_) return kNoPortion;
    int result = OpenTransfer(portion_->Position());
    if (result == netclient::kRefused) return result;
    if (result != 0) return kAttemptOpenFailed;

    bool deleteFirst = false;
    bool learnLength = false;
    if (table.Count() == 1 && portion_->Length() == 0) {
        deleteFirst = learnLength = true;  // a fresh run
    } else if (!SameTime(netclient::GetLastWriteTime(task_.DataPath()), transfer_->RemoteTime())) {
        // The remote file changed since the resume data was written.
        CloseTransfer();
        if (!ResetPortions()) return kAttemptChangedNoReset;
        result = OpenTransfer(0);
        if (result == netclient::kRefused) return result;
        if (result != 0) return kAttemptOpenFailed;
        deleteFirst = learnLength = true;
    } else if (!transfer_->OffsetHonoured()) {
        // The source answered from 0 with the whole file, whose length it
        // reported: start afresh with what it sends.
        if (!ResetPortions()) return kAttemptIgnoredNoReset;
        SetTransferPosition(0);
        deleteFirst = learnLength = true;
    }
    if (learnLength) {
        task_.SetTotal(transfer_->RemoteLength());
        portion_->SetLength(transfer_->RemoteLength());
    }
    if (!task_.OpenDataFile(transfer_->RemoteTime(), deleteFirst)) return kAttemptDataFileFailed;
    task_.SetSource(transfer_->RemoteTime(), transfer_->OffsetHonoured());
    return 0;
}

void JobThread::StartWorkers() {
    PortionTable& table = task_.Table();
    int32_t threads = 1;
    for (const PortionTable::PortionPtr& portion : table.Portions()) {
        if (threads >= task_.MaxThreads() || !Running()) break;
        // Taken in the new worker's name, so that only it gives it back.
        const PortionOwner owner = task_.NewPortionOwner();
        if (!table.TakeIfIdle(portion, owner)) continue;
        if (!task_.AddWorker(portion, owner)) {
            table.Release(portion, owner, false);
            break;
        }
        ++threads;
    }
}

}  // namespace qor
