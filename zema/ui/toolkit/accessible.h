#pragma once
// What an owner-drawn control tells assistive technology: its role, name
// and state, and those of its items (tabs, links), through an IAccessible
// object that answers WM_GETOBJECT. The standard object of the window
// answers for its place among its siblings and its parent.

#include <windows.h>
#include <oleacc.h>

#include <string>

#include "win/com.h"

namespace zema {

struct AccessibleItem {
    long role = 0;
    std::string name;  // '&' accelerator marks are dropped
    long state = 0;
    RECT bounds = {};  // client coordinates; items only
    std::string defaultAction;
};

class AccessibleSource {
public:
    virtual ~AccessibleSource() = default;
    virtual AccessibleItem Self() const = 0;
    virtual int ItemCount() const { return 0; }
    virtual AccessibleItem Item(int /*index*/) const { return {}; }
    // `item` is -1 for the control itself; false when it has no action.
    virtual bool DoDefaultAction(int /*item*/) { return false; }
};

class AccessibleElement;

// Owned by the control: makes the object on the first request and cuts it
// off from the source when the control goes, since a client may hold it
// longer.
class AccessibleHost {
public:
    explicit AccessibleHost(AccessibleSource& source) : source_(source) {}
    ~AccessibleHost();
    AccessibleHost(const AccessibleHost&) = delete;
    AccessibleHost& operator=(const AccessibleHost&) = delete;

    // The control's messages first: answers WM_GETOBJECT for the client
    // object (true, with `result`) and lets go of the object on WM_DESTROY.
    bool HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Tells listeners that the state of the control (item -1) or an item changed.
    static void StateChanged(HWND hwnd, int item);
    void Disconnect();

private:
    bool Answer(HWND hwnd, WPARAM wParam, LPARAM lParam, LRESULT& result);

    AccessibleSource& source_;
    AccessibleElement* element_ = nullptr;  // a reference held
};

// The state that every window shares: unavailable, invisible, focusable and focused.
long WindowState(HWND hwnd);
// The control itself: `role`, its text as the name, its window state.
AccessibleItem WindowItem(HWND hwnd, long role);
// The window's text without the accelerator marks.
std::string AccessibleText(HWND hwnd);

}  // namespace zema
