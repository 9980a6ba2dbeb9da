#pragma once
// DataFile: the hidden file of a run's final size, written through mapped
// 64 KB views.

#include <windows.h>

#include <cstdint>
#include <string>

#include "win/unique_handle.h"

namespace qor {

class DataFile {
public:
    DataFile() = default;
    ~DataFile();
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;

    // Creates or opens the file and maps it at exactly `size` bytes, which
    // also makes it that long. Fails for a size of 0.
    bool Open(const std::string& path, uint64_t size);
    bool IsOpen() const { return static_cast<bool>(mapping_); }
    uint64_t Size() const { return size_; }
    const std::string& Path() const { return path_; }

    // A writable view; null on failure.
    win::MappedView MapView(uint64_t offset, size_t length);

    // The remote file's time, which the file carries; it is put back before
    // each record of the run and when the file is closed, since writes
    // through views may move it.
    bool SetRemoteTime(const FILETIME& time);
    bool RestoreTime();
    // The time a record names: the remote time where there is one, since a
    // writer may move the file's own time again the moment it is put back.
    FILETIME RecordTime() const { return hasRemoteTime_ ? remoteTime_ : Time(); }
    FILETIME Time() const;
    // Writes what the views changed to the disk.
    bool Flush();
    // Every view must be unmapped first.
    void Close();

private:
    std::string path_;
    win::FileHandle file_;
    win::KernelHandle mapping_;
    uint64_t size_ = 0;
    FILETIME remoteTime_ = {0, 0};
    bool hasRemoteTime_ = false;
};

}  // namespace qor
