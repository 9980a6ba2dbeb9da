#pragma once
// MSXML DOMDocument helpers shared by every reader and writer of the
// product's XML files. Texts are wide here (MSXML is a COM component);
// callers that keep ANSI text convert with win/text.h.

#include <windows.h>
#include <msxml2.h>

#include <string>
#include <vector>

#include "win/com.h"

namespace win {

// The version-independent DOMDocument class; MinGW's libuuid lacks it.
inline constexpr CLSID kClsidDomDocument = {
    0x2933bf90, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

// A new, empty document that loads synchronously, resolves nothing outside
// the file and does not validate.
HRESULT CreateXmlDocument(ComPtr<IXMLDOMDocument>& document);

// Loads a file synchronously into a new document: the open failure for a
// file that cannot be opened, HRESULT_FROM_WIN32(ERROR_INVALID_DATA) for an
// empty, truncated or malformed one.
HRESULT LoadXmlFile(const std::wstring& path, ComPtr<IXMLDOMDocument>& document);

// Saves through a temporary file in the same folder that then replaces the
// target, so a failed save never leaves a half-written file behind.
HRESULT SaveXmlFile(IXMLDOMDocument* document, const std::wstring& path);

HRESULT DocumentElement(IXMLDOMDocument* document, ComPtr<IXMLDOMElement>& element);

// The element children of a node, in document order (text, comments and
// processing instructions are skipped).
std::vector<ComPtr<IXMLDOMElement>> ChildElements(IXMLDOMNode* node);

// The first element child with this name, or null.
ComPtr<IXMLDOMElement> FirstChildElement(IXMLDOMNode* node, const wchar_t* name);

std::wstring ElementName(IXMLDOMElement* element);

// False when the attribute is absent.
bool ReadAttribute(IXMLDOMElement* element, const wchar_t* name, std::wstring& value);

// The concatenated text of a node and its descendants.
std::wstring NodeText(IXMLDOMNode* node);

// Creates an element and appends it to the parent.
HRESULT AppendElement(IXMLDOMDocument* document, IXMLDOMNode* parent, const wchar_t* name,
                      ComPtr<IXMLDOMElement>& element);

HRESULT WriteAttribute(IXMLDOMElement* element, const wchar_t* name, const std::wstring& value);

}  // namespace win
