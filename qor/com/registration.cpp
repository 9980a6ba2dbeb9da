#include "qor/com/registration.h"

#include <oleauto.h>

#include "qor/qor.h"
#include "win/com.h"
#include "win/text.h"
#include "win/unique_handle.h"

namespace qor {
namespace {

constexpr char kClassName[] = "QORDownloader Class";
constexpr char kProgId[] = "QOR.QORDownloader.1";
constexpr char kIndependentProgId[] = "QOR.QORDownloader";
constexpr WORD kLibraryMajor = 1;
constexpr WORD kLibraryMinor = 0;
constexpr LCID kLibraryLocale = 0x409;

std::string GuidText(REFGUID guid) {
    wchar_t text[64] = {};
    ::StringFromGUID2(guid, text, 64);
    return win::WideToAnsi(text);
}

// Creates `root\path` and sets its default value (and one named value).
HRESULT SetKey(const std::string& path, const std::string& value, const char* name = nullptr,
               const std::string& namedValue = std::string()) {
    win::RegKey key;
    LONG rc = ::RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                key.Put(), nullptr);
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    if (!value.empty() || !name) {
        rc = ::RegSetValueExA(key.Get(), nullptr, 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>(value.size() + 1));
        if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    }
    if (name) {
        rc = ::RegSetValueExA(key.Get(), name, 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(namedValue.c_str()),
                              static_cast<DWORD>(namedValue.size() + 1));
        if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    }
    return S_OK;
}

HRESULT CreateEmptyKey(const std::string& path) {
    win::RegKey key;
    LONG rc = ::RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                key.Put(), nullptr);
    return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(rc);
}

void DeleteTree(const std::string& path) {
    ::RegDeleteTreeA(HKEY_CLASSES_ROOT, path.c_str());
    ::RegDeleteKeyA(HKEY_CLASSES_ROOT, path.c_str());
}

}  // namespace

HRESULT Registration::Register(const std::string& modulePath) {
    const std::string clsid = GuidText(CLSID_QORDownloader);
    const std::string classKey = "CLSID\\" + clsid;
    const std::pair<std::string, std::string> values[] = {
        {kProgId, kClassName},
        {std::string(kProgId) + "\\CLSID", clsid},
        {kIndependentProgId, kClassName},
        {std::string(kIndependentProgId) + "\\CLSID", clsid},
        {std::string(kIndependentProgId) + "\\CurVer", kProgId},
        {classKey, kClassName},
        {classKey + "\\ProgID", kProgId},
        {classKey + "\\VersionIndependentProgID", kIndependentProgId},
        {classKey + "\\TypeLib", GuidText(LIBID_QOR)},
    };
    for (const auto& entry : values) {
        HRESULT hr = SetKey(entry.first, entry.second);
        if (FAILED(hr)) return hr;
    }
    HRESULT hr = CreateEmptyKey(classKey + "\\Programmable");
    if (FAILED(hr)) return hr;
    hr = SetKey(classKey + "\\InprocServer32", modulePath, "ThreadingModel", "Apartment");
    if (FAILED(hr)) return hr;

    win::ComPtr<ITypeLib> library;
    const std::wstring path = win::AnsiToWide(modulePath);
    hr = ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.GetAddressOf());
    if (FAILED(hr)) return hr;
    return ::RegisterTypeLib(library.Get(), const_cast<wchar_t*>(path.c_str()), nullptr);
}

HRESULT Registration::Unregister() {
    const std::string clsid = GuidText(CLSID_QORDownloader);
    DeleteTree(kProgId);
    DeleteTree(kIndependentProgId);
    DeleteTree("CLSID\\" + clsid);
    HRESULT hr = ::UnRegisterTypeLib(LIBID_QOR, kLibraryMajor, kLibraryMinor, kLibraryLocale,
                                     SYS_WIN64);
    // An unregistered library is what was asked for.
    if (hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_LIBNOTREGISTERED) return S_OK;
    return hr;
}

}  // namespace qor
