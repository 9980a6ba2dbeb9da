#pragma once
// JobThread: the first thread of a run. It opens the source, decides
// between resuming and starting afresh, prepares the DataFile, splits the
// file, starts the PortionWorkers and reads a portion itself.

#include "qor/jobs/transfer_thread.h"

namespace qor {

class JobThread : public TransferThread {
public:
    JobThread(JobTask& task, PortionOwner owner) : TransferThread(task, owner) {}

private:
    void Run() override;
    // Steps up to a DataFile ready for data; 0 or the attempt's error code.
    int PrepareTransfer();
    // Drops every portion and starts one new one at 0; false when it cannot.
    bool ResetPortions();
    void StartWorkers();
};

}  // namespace qor
