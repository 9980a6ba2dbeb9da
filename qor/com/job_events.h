#pragma once
// The dispids of _IQORDownloadJobEvents as qor.idl numbers them: one list for
// the server that fires the events and for every client that tells them apart.

#include <windows.h>

namespace qor {

enum JobEventId : DISPID {
    kEventBegin = 1,
    kEventCompleted = 2,
    kEventWaiting = 3,
    kEventCanceled = 4,
    kEventPaused = 5,
    kEventError = 6,
    kEventInProgress = 7,
    kEventWaitingForRetry = 8,
    kEventBeginReadData = 9,
};

}  // namespace qor
