#include "updateengine/package_checksum.h"

#include "netclient/file_checksum.h"
#include "win/text.h"

namespace updateengine {

HRESULT ComputeFileChecksum(HANDLE file, std::wstring& checksum) {
    std::string text = netclient::FileChecksum::OfOpenFile(file);
    if (text.empty()) {
        DWORD error = ::GetLastError();
        return HRESULT_FROM_WIN32(error ? error : ERROR_READ_FAULT);
    }
    checksum = win::AnsiToWide(text);
    return S_OK;
}

}  // namespace updateengine
