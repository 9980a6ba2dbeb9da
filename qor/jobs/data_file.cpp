#include "qor/jobs/data_file.h"

#include <cstdint>
#include <utility>

namespace qor {
namespace {

constexpr DWORD kMaxWrite = 1u << 30;

}  // namespace

DataFile::~DataFile() { Close(); }

bool DataFile::Open(const std::string& path, uint64_t size) {
    Close();
    if (size == 0 || size > static_cast<uint64_t>(INT64_MAX)) return false;
    path_ = path;
    win::FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_HIDDEN, nullptr));
    // The full size from the start: the disk space is claimed before data
    // flows, and the file's length is what a resume checks.
    FILE_END_OF_FILE_INFO end = {};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    if (!file ||
        !::SetFileInformationByHandle(file.Get(), FileEndOfFileInfo, &end, sizeof(end)))
        return false;
    file_ = std::move(file);
    size_ = size;
    return true;
}

bool DataFile::Write(uint64_t offset, const char* data, size_t size) {
    if (!file_ || offset > size_ || size > size_ - offset) return false;
    while (size > 0) {
        const DWORD piece = size > kMaxWrite ? kMaxWrite : static_cast<DWORD>(size);
        OVERLAPPED at = {};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD written = 0;
        if (!::WriteFile(file_.Get(), data, piece, &written, &at) || written == 0) return false;
        offset += written;
        data += written;
        size -= written;
    }
    return true;
}

bool DataFile::SetRemoteTime(const FILETIME& time) {
    remoteTime_ = time;
    hasRemoteTime_ = true;
    return RestoreTime();
}

bool DataFile::RestoreTime() {
    if (!file_ || !hasRemoteTime_) return false;
    return ::SetFileTime(file_.Get(), nullptr, nullptr, &remoteTime_) != FALSE;
}

FILETIME DataFile::Time() const {
    FILETIME time = {0, 0};
    if (file_) ::GetFileTime(file_.Get(), nullptr, nullptr, &time);
    return time;
}

bool DataFile::Flush() { return file_ && ::FlushFileBuffers(file_.Get()) != FALSE; }

void DataFile::Close() {
    RestoreTime();
    file_.Reset();
    size_ = 0;
    hasRemoteTime_ = false;
}

}  // namespace qor
