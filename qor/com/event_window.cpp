#include "qor/com/event_window.h"

#include <vector>

#include "qor/com/job_events.h"
#include "qor/com/qor_module.h"
#include "qor/jobs/job_messages.h"

namespace qor {
namespace {

constexpr char kWindowClass[] = "QOREventWindow";

}  // namespace

EventWindow::EventWindow(ConnectionPoint* events) : events_(events) {}

DISPID EventWindow::EventOf(UINT message) {
    switch (message) {
    case JM_BEGIN: return kEventBegin;
    case JM_COMPLETED: return kEventCompleted;
    case JM_WAITING: return kEventWaiting;
    case JM_CANCELED: return kEventCanceled;
    case JM_PAUSED: return kEventPaused;
    case JM_ERROR: return kEventError;
    case JM_PROGRESS: return kEventInProgress;
    case JM_RETRY_WAIT: return kEventWaitingForRetry;
    case JM_READ_DATA: return kEventBeginReadData;
    default: return 0;
    }
}

bool EventWindow::Create() {
    if (window_) return true;
    if (!RegisterWindowClass(QorModule::Instance(), kWindowClass)) return false;
    window_.Reset(CreateBoundWindow(QorModule::Instance(), kWindowClass, WS_POPUP));
    return static_cast<bool>(window_);
}

bool EventWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const DISPID event = EventOf(message);
    if (event == 0) return false;
    std::vector<LONG> arguments{static_cast<LONG>(JobIdOf(lParam))};
    if (event == kEventError) arguments.push_back(static_cast<LONG>(static_cast<INT_PTR>(wParam)));
    // The window may be destroyed by a sink's call; keep the sinks alive.
    win::ComPtr<ConnectionPoint> events = events_;
    events->Fire(event, arguments);
    result = 0;
    return true;
}

}  // namespace qor
