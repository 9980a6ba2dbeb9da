#include "netclient/file_transfer.h"

#include <winnetwk.h>

#include <algorithm>
#include <cctype>
#include <vector>

#include "netclient/url.h"

namespace netclient {
namespace {

constexpr size_t kShareRootMinOffset = 4;

std::string PathOfUrl(const std::string& url) {
    CrackedUrl cracked;
    std::string path = CrackUrl(url, cracked) ? cracked.path : url;
    std::transform(path.begin(), path.end(), path.begin(),
                   [](unsigned char c) { return static_cast<char>(tolower(c)); });
    std::replace(path.begin(), path.end(), '/', '\\');
    size_t first = path.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : path.substr(first);
}

}  // namespace

std::string FileTransfer::ShareRootOf(const std::string& path) {
    size_t unc = path.find("\\\\");
    if (unc == std::string::npos) return std::string();
    size_t end = path.find('\\', unc + kShareRootMinOffset);
    return end == std::string::npos ? path : path.substr(0, end);
}

FileTransfer::FileTransfer(const TransferSettings& settings)
    : settings_(settings), path_(PathOfUrl(settings.url)), shareRoot_(ShareRootOf(path_)) {}

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
