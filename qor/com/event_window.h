#pragma once
// EventWindow: the hidden "QOREventWindow" window on the caller's thread
// that turns the nine job messages into _IQORDownloadJobEvents events.

#include <windows.h>

#include "qor/com/connection_point.h"
#include "win/com.h"
#include "win/message_window.h"
#include "win/unique_handle.h"

namespace qor {

class EventWindow : private win::MessageWindow<EventWindow> {
public:
    explicit EventWindow(ConnectionPoint* events);
    ~EventWindow() = default;
    EventWindow(const EventWindow&) = delete;
    EventWindow& operator=(const EventWindow&) = delete;

    // Makes the window in the calling thread; true when it exists.
    bool Create();
    HWND Handle() const { return window_.Get(); }
    // The event dispid of a job message, or 0 for any other message.
    static DISPID EventOf(UINT message);

private:
    friend class win::MessageWindow<EventWindow>;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    win::ComPtr<ConnectionPoint> events_;
    win::Window window_;
};

}  // namespace qor
