#include "qor/jobs/data_file.h"

namespace qor {

DataFile::~DataFile() { Close(); }

bool DataFile::Open(const std::string& path, uint64_t size) {
    Close();
    path_ = path;
    file_.Reset(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_HIDDEN, nullptr));
    if (!file_) return false;
    mapping_.Reset(::CreateFileMappingA(file_.Get(), nullptr, PAGE_READWRITE,
                                        static_cast<DWORD>(size >> 32),
                                        static_cast<DWORD>(size & 0xFFFFFFFF), nullptr));
    if (!mapping_) {
        file_.Reset();
        return false;
    }
    size_ = size;
    return true;
}

win::MappedView DataFile::MapView(uint64_t offset, size_t length) {
    if (!mapping_ || offset + length > size_) return win::MappedView();
    return win::MappedView(::MapViewOfFile(mapping_.Get(), FILE_MAP_WRITE,
                                           static_cast<DWORD>(offset >> 32),
                                           static_cast<DWORD>(offset & 0xFFFFFFFF), length));
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
    mapping_.Reset();
    RestoreTime();
    file_.Reset();
    size_ = 0;
    hasRemoteTime_ = false;
}

}  // namespace qor
