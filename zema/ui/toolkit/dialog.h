#pragma once
// One base for every dialog, page and skinned window: it turns messages into
// a few virtual hooks, applies the layout table on resize, hands what the
// dialog leaves to its skinned frame, reflects control notifications to the
// controls that drew themselves, and is the one place that decides how the
// standard commands close a dialog.

#include <windows.h>

#include "win/dialog_scaler.h"
#include "win/dpi.h"
#include "win/message_window.h"
#include "zema/ui/toolkit/dialog_template.h"
#include "zema/ui/toolkit/layout.h"

namespace zema {

class SkinnedFrame;

// Control notifications come back to the control as message + this.
constexpr UINT kReflectedBase = 0x2000;
constexpr UINT kReflectedCommand = kReflectedBase + WM_COMMAND;
constexpr UINT kReflectedNotify = kReflectedBase + WM_NOTIFY;
constexpr UINT kReflectedDrawItem = kReflectedBase + WM_DRAWITEM;
constexpr UINT kReflectedMeasureItem = kReflectedBase + WM_MEASUREITEM;
// Ctrl+Tab (wParam 1) and Ctrl+Shift+Tab (0) asked of a dialog with pages.
constexpr UINT kSwitchPageMessage = kReflectedBase - 1;

class Dialog : public win::MessageWindow<Dialog> {
public:
    Dialog() = default;
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    HWND Item(int id) const { return ::GetDlgItem(hwnd(), id); }

    // Modal: returns the value given to Close (or -1 when the dialog could
    // not be made). IDOK (and IDCLOSE) that no hook takes end it with 1,
    // IDCANCEL (also Escape and WM_CLOSE) with 2; a top-level modeless
    // dialog is closed by them the same way.
    INT_PTR RunModal(HWND owner, const DialogTemplate& layout);
    INT_PTR RunModal(HWND owner, HINSTANCE module, int resourceId);
    // Modeless: the window, or null. Keyboard navigation works when the
    // thread's message loop calls TranslateModelessMessage.
    HWND Create(HWND owner, const DialogTemplate& layout);
    HWND Create(HWND owner, HINSTANCE module, int resourceId);
    // Ends a modal dialog with `result`; destroys a modeless one.
    void Close(INT_PTR result);
    bool IsModal() const { return modal_; }

    // The message loop offers each message here first: true when one of the
    // thread's modeless dialogs took it for keyboard navigation.
    static bool TranslateModelessMessage(MSG& msg);

    // The display scale the window is laid out for, and a 96-DPI pixel
    // measure at that scale.
    win::Dpi dpi() const { return scaler_.dpi(); }
    int Px(int px96) const { return scaler_.dpi().Scale(px96); }

protected:
    // Return false from OnInit when it set the focus itself.
    virtual bool OnInit() { return true; }
    virtual bool OnCommand(WORD id, WORD code, HWND control);
    virtual bool OnNotify(const NMHDR& header, LRESULT& result);
    virtual bool OnDrawItem(const DRAWITEMSTRUCT& item);
    virtual void OnTimer(UINT_PTR id);
    virtual void OnSize(UINT type, int cx, int cy);
    virtual void OnDestroy() {}
    // The window moved to a screen of another scale and its controls have
    // been placed for it: fonts, images and measures of its own follow here.
    // The window takes its new size after this.
    virtual void OnDpiChanged(win::Dpi) {}
    // Ctrl+Tab, Ctrl+Page Down (forward) and their reverse: true when the
    // dialog has pages and turned one.
    virtual bool OnSwitchPage(bool /*forward*/) { return false; }
    // Every message first: return true with `result` set to take it.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // The frame handles, in its turn, what the hooks leave.
    void SetFrame(SkinnedFrame* frame) { frame_ = frame; }
    // Controls listed here follow the window's size from now on.
    void SetLayout(const LayoutRule* rules, size_t count);

private:
    friend class win::MessageWindow<Dialog>;
    INT_PTR OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool CloseOnStandardCommand(WORD id);
    bool Reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void ChangeDpi(win::Dpi dpi, const RECT* suggested);

    bool modal_ = false;
    SIZE templateUnits_ = {};  // of a template built in code
    SkinnedFrame* frame_ = nullptr;
    Layout layout_;
    win::DialogScaler scaler_;
};

}  // namespace zema
