#pragma once
// The skin file (res.xml): named bitmaps, icons, fonts, colours, numbers and
// strings that every visible part of Zema takes its look and texts from.

#include <windows.h>
#include <msxml2.h>

#include <string>

#include "win/com.h"
#include "win/dpi.h"

namespace zema {

// One entry of a dialog's control text map: a control id and the string
// entry that gives its caption. A map ends with {-1, nullptr}.
struct ControlText {
    int id;
    const char* name;
};

// The printf conversions of a text in order, reduced to what decides the
// argument types ("%-5.2f of %s" gives "%f%s"; "%i" counts as "%d"); "%%"
// is none. A conversion that takes extra arguments or writes ("*", "%n")
// or is not understood gives "?".
std::string FormatConversions(const std::string& text);

class SkinResources {
public:
    SkinResources() = default;
    ~SkinResources();
    SkinResources(const SkinResources&) = delete;
    SkinResources& operator=(const SkinResources&) = delete;

    // The skin that start-up loaded, or null outside a run. Windows made by
    // the application reach the skin through this.
    static SkinResources* Current();

    // Loads res.xml synchronously; image files are looked up relative to the
    // folder that holds it. False, and no document kept, when the file
    // cannot be read or is not well-formed XML.
    bool Load(const std::string& resXmlPath);
    void Release();
    bool IsLoaded() const { return document_ != nullptr; }
    const std::string& Folder() const { return folder_; }

    // New GDI objects, owned by the caller; null when the entry is missing
    // or unusable. The skin's sizes are 96-DPI sizes; for another `dpi` a
    // bitmap comes from the file drawn for that scale ("title_150.bmp" beside
    // "title.bmp"; 150 and 200 are drawn) or is scaled smoothly from the
    // nearest, an icon is taken at the scaled size from its .ico, and a font
    // gets the scaled height and width.
    HBITMAP GetBitmap(const std::string& name, UINT dpi = win::kDefaultDpi) const;
    HICON GetIcon(const std::string& name, UINT dpi = win::kDefaultDpi) const;
    // `name`, or `fallback` in a skin made before `name` existed.
    HICON GetIconOr(const std::string& name, const std::string& fallback,
                    UINT dpi = win::kDefaultDpi) const;
    HFONT GetFont(const std::string& name, UINT dpi = win::kDefaultDpi) const;
    // Black, 0 and the empty text when the entry is missing or unusable.
    COLORREF GetColor(const std::string& name) const;
    int GetNumber(const std::string& name) const;
    std::string GetString(const std::string& name) const;
    // Whether the skin names the text at all: newer texts fall back to
    // older ones in skins made before them.
    bool HasString(const std::string& name) const;

    // A string entry used as a printf format. `conversions` names what the
    // caller passes, in order ("%d", "%s%d"); a skin text whose conversions
    // differ is shown as it stands rather than trusted with the arguments.
    std::string Format(const char* name, const char* conversions, ...) const;

    // Sets each mapped child control's text from the string entry (a missing
    // entry gives an empty caption).
    void ApplyControlTexts(HWND dialog, const ControlText* map) const;

private:
    win::ComPtr<IXMLDOMElement> FindEntry(const wchar_t* queryTemplate,
                                          const std::string& name) const;
    std::string EntryText(const wchar_t* queryTemplate, const std::string& name) const;
    std::string FilePath(IXMLDOMElement* entry) const;
    HBITMAP LoadBitmapFile(const std::string& path, UINT dpi) const;

    win::ComPtr<IXMLDOMDocument> document_;
    std::string folder_;
};

}  // namespace zema
