#pragma once
// Why an attempt at a job failed: the code that the job's DownloadJobError
// event carries.

#include "netclient/transfer.h"

namespace qor {

enum AttemptError : int {
    kAttemptCutShort = 0,         // the source ended before the whole file came
    kAttemptOpenFailed = -1,      // the source could not be opened
    kAttemptChangedNoReset = -3,  // the source changed and the run could not start afresh
    kAttemptIgnoredNoReset = -4,  // ranges ignored and the run could not start afresh
    kAttemptDataFileFailed = -5,  // the data file could not be made or put in place
    // A redirect the job does not allow: final, never retried.
    kAttemptRefused = netclient::kRefused,
};

}  // namespace qor
