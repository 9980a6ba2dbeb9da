#include "zema/ui/toolkit/skin_resources.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "win/text.h"
#include "win/xml.h"
#include "zema/ui/toolkit/drawing.h"
#include "zema/ui/toolkit/skin_values.h"

namespace zema {
namespace {

constexpr wchar_t kBitmapQuery[] = L"//BitmapTable/Bitmap[@name='%s']";
constexpr wchar_t kIconQuery[] = L"//IconTable/Icon[@name='%s']";
constexpr wchar_t kFontQuery[] = L"//FontTable/Font[@name='%s']";
constexpr wchar_t kColorQuery[] = L"//ColorTable/Color[@name='%s']";
constexpr wchar_t kNumberQuery[] = L"//NumberTable/Number[@name='%s']";
constexpr wchar_t kStringQuery[] = L"//StringTable/String[@name='%s']";

// Face names are cut to this many bytes (LF_FACESIZE less the terminator).
constexpr size_t kMaxFaceBytes = LF_FACESIZE - 1;

SkinResources* g_current = nullptr;

// The scales the default skin draws its bitmaps at, besides 100 %.
constexpr int kDrawnScales[] = {150, 200};

int ScalePercent(UINT dpi) { return win::ScaleForDpi(100, dpi); }

// "skin\\title.bmp" drawn for 150 % is "skin\\title_150.bmp".
std::string ScaleVariantPath(const std::string& path, int percent) {
    size_t slash = path.find_last_of("\\/");
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        dot = path.size();
    return path.substr(0, dot) + "_" + std::to_string(percent) + path.substr(dot);
}

std::wstring FormatQuery(const wchar_t* queryTemplate, const std::string& name) {
    std::wstring query = queryTemplate;
    size_t at = query.find(L"%s");
    query.replace(at, 2, win::AnsiToWide(name));
    return query;
}

bool AttributeText(IXMLDOMElement* entry, const wchar_t* name, std::string& text) {
    win::Bstr attribute(name);
    win::Variant value;
    if (entry->getAttribute(attribute.Get(), value.Put()) != S_OK) return false;
    if (FAILED(::VariantChangeType(value.Get(), value.Get(), 0, VT_BSTR))) return false;
    text = win::FromBstr(value.Get()->bstrVal);
    return true;
}

// The standard variant conversion: "16" converts, "abc" and a missing
// attribute do not.
bool AttributeInt(IXMLDOMElement* entry, const wchar_t* name, LONG& number) {
    win::Bstr attribute(name);
    win::Variant value;
    if (entry->getAttribute(attribute.Get(), value.Put()) != S_OK) return false;
    if (FAILED(::VariantChangeType(value.Get(), value.Get(), 0, VT_I4))) return false;
    number = value.Get()->lVal;
    return true;
}

bool AttributeByte(IXMLDOMElement* entry, const wchar_t* name, BYTE& field) {
    LONG number = 0;
    if (!AttributeInt(entry, name, number)) return false;
    field = static_cast<BYTE>(number & 0xFF);
    return true;
}

}  // namespace

std::string FormatConversions(const std::string& text) {
    std::string conversions;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') continue;
        ++i;
        if (i < text.size() && text[i] == '%') continue;
        while (i < text.size() && std::strchr("-+ #0", text[i])) ++i;
        bool extraArgument = false;
        while (i < text.size() && (std::isdigit(static_cast<unsigned char>(text[i])) ||
                                   text[i] == '.' || text[i] == '*')) {
            if (text[i] == '*') extraArgument = true;
            ++i;
        }
        std::string length;
        while (i < text.size() && std::strchr("hlLqjztI", text[i])) length += text[i++];
        // MSVCRT's I64 and I32 length modifiers.
        if (!length.empty() && length.back() == 'I' &&
            (text.compare(i, 2, "64") == 0 || text.compare(i, 2, "32") == 0)) {
            length += text.substr(i, 2);
            i += 2;
        }
        if (i >= text.size()) return conversions + "?";
        char type = text[i];
        if (type == 'i') type = 'd';
        if (extraArgument || !std::strchr("diouxXeEfgGaAcsp", type)) {
            conversions += "?";
            continue;
        }
        conversions += "%" + length + type;
    }
    return conversions;
}

SkinResources::~SkinResources() { Release(); }

SkinResources* SkinResources::Current() { return g_current; }

bool SkinResources::Load(const std::string& resXmlPath) {
    Release();
    win::ComPtr<IXMLDOMDocument> document;
    if (FAILED(win::LoadXmlFile(win::AnsiToWide(resXmlPath), document))) return false;
    // XPath rather than MSXML 3's older default pattern language.
    win::ComPtr<IXMLDOMDocument2> settings;
    constexpr IID kIidDomDocument2 = {
        0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};
    if (SUCCEEDED(document->QueryInterface(kIidDomDocument2,
                                           reinterpret_cast<void**>(settings.GetAddressOf())))) {
        win::Bstr property(L"SelectionLanguage");
        win::Variant language;
        language.Get()->vt = VT_BSTR;
        language.Get()->bstrVal = ::SysAllocString(L"XPath");
        settings->setProperty(property.Get(), *language.Get());
    }
    size_t slash = resXmlPath.find_last_of("\\/");
    folder_ = slash == std::string::npos ? std::string(".") : resXmlPath.substr(0, slash);
    document_ = std::move(document);
    g_current = this;
    return true;
}

void SkinResources::Release() {
    document_.Reset();
    if (g_current == this) g_current = nullptr;
}

win::ComPtr<IXMLDOMElement> SkinResources::FindEntry(const wchar_t* queryTemplate,
                                                     const std::string& name) const {
    win::ComPtr<IXMLDOMElement> entry;
    // An apostrophe would end the name inside the query.
    if (!document_ || name.empty() || name.find('\'') != std::string::npos) return entry;
    win::Bstr query(FormatQuery(queryTemplate, name).c_str());
    win::ComPtr<IXMLDOMNode> node;
    if (document_->selectSingleNode(query.Get(), node.GetAddressOf()) != S_OK || !node)
        return entry;
    node->QueryInterface(IID_IXMLDOMElement, reinterpret_cast<void**>(entry.GetAddressOf()));
    return entry;
}

std::string SkinResources::EntryText(const wchar_t* queryTemplate,
                                     const std::string& name) const {
    win::ComPtr<IXMLDOMElement> entry = FindEntry(queryTemplate, name);
    if (!entry) return std::string();
    win::Bstr text;
    if (FAILED(entry->get_text(text.Put()))) return std::string();
    return win::FromBstr(text.Get());
}

std::string SkinResources::FilePath(IXMLDOMElement* entry) const {
    std::string file;
    if (!AttributeText(entry, L"file", file) || file.empty()) return std::string();
    return folder_ + "\\" + file;
}

HBITMAP SkinResources::GetBitmap(const std::string& name, UINT dpi) const {
    win::ComPtr<IXMLDOMElement> entry = FindEntry(kBitmapQuery, name);
    if (!entry) return nullptr;
    std::string path = FilePath(entry.Get());
    if (path.empty()) return nullptr;
    return LoadBitmapFile(path, dpi);
}

HBITMAP SkinResources::LoadBitmapFile(const std::string& path, UINT dpi) const {
    // A DIB section keeps the file's alpha channel for the image lists.
    auto load = [](const std::string& file) {
        return static_cast<HBITMAP>(::LoadImageA(nullptr, file.c_str(), IMAGE_BITMAP, 0, 0,
                                                 LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    };
    int percent = ScalePercent(dpi);
    if (percent == 100) return load(path);
    // The drawing made for this scale, else the nearest larger one (reduced
    // smoothly), else the 100 % one enlarged.
    for (int drawn : kDrawnScales) {
        if (drawn < percent) continue;
        HBITMAP variant = load(ScaleVariantPath(path, drawn));
        if (!variant) continue;
        if (drawn == percent) return variant;
        return ScaleBitmapSmoothly(variant, percent, drawn);
    }
    HBITMAP original = load(path);
    return original ? ScaleBitmapSmoothly(original, percent, 100) : nullptr;
}

HICON SkinResources::GetIcon(const std::string& name, UINT dpi) const {
    win::ComPtr<IXMLDOMElement> entry = FindEntry(kIconQuery, name);
    if (!entry) return nullptr;
    LONG cx = 0;
    LONG cy = 0;
    if (!AttributeInt(entry.Get(), L"cx", cx) || !AttributeInt(entry.Get(), L"cy", cy))
        return nullptr;
    // An absurd size is no icon rather than a huge allocation.
    constexpr LONG kMaxIconSize = 256;
    if (cx < 0 || cy < 0 || cx > kMaxIconSize || cy > kMaxIconSize) return nullptr;
    std::string path = FilePath(entry.Get());
    if (path.empty()) return nullptr;
    // The loader takes the .ico's entry of this size, or scales the nearest.
    return static_cast<HICON>(::LoadImageA(nullptr, path.c_str(), IMAGE_ICON,
                                           win::ScaleForDpi(cx, dpi), win::ScaleForDpi(cy, dpi),
                                           LR_LOADFROMFILE));
}

HICON SkinResources::GetIconOr(const std::string& name, const std::string& fallback,
                               UINT dpi) const {
    HICON icon = GetIcon(name, dpi);
    return icon ? icon : GetIcon(fallback, dpi);
}

HFONT SkinResources::GetFont(const std::string& name, UINT dpi) const {
    win::ComPtr<IXMLDOMElement> entry = FindEntry(kFontQuery, name);
    if (!entry) return nullptr;
    LOGFONTA font = {};
    IXMLDOMElement* e = entry.Get();
    if (!AttributeInt(e, L"height", font.lfHeight) || !AttributeInt(e, L"width", font.lfWidth) ||
        !AttributeInt(e, L"escapement", font.lfEscapement) ||
        !AttributeInt(e, L"orientation", font.lfOrientation) ||
        !AttributeInt(e, L"weight", font.lfWeight) ||
        !AttributeByte(e, L"italic", font.lfItalic) ||
        !AttributeByte(e, L"underline", font.lfUnderline) ||
        !AttributeByte(e, L"strikeout", font.lfStrikeOut) ||
        !AttributeByte(e, L"charset", font.lfCharSet) ||
        !AttributeByte(e, L"outprecision", font.lfOutPrecision) ||
        !AttributeByte(e, L"clipprecision", font.lfClipPrecision) ||
        !AttributeByte(e, L"quality", font.lfQuality) ||
        !AttributeByte(e, L"pitchandfamily", font.lfPitchAndFamily))
        return nullptr;
    std::string face;
    if (!AttributeText(e, L"facename", face)) return nullptr;
    std::memcpy(font.lfFaceName, face.data(), std::min(face.size(), kMaxFaceBytes));
    font.lfHeight = win::ScaleForDpi(font.lfHeight, dpi);
    font.lfWidth = win::ScaleForDpi(font.lfWidth, dpi);
    return ::CreateFontIndirectA(&font);
}

COLORREF SkinResources::GetColor(const std::string& name) const {
    return ParseSkinColor(EntryText(kColorQuery, name));
}

int SkinResources::GetNumber(const std::string& name) const {
    return ParseSkinNumber(EntryText(kNumberQuery, name));
}

std::string SkinResources::GetString(const std::string& name) const {
    return EntryText(kStringQuery, name);
}

bool SkinResources::HasString(const std::string& name) const {
    return FindEntry(kStringQuery, name) != nullptr;
}

std::string SkinResources::Format(const char* name, const char* conversions, ...) const {
    std::string format = GetString(name);
    if (FormatConversions(format) != FormatConversions(conversions)) return format;
    va_list args;
    va_start(args, conversions);
    va_list measure;
    va_copy(measure, args);
    int length = std::vsnprintf(nullptr, 0, format.c_str(), measure);
    va_end(measure);
    std::string text;
    if (length > 0) {
        std::vector<char> buffer(static_cast<size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format.c_str(), args);
        text.assign(buffer.data(), static_cast<size_t>(length));
    }
    va_end(args);
    return text;
}

void SkinResources::ApplyControlTexts(HWND dialog, const ControlText* map) const {
    if (!map) return;
    for (const ControlText* pair = map; pair->id != -1; ++pair) {
        HWND control = ::GetDlgItem(dialog, pair->id);
        if (control) ::SetWindowTextA(control, GetString(pair->name ? pair->name : "").c_str());
    }
}

}  // namespace zema
