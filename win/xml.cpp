#include "win/xml.h"

#include <shlwapi.h>

namespace win {
namespace {

constexpr wchar_t kTemporarySuffix[] = L".tmp";
// Missing from MinGW's libuuid.
constexpr IID kIidDomDocument2 = {
    0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

}  // namespace

HRESULT CreateXmlDocument(ComPtr<IXMLDOMDocument>& document) {
    ComPtr<IXMLDOMDocument> created;
    // MinGW's headers give the MSXML interfaces no __uuidof, so their IIDs
    // are named here and below.
    HRESULT hr = ::CoCreateInstance(kClsidDomDocument, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IXMLDOMDocument,
                                    reinterpret_cast<void**>(created.GetAddressOf()));
    if (FAILED(hr)) return hr;
    hr = created->put_async(VARIANT_FALSE);
    if (FAILED(hr)) return hr;
    // A file names nothing outside itself that we would want fetched.
    hr = created->put_resolveExternals(VARIANT_FALSE);
    if (FAILED(hr)) return hr;
    hr = created->put_validateOnParse(VARIANT_FALSE);
    if (FAILED(hr)) return hr;
    // None of our files has a document type; refusing them keeps entity
    // expansion out of the parser. Older parsers lack the property, which
    // is no reason to fail.
    ComPtr<IXMLDOMDocument2> settings;
    if (SUCCEEDED(created->QueryInterface(kIidDomDocument2,
                                          reinterpret_cast<void**>(settings.GetAddressOf())))) {
        Bstr property(L"ProhibitDTD");
        Variant prohibit;
        prohibit.Get()->vt = VT_BOOL;
        prohibit.Get()->boolVal = VARIANT_TRUE;
        settings->setProperty(property.Get(), *prohibit.Get());
    }
    document = std::move(created);
    return S_OK;
}

HRESULT LoadXmlFile(const std::wstring& path, ComPtr<IXMLDOMDocument>& document) {
    ComPtr<IXMLDOMDocument> loaded;
    HRESULT hr = CreateXmlDocument(loaded);
    if (FAILED(hr)) return hr;
    // Through a stream: the parser would read a path as a URL, so a folder
    // named with "%41" or "#" would name some other file.
    ComPtr<IStream> stream;
    hr = ::SHCreateStreamOnFileEx(path.c_str(), STGM_READ | STGM_SHARE_DENY_WRITE,
                                  FILE_ATTRIBUTE_NORMAL, FALSE, nullptr, stream.GetAddressOf());
    if (FAILED(hr)) return hr;
    Variant source;
    source.Get()->vt = VT_UNKNOWN;
    source.Get()->punkVal = stream.Detach();
    VARIANT_BOOL ok = VARIANT_FALSE;
    // The file is open; whatever stops the parser now is in its content.
    hr = loaded->load(*source.Get(), &ok);
    if (FAILED(hr) || ok != VARIANT_TRUE) return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    ComPtr<IXMLDOMElement> root;
    hr = DocumentElement(loaded.Get(), root);
    if (FAILED(hr)) return hr;
    document = std::move(loaded);
    return S_OK;
}

HRESULT SaveXmlFile(IXMLDOMDocument* document, const std::wstring& path) {
    std::wstring temporary = path + kTemporarySuffix;
    Variant target;
    target.Get()->vt = VT_BSTR;
    target.Get()->bstrVal = ::SysAllocString(temporary.c_str());
    if (!target.Get()->bstrVal) return E_OUTOFMEMORY;
    HRESULT hr = document->save(*target.Get());
    if (SUCCEEDED(hr) &&
        !::MoveFileExW(temporary.c_str(), path.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        hr = HRESULT_FROM_WIN32(::GetLastError());
    if (FAILED(hr)) ::DeleteFileW(temporary.c_str());
    return hr;
}

HRESULT DocumentElement(IXMLDOMDocument* document, ComPtr<IXMLDOMElement>& element) {
    ComPtr<IXMLDOMElement> root;
    HRESULT hr = document->get_documentElement(root.GetAddressOf());
    if (FAILED(hr)) return hr;
    if (!root) return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    element = std::move(root);
    return S_OK;
}

std::vector<ComPtr<IXMLDOMElement>> ChildElements(IXMLDOMNode* node) {
    std::vector<ComPtr<IXMLDOMElement>> elements;
    ComPtr<IXMLDOMNode> child;
    if (FAILED(node->get_firstChild(child.GetAddressOf()))) return elements;
    while (child) {
        ComPtr<IXMLDOMElement> element;
        if (SUCCEEDED(child->QueryInterface(IID_IXMLDOMElement,
                                            reinterpret_cast<void**>(element.GetAddressOf()))))
            elements.push_back(element);
        ComPtr<IXMLDOMNode> next;
        if (FAILED(child->get_nextSibling(next.GetAddressOf()))) break;
        child = std::move(next);
    }
    return elements;
}

ComPtr<IXMLDOMElement> FirstChildElement(IXMLDOMNode* node, const wchar_t* name) {
    for (ComPtr<IXMLDOMElement>& element : ChildElements(node)) {
        if (ElementName(element.Get()) == name) return element;
    }
    return nullptr;
}

std::wstring ElementName(IXMLDOMElement* element) {
    Bstr name;
    if (FAILED(element->get_tagName(name.Put())) || !name.Get()) return std::wstring();
    return std::wstring(name.Get(), name.Length());
}

bool ReadAttribute(IXMLDOMElement* element, const wchar_t* name, std::wstring& value) {
    Bstr attributeName(name);
    Variant attribute;
    if (element->getAttribute(attributeName.Get(), attribute.Put()) != S_OK) return false;
    if (attribute.Get()->vt != VT_BSTR) return false;
    BSTR text = attribute.Get()->bstrVal;
    value.assign(text ? text : L"", text ? ::SysStringLen(text) : 0);
    return true;
}

std::wstring NodeText(IXMLDOMNode* node) {
    Bstr text;
    if (FAILED(node->get_text(text.Put())) || !text.Get()) return std::wstring();
    return std::wstring(text.Get(), text.Length());
}

HRESULT AppendElement(IXMLDOMDocument* document, IXMLDOMNode* parent, const wchar_t* name,
                      ComPtr<IXMLDOMElement>& element) {
    Bstr tag(name);
    ComPtr<IXMLDOMElement> created;
    HRESULT hr = document->createElement(tag.Get(), created.GetAddressOf());
    if (FAILED(hr)) return hr;
    hr = parent->appendChild(created.Get(), nullptr);
    if (FAILED(hr)) return hr;
    element = std::move(created);
    return S_OK;
}

HRESULT WriteAttribute(IXMLDOMElement* element, const wchar_t* name, const std::wstring& value) {
    Bstr attributeName(name);
    Variant attribute;
    attribute.Get()->vt = VT_BSTR;
    attribute.Get()->bstrVal = ::SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
    if (!attribute.Get()->bstrVal) return E_OUTOFMEMORY;
    return element->setAttribute(attributeName.Get(), *attribute.Get());
}

}  // namespace win
