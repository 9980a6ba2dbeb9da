#pragma once
// TransferThread: what a JobThread and a PortionWorker share: the thread, its
// running flag and stop event, the open transfer and the portion loop.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include "netclient/transfer.h"
#include "qor/jobs/portion_table.h"
#include "win/unique_handle.h"

namespace qor {

class JobTask;

class TransferThread {
public:
    // `owner` is the name under which this thread holds portions.
    TransferThread(JobTask& task, PortionOwner owner);
    virtual ~TransferThread();
    TransferThread(const TransferThread&) = delete;
    TransferThread& operator=(const TransferThread&) = delete;

    bool Start();
    // Clears the running flag and sets the stop event, which ends every wait
    // of the transfer.
    void RequestStop();
    void Join();

protected:
    virtual void Run() = 0;
    bool Running() const { return running_; }
    HANDLE StopEvent() const { return stopEvent_.Get(); }

    // Makes the client for the run's URL and opens it, following redirects
    // to new clients (at most 20 in a row). Returns 0, 2 (refused for good)
    // or a negative code.
    int OpenTransfer(uint64_t offset);
    // Where the open transfer's next byte belongs; for a source that sent
    // the whole file instead of the range asked for, 0.
    void SetTransferPosition(uint64_t position) { position_ = position; }
    // Opens at the portion's position; a source that answers from another
    // offset, or whose length or time differ from the run's, is refused, so
    // that its bytes never land in this portion.
    int OpenPortion(const PortionTable::PortionPtr& portion);
    void CloseTransfer();
    void PortionLoop();
    // Gives back the portion this thread holds, if any; returns whether it
    // had failed before.
    bool GiveBackPortion(bool failed);

    JobTask& task_;
    const PortionOwner owner_;
    // Held only while this thread owns it; null once given back.
    PortionTable::PortionPtr portion_;
    std::unique_ptr<netclient::Transfer> transfer_;

private:
    static DWORD WINAPI Entry(void* self);
    void ReadPortion();

    uint64_t position_ = 0;
    std::unique_ptr<char[]> buffer_;  // JobTask::kReadSize bytes, made on first use
    std::atomic<bool> running_{true};
    win::KernelHandle stopEvent_;
    win::KernelHandle thread_;
};

}  // namespace qor
