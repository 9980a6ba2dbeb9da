#include "netclient/file_transfer.h"

#include <winnetwk.h>

#include <algorithm>
#include <vector>

#include "netclient/text_util.h"
#include "netclient/url.h"

namespace netclient {
namespace {

constexpr size_t kShareRootMinOffset = 4;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decodes each "%XX" once; a '%' that starts no escape stays as it is. "%00"
// would cut the name short and so name another file: it gives no path.
std::string Unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        int high = 0, low = 0;
        if (text[i] == '%' && i + 2 < text.size() && (high = HexDigit(text[i + 1])) >= 0 &&
            (low = HexDigit(text[i + 2])) >= 0) {
            if (high == 0 && low == 0) return std::string();
            out.push_back(static_cast<char>(high * 16 + low));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

// The path a file URL names, from the text after "file:": "//host/..." is a
// share on that host (unless it is "localhost"), four or more slashes start a
// UNC path, and a drive letter after any slashes starts a local path.
std::string PathOfFileUrl(std::string rest) {
    std::replace(rest.begin(), rest.end(), '/', '\\');
    size_t slashes = std::min(rest.find_first_not_of('\\'), rest.size());
    std::string path = rest.substr(slashes);
    if (slashes == 2 && !IsDrivePath(path)) {
        const std::string local = "localhost\\";
        if (!StartsWithNoCase(path, local)) return Unescape("\\\\" + path);
        path.erase(0, local.size());
    }
    if (slashes >= 4) return Unescape("\\\\" + path);
    if (slashes == 0 || IsDrivePath(path)) return Unescape(path);
    return Unescape("\\" + path);
}

// The file a source names. A path is taken as it stands: '%' is an ordinary
// file-name character there. WinINet's canonical form cannot serve either
// form, as it escapes blanks and unescapes "%XX" in paths.
std::string PathOfSource(const std::string& source) {
    const std::string scheme = "file:";
    std::string text = TrimLeft(source);
    if (StartsWithNoCase(text, scheme)) text = PathOfFileUrl(text.substr(scheme.size()));
    std::replace(text.begin(), text.end(), '/', '\\');
    return ToLower(TrimLeft(text));
}

}  // namespace

std::string FileTransfer::ShareRootOf(const std::string& path) {
    size_t unc = path.find("\\\\");
    if (unc == std::string::npos) return std::string();
    size_t end = path.find('\\', unc + kShareRootMinOffset);
    return end == std::string::npos ? path : path.substr(0, end);
}

FileTransfer::FileTransfer(const TransferSettings& settings)
    : settings_(settings), path_(PathOfSource(settings.url)), shareRoot_(ShareRootOf(path_)) {}

FileTransfer::~FileTransfer() { Close(); }

HANDLE FileTransfer::OpenSource() const {
    return ::CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_FLAG_RANDOM_ACCESS, nullptr);
}

int FileTransfer::Open(uint64_t offset) {
    if (file_) return kOpened;
    file_.Reset(OpenSource());
    if (!file_) {
        if (shareRoot_.empty()) return kNotFound;
        std::vector<char> remote(shareRoot_.begin(), shareRoot_.end());
        remote.push_back('\0');
        NETRESOURCEA resource = {};
        resource.dwScope = RESOURCE_GLOBALNET;
        resource.dwType = RESOURCETYPE_DISK;
        resource.lpRemoteName = remote.data();
        if (::WNetAddConnection2A(&resource, settings_.password.c_str(),
                                  settings_.userName.c_str(),
                                  CONNECT_UPDATE_PROFILE) != NO_ERROR)
            return kConnectFailed;
        connected_ = true;
        file_.Reset(OpenSource());
        if (!file_) {
            CancelConnection();
            return kOpenAfterConnect;
        }
    }
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    LARGE_INTEGER size;
    if (!::SetFilePointerEx(file_.Get(), position, nullptr, FILE_BEGIN) ||
        !::GetFileSizeEx(file_.Get(), &size) ||
        !::GetFileTime(file_.Get(), nullptr, nullptr, &time_)) {
        Close();
        return kSeekFailed;
    }
    length_ = static_cast<uint64_t>(size.QuadPart);
    honoured_ = true;
    return kOpened;
}

bool FileTransfer::Read(char* buffer, size_t size, size_t& bytesRead) {
    bytesRead = 0;
    if (!file_) return false;
    DWORD got = 0;
    if (!::ReadFile(file_.Get(), buffer, static_cast<DWORD>(size), &got, nullptr) || got == 0)
        return false;
    bytesRead = got;
    return true;
}

void FileTransfer::Close() {
    file_.Reset();
    CancelConnection();
}

void FileTransfer::CancelConnection() {
    if (!connected_) return;
    ::WNetCancelConnection2A(shareRoot_.c_str(), 0, TRUE);
    connected_ = false;
}

}  // namespace netclient
