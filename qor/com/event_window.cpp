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
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    if (!::GetClassInfoExA(QorModule::Instance(), kWindowClass, &wc)) {
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &EventWindow::WindowProc;
        wc.hInstance = QorModule::Instance();
        wc.lpszClassName = kWindowClass;
        if (!::RegisterClassExA(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            return false;
    }
    window_.Reset(::CreateWindowExA(0, kWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                    QorModule::Instance(), nullptr));
    if (!window_) return false;
    ::SetWindowLongPtrA(window_.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return true;
}

LRESULT CALLBACK EventWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<EventWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    const DISPID event = EventOf(message);
    if (!self || event == 0) return ::DefWindowProcA(hwnd, message, wParam, lParam);
    std::vector<LONG> arguments{static_cast<LONG>(JobIdOf(lParam))};
    if (event == kEventError) arguments.push_back(static_cast<LONG>(static_cast<INT_PTR>(wParam)));
    // The window may be destroyed by a sink's call; keep the sinks alive.
    win::ComPtr<ConnectionPoint> events = self->events_;
    events->Fire(event, arguments);
    return 0;
}

}  // namespace qor
