#include "qor/jobs/portion_worker.h"

#include "qor/jobs/job_task.h"

namespace qor {

void PortionWorker::Run() {
    task_.AddReader();
    if (OpenPortion(portion_) == 0) PortionLoop();
    CloseTransfer();
    GiveBackPortion(false);
    task_.RemoveReader();
}

}  // namespace qor
