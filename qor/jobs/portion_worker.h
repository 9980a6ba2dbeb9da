#pragma once
// PortionWorker: a further thread of a run, started on one portion by the
// JobThread; it reads that portion and then takes more work.

#include "qor/jobs/transfer_thread.h"

namespace qor {

class PortionWorker : public TransferThread {
public:
    // `portion` is already taken in `owner`'s name.
    PortionWorker(JobTask& task, PortionTable::PortionPtr portion, PortionOwner owner)
        : TransferThread(task, owner) {
        portion_ = std::move(portion);
    }

private:
    void Run() override;
};

}  // namespace qor
