#pragma once
// Where the engine's definitions live: the vulnerability definition folder
// that the product's installation names in the registry.

#include <windows.h>

#include <string>

namespace updateengine {

struct DefinitionsLocation {
    HKEY root = HKEY_LOCAL_MACHINE;
    std::wstring key = L"Software\\tolvane\\ZEMA";
    std::wstring value = L"VDFPath";
};

constexpr wchar_t kCatalogFileName[] = L"catalog.xml";

// The folder without trailing separators; HRESULT_FROM_WIN32 of
// ERROR_PATH_NOT_FOUND when the value is missing or empty.
HRESULT ReadDefinitionsFolder(const DefinitionsLocation& location, std::wstring& folder);

}  // namespace updateengine
