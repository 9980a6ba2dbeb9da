#include "zema/ui/toolkit/accessible.h"

#include "win/com_object.h"
#include "win/text.h"

// The interface identifier comes from the compiler (__uuidof): linked from
// oleacc's import library, IID_IAccessible names the DLL's export thunk,
// not the identifier.

namespace zema {
namespace {

// Child ids: CHILDID_SELF (0) for the control, 1 to n for its items.
bool ChildOf(const VARIANT& child, int count, int& item) {
    if (child.vt != VT_I4) return false;
    item = static_cast<int>(child.lVal) - 1;
    return item >= -1 && item < count;
}

HRESULT ReturnText(const std::string& text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (text.empty()) return S_FALSE;
    *out = win::ToBstr(text).Release();
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT ReturnLong(long value, VARIANT* out) {
    if (!out) return E_POINTER;
    ::VariantInit(out);
    out->vt = VT_I4;
    out->lVal = value;
    return S_OK;
}

}  // namespace

class AccessibleElement : public win::ComObject<IAccessible> {
public:
    AccessibleElement(HWND hwnd, AccessibleSource& source) : hwnd_(hwnd), source_(&source) {
        ::CreateStdAccessibleObject(hwnd, OBJID_CLIENT, __uuidof(IAccessible),
                                    reinterpret_cast<void**>(standard_.GetAddressOf()));
    }
    void Disconnect() {
        source_ = nullptr;
        standard_.Reset();
    }

    // IDispatch: clients of these objects call IAccessible directly.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                        UINT*) override {
        return E_NOTIMPL;
    }

    STDMETHODIMP get_accParent(IDispatch** parent) override {
        if (!parent) return E_POINTER;
        *parent = nullptr;
        if (!source_) return CO_E_OBJNOTCONNECTED;
        return standard_ ? standard_->get_accParent(parent) : S_FALSE;
    }
    STDMETHODIMP get_accChildCount(LONG* count) override {
        if (!count) return E_POINTER;
        if (!source_) return CO_E_OBJNOTCONNECTED;
        *count = source_->ItemCount();
        return S_OK;
    }
    STDMETHODIMP get_accChild(VARIANT child, IDispatch** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        int item;
        if (!source_) return CO_E_OBJNOTCONNECTED;
        if (!ChildOf(child, source_->ItemCount(), item) || item < 0) return E_INVALIDARG;
        return S_FALSE;  // items are simple elements of this object
    }
    STDMETHODIMP get_accName(VARIANT child, BSTR* name) override {
        AccessibleItem data;
        HRESULT hr = Describe(child, data);
        return FAILED(hr) ? hr : ReturnText(data.name, name);
    }
    STDMETHODIMP get_accValue(VARIANT, BSTR* value) override { return ReturnText({}, value); }
    STDMETHODIMP get_accDescription(VARIANT, BSTR* text) override { return ReturnText({}, text); }
    STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override {
        AccessibleItem data;
        HRESULT hr = Describe(child, data);
        return FAILED(hr) ? hr : ReturnLong(data.role, role);
    }
    STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override {
        AccessibleItem data;
        HRESULT hr = Describe(child, data);
        return FAILED(hr) ? hr : ReturnLong(data.state, state);
    }
    STDMETHODIMP get_accHelp(VARIANT, BSTR* help) override { return ReturnText({}, help); }
    STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT, LONG* topic) override {
        if (file) *file = nullptr;
        if (topic) *topic = 0;
        return S_FALSE;
    }
    STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        if (!shortcut) return E_POINTER;
        *shortcut = nullptr;
        if (!source_) return CO_E_OBJNOTCONNECTED;
        if (child.vt == VT_I4 && child.lVal == CHILDID_SELF && standard_)
            return standard_->get_accKeyboardShortcut(child, shortcut);
        return S_FALSE;
    }
    STDMETHODIMP get_accFocus(VARIANT* focus) override {
        if (!focus) return E_POINTER;
        ::VariantInit(focus);
        if (!source_) return CO_E_OBJNOTCONNECTED;
        if (::GetFocus() != hwnd_) return S_FALSE;
        int count = source_->ItemCount();
        for (int i = 0; i < count; ++i) {
            if (source_->Item(i).state & STATE_SYSTEM_FOCUSED) return ReturnLong(i + 1, focus);
        }
        return ReturnLong(CHILDID_SELF, focus);
    }
    STDMETHODIMP get_accSelection(VARIANT* selection) override {
        if (!selection) return E_POINTER;
        ::VariantInit(selection);
        if (!source_) return CO_E_OBJNOTCONNECTED;
        int count = source_->ItemCount();
        for (int i = 0; i < count; ++i) {
            if (source_->Item(i).state & STATE_SYSTEM_SELECTED) return ReturnLong(i + 1, selection);
        }
        return S_FALSE;
    }
    STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override {
        AccessibleItem data;
        HRESULT hr = Describe(child, data);
        return FAILED(hr) ? hr : ReturnText(data.defaultAction, action);
    }
    STDMETHODIMP accSelect(LONG, VARIANT) override { return E_NOTIMPL; }
    STDMETHODIMP accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                             VARIANT child) override {
        if (!left || !top || !width || !height) return E_POINTER;
        *left = *top = *width = *height = 0;
        int item;
        if (!source_) return CO_E_OBJNOTCONNECTED;
        if (!ChildOf(child, source_->ItemCount(), item)) return E_INVALIDARG;
        if (item < 0)
            return standard_ ? standard_->accLocation(left, top, width, height, child) : S_FALSE;
        RECT bounds = source_->Item(item).bounds;
        ::MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&bounds), 2);
        *left = bounds.left;
        *top = bounds.top;
        *width = bounds.right - bounds.left;
        *height = bounds.bottom - bounds.top;
        return S_OK;
    }
    STDMETHODIMP accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
        if (!end) return E_POINTER;
        ::VariantInit(end);
        int item;
        if (!source_) return CO_E_OBJNOTCONNECTED;
        int count = source_->ItemCount();
        if (!ChildOf(start, count, item)) return E_INVALIDARG;
        if (item < 0) {
            if (direction == NAVDIR_FIRSTCHILD && count > 0) return ReturnLong(1, end);
            if (direction == NAVDIR_LASTCHILD && count > 0) return ReturnLong(count, end);
            return standard_ ? standard_->accNavigate(direction, start, end) : S_FALSE;
        }
        int next = -1;
        if (direction == NAVDIR_NEXT || direction == NAVDIR_RIGHT || direction == NAVDIR_DOWN)
            next = item + 1;
        else if (direction == NAVDIR_PREVIOUS || direction == NAVDIR_LEFT || direction == NAVDIR_UP)
            next = item - 1;
        if (next < 0 || next >= count) return S_FALSE;
        return ReturnLong(next + 1, end);
    }
    STDMETHODIMP accHitTest(LONG x, LONG y, VARIANT* hit) override {
        if (!hit) return E_POINTER;
        ::VariantInit(hit);
        if (!source_) return CO_E_OBJNOTCONNECTED;
        POINT at = {x, y};
        ::ScreenToClient(hwnd_, &at);
        RECT client;
        ::GetClientRect(hwnd_, &client);
        if (!::PtInRect(&client, at)) return S_FALSE;
        int count = source_->ItemCount();
        for (int i = 0; i < count; ++i) {
            RECT bounds = source_->Item(i).bounds;
            if (::PtInRect(&bounds, at)) return ReturnLong(i + 1, hit);
        }
        return ReturnLong(CHILDID_SELF, hit);
    }
    STDMETHODIMP accDoDefaultAction(VARIANT child) override {
        int item;
        if (!source_) return CO_E_OBJNOTCONNECTED;
        if (!ChildOf(child, source_->ItemCount(), item)) return E_INVALIDARG;
        return source_->DoDefaultAction(item) ? S_OK : DISP_E_MEMBERNOTFOUND;
    }
    STDMETHODIMP put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    HRESULT Describe(const VARIANT& child, AccessibleItem& data) const {
        if (!source_) return CO_E_OBJNOTCONNECTED;
        int item;
        if (!ChildOf(child, source_->ItemCount(), item)) return E_INVALIDARG;
        data = item < 0 ? source_->Self() : source_->Item(item);
        return S_OK;
    }

    HWND hwnd_;
    AccessibleSource* source_;
    win::ComPtr<IAccessible> standard_;
};

AccessibleHost::~AccessibleHost() { Disconnect(); }

void AccessibleHost::Disconnect() {
    if (!element_) return;
    element_->Disconnect();
    // Proxies that other processes hold fail from here on, not call in.
    ::CoDisconnectObject(static_cast<IAccessible*>(element_), 0);
    element_->Release();
    element_ = nullptr;
}

bool AccessibleHost::HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                   LRESULT& result) {
    if (message == WM_GETOBJECT) return Answer(hwnd, wParam, lParam, result);
    if (message == WM_DESTROY) Disconnect();
    return false;
}

bool AccessibleHost::Answer(HWND hwnd, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (static_cast<LONG>(lParam) != static_cast<LONG>(OBJID_CLIENT)) return false;
    if (!element_) element_ = new AccessibleElement(hwnd, source_);
    LRESULT reference =
        ::LresultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(element_));
    if (reference <= 0) return false;  // an error: the window's standard object answers
    result = reference;
    return true;
}

void AccessibleHost::StateChanged(HWND hwnd, int item) {
    ::NotifyWinEvent(EVENT_OBJECT_STATECHANGE, hwnd, OBJID_CLIENT, item + 1);
}

long WindowState(HWND hwnd) {
    long state = STATE_SYSTEM_FOCUSABLE;
    if (!::IsWindowEnabled(hwnd)) state |= STATE_SYSTEM_UNAVAILABLE;
    if (!::IsWindowVisible(hwnd)) state |= STATE_SYSTEM_INVISIBLE;
    if (::GetFocus() == hwnd) state |= STATE_SYSTEM_FOCUSED;
    return state;
}

AccessibleItem WindowItem(HWND hwnd, long role) {
    AccessibleItem self;
    self.role = role;
    self.name = AccessibleText(hwnd);
    self.state = WindowState(hwnd);
    return self;
}

std::string AccessibleText(HWND hwnd) {
    char text[512] = {};
    ::GetWindowTextA(hwnd, text, sizeof(text));
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (*p == '&') {
            if (p[1] != '&') continue;
            ++p;
        }
        out += *p;
    }
    return out;
}

}  // namespace zema
