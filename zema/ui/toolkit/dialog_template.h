#pragma once
// Dialog templates built in code: each dialog lays out its controls where
// its logic lives, and tests and the gallery need no resource script.

#include <windows.h>

#include <string>
#include <vector>

namespace zema {

class DialogTemplate {
public:
    // Position and size in dialog units. The font is the dialog's and, by
    // default, its controls'.
    DialogTemplate(DWORD style, int x, int y, int cx, int cy, const std::string& title = "",
                   const std::string& face = "Tahoma", WORD pointSize = 9, DWORD exStyle = 0);

    // Window classes by name ("BUTTON", "STATIC", "EDIT", "COMBOBOX",
    // "LISTBOX", WC_TABCONTROLA, WC_LISTVIEWA, ...). WS_CHILD | WS_VISIBLE
    // are always added.
    DialogTemplate& Add(int id, const char* className, const std::string& text, DWORD style,
                        int x, int y, int cx, int cy, DWORD exStyle = 0);

    DialogTemplate& PushButton(int id, const std::string& text, int x, int y, int cx, int cy,
                               DWORD style = WS_TABSTOP);
    DialogTemplate& CheckBox(int id, const std::string& text, int x, int y, int cx, int cy,
                             DWORD style = WS_TABSTOP);
    DialogTemplate& Label(int id, const std::string& text, int x, int y, int cx, int cy,
                          DWORD style = SS_LEFT);

    const DLGTEMPLATE* Get() const;

private:
    void Align();
    void Word(WORD value);
    void Dword(DWORD value);
    void Text(const std::string& text);

    std::vector<WORD> words_;
    size_t countAt_;
};

}  // namespace zema
