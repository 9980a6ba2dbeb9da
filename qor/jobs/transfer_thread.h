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
    explicit TransferThread(JobTask& task);
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
    // Opens at the portion's position; a source that answers from another
    // offset, or whose length or time differ from the run's, is refused, so
    // that its bytes never land in this portion.
    int OpenPortion(const PortionTable::PortionPtr& portion);
    void CloseTransfer();
    void PortionLoop();

    JobTask& task_;
    PortionTable::PortionPtr portion_;
    std::unique_ptr<netclient::Transfer> transfer_;

private:
    static DWORD WINAPI Entry(void* self);
    void ReadPortion();

    std::atomic<bool> running_{true};
    win::KernelHandle stopEvent_;
    win::KernelHandle thread_;
};

}  // namespace qor
