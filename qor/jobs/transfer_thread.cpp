#include "qor/jobs/transfer_thread.h"

#include <new>

#include "qor/jobs/attempt_error.h"
#include "qor/jobs/job_task.h"

namespace qor {
namespace {

constexpr DWORD kNoAllowanceSleep = 50;
// Relative and other-scheme redirects each make a new client; a source that
// keeps redirecting so would otherwise hold the thread for ever.
constexpr int kMaxReopens = 20;

}  // namespace

TransferThread::TransferThread(JobTask& task, PortionOwner owner)
    : task_(task), owner_(owner), stopEvent_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

TransferThread::~TransferThread() {
    RequestStop();
    Join();
}

bool TransferThread::Start() {
    if (!stopEvent_ || thread_) return false;
    thread_.Reset(::CreateThread(nullptr, 0, &TransferThread::Entry, this, 0, nullptr));
    return static_cast<bool>(thread_);
}

void TransferThread::RequestStop() {
    running_ = false;
    if (stopEvent_) ::SetEvent(stopEvent_.Get());
}

void TransferThread::Join() {
    if (thread_) ::WaitForSingleObject(thread_.Get(), INFINITE);
}

DWORD WINAPI TransferThread::Entry(void* self) {
    static_cast<TransferThread*>(self)->Run();
    return 0;
}

int TransferThread::OpenTransfer(uint64_t offset) {
    for (int reopens = 0;; ++reopens) {
        transfer_ = netclient::MakeTransfer(task_.MakeTransferSettings(stopEvent_.Get()));
        if (!transfer_) return netclient::kOpenFailed;
        const int result = transfer_->Open(offset);
        if (result == netclient::kOpened) {
            position_ = offset;
            return 0;
        }
        if (result == netclient::kRedirected || result == netclient::kRefused) {
            task_.SetRedirect(transfer_->Url());
            CloseTransfer();
            if (result == netclient::kRefused) return netclient::kRefused;
            if (!running_ || reopens >= kMaxReopens) return netclient::kOpenFailed;
            continue;
        }
        CloseTransfer();
        return result < 0 ? result : netclient::kOpenFailed;
    }
}

int TransferThread::OpenPortion(const PortionTable::PortionPtr& portion) {
    const uint64_t position = portion->Position();
    int result = OpenTransfer(position);
    // Bytes from another offset, or from another version of the file, would
    // land in this portion as if they belonged there.
    if (result == 0 && ((position != 0 && !transfer_->OffsetHonoured()) ||
                        !task_.SameSource(*transfer_))) {
        CloseTransfer();
        result = netclient::kOpenFailed;
    }
    if (result == netclient::kRefused) task_.FailAttempt(kAttemptRefused);
    return result;
}

void TransferThread::CloseTransfer() {
    if (transfer_) transfer_->Close();
    transfer_.reset();
}

void TransferThread::ReadPortion() {
    if (!buffer_) buffer_.reset(new (std::nothrow) char[JobTask::kReadSize]);
    if (!buffer_) return;
    char* const buffer = buffer_.get();
    while (running_ && portion_->Remaining() != 0) {
        if (!task_.WaitWhilePaused(stopEvent_.Get())) break;
        const size_t allowance = task_.RequestAllowance();
        if (allowance == 0) {
            ::WaitForSingleObject(stopEvent_.Get(), kNoAllowanceSleep);
            continue;
        }
        size_t want = JobTask::kReadSize;
        if (portion_->Remaining() < want) want = static_cast<size_t>(portion_->Remaining());
        if (allowance < want) want = allowance;
        size_t got = 0;
        if (!transfer_ || !transfer_->Read(buffer, want, got)) break;
        // A portion this thread no longer owns, or a stream that is not
        // where the portion stands, ends the reading.
        if (!portion_->Write(owner_, position_, buffer, got)) break;
        position_ += got;
    }
}

bool TransferThread::GiveBackPortion(bool failed) {
    if (!portion_) return false;
    const bool failedBefore = task_.Table().Release(portion_, owner_, failed);
    portion_.reset();
    return failedBefore;
}

void TransferThread::PortionLoop() {
    PortionTable& table = task_.Table();
    while (running_) {
        ReadPortion();
        CloseTransfer();
        // Once given back the portion is another thread's to take: this one
        // keeps no hold on it, so its exit cannot give it back a second time.
        const bool complete = portion_->Complete();
        const bool failedBefore = GiveBackPortion(!complete);
        if (complete) {
            task_.OnPortionComplete();
        } else {
            task_.SaveControlFile(JobTask::RecordFlush::kLastFlush);
            // A portion that failed once already, here or in another
            // thread, ends this thread.
            if (failedBefore) break;
        }
        if (!running_) break;
        portion_ = table.TakeWork(task_.RatePerThread(), owner_);
        if (!portion_) break;
        if (OpenPortion(portion_) != 0) {
            GiveBackPortion(true);
            task_.SaveControlFile(JobTask::RecordFlush::kLastFlush);
            break;
        }
    }
}

}  // namespace qor
