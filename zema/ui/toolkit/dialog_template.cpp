#include "zema/ui/toolkit/dialog_template.h"

#include "win/text.h"

namespace zema {

DialogTemplate::DialogTemplate(DWORD style, int x, int y, int cx, int cy,
                               const std::string& title, const std::string& face,
                               WORD pointSize, DWORD exStyle) {
    Dword(style | DS_SETFONT);
    Dword(exStyle);
    countAt_ = words_.size();
    Word(0);
    Word(static_cast<WORD>(x));
    Word(static_cast<WORD>(y));
    Word(static_cast<WORD>(cx));
    Word(static_cast<WORD>(cy));
    Word(0);  // no menu
    Word(0);  // the standard dialog class
    Text(title);
    Word(pointSize);
    Text(face);
}

DialogTemplate& DialogTemplate::Add(int id, const char* className, const std::string& text,
                                    DWORD style, int x, int y, int cx, int cy, DWORD exStyle) {
    Align();
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(exStyle);
    Word(static_cast<WORD>(x));
    Word(static_cast<WORD>(y));
    Word(static_cast<WORD>(cx));
    Word(static_cast<WORD>(cy));
    Word(static_cast<WORD>(id));
    Text(className);
    Text(text);
    Word(0);  // no creation data
    ++words_[countAt_];
    return *this;
}

DialogTemplate& DialogTemplate::PushButton(int id, const std::string& text, int x, int y, int cx,
                                           int cy, DWORD style) {
    return Add(id, "BUTTON", text, BS_PUSHBUTTON | style, x, y, cx, cy);
}

DialogTemplate& DialogTemplate::CheckBox(int id, const std::string& text, int x, int y, int cx,
                                         int cy, DWORD style) {
    return Add(id, "BUTTON", text, BS_AUTOCHECKBOX | style, x, y, cx, cy);
}

DialogTemplate& DialogTemplate::Label(int id, const std::string& text, int x, int y, int cx,
                                      int cy, DWORD style) {
    return Add(id, "STATIC", text, style, x, y, cx, cy);
}

const DLGTEMPLATE* DialogTemplate::Get() const {
    return reinterpret_cast<const DLGTEMPLATE*>(words_.data());
}

// Items start on DWORD boundaries; the vector's storage is aligned for that.
void DialogTemplate::Align() {
    if (words_.size() % 2) words_.push_back(0);
}

void DialogTemplate::Word(WORD value) { words_.push_back(value); }

void DialogTemplate::Dword(DWORD value) {
    words_.push_back(LOWORD(value));
    words_.push_back(HIWORD(value));
}

void DialogTemplate::Text(const std::string& text) {
    std::wstring wide = win::AnsiToWide(text);
    for (wchar_t c : wide) words_.push_back(static_cast<WORD>(c));
    words_.push_back(0);
}

}  // namespace zema
