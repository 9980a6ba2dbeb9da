#pragma once
// PortionWorker: a further thread of a run, started on one portion by the
// JobThread; it reads that portion and then takes more work.

#include "qor/jobs/transfer_thread.h"

namespace qor {

class PortionWorker : public TransferThread {
public:
    PortionWorker(JobTask& task, PortionTable::PortionPtr portion) : TransferThread(task) {
        portion_ = std::move(portion);
    }

private:
    void Run() override;
};

}  // namespace qor
