#include "updateengine/definitions_folder.h"

#include <vector>

#include "win/unique_handle.h"

namespace updateengine {
namespace {

constexpr DWORD kMaxPathBytes = 32768 * sizeof(wchar_t);

}  // namespace

HRESULT ReadDefinitionsFolder(const DefinitionsLocation& location, std::wstring& folder) {
    const HRESULT notFound = HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    win::RegKey key;
    if (::RegOpenKeyExW(location.root, location.key.c_str(), 0, KEY_QUERY_VALUE, key.Put()) !=
        ERROR_SUCCESS)
        return notFound;
    DWORD type = REG_NONE;
    DWORD bytes = 0;
    if (::RegQueryValueExW(key.Get(), location.value.c_str(), nullptr, &type, nullptr, &bytes) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || bytes > kMaxPathBytes)
        return notFound;
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    if (::RegQueryValueExW(key.Get(), location.value.c_str(), nullptr, &type,
                           reinterpret_cast<BYTE*>(buffer.data()), &bytes) != ERROR_SUCCESS)
        return notFound;
    std::wstring path(buffer.data());
    if (type == REG_EXPAND_SZ) {
        DWORD needed = ::ExpandEnvironmentStringsW(path.c_str(), nullptr, 0);
        std::vector<wchar_t> expanded(needed + 1, L'\0');
        if (needed && ::ExpandEnvironmentStringsW(path.c_str(), expanded.data(), needed))
            path = expanded.data();
    }
    while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    if (path.empty()) return notFound;
    folder = std::move(path);
    return S_OK;
}

}  // namespace updateengine
