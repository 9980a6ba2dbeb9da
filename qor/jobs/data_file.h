#pragma once
// DataFile: the hidden file of a run's final size, which every transfer
// thread of the run writes with positioned writes.

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

    // Creates or opens the file and makes it exactly `size` bytes long.
    // Fails for a size of 0.
    bool Open(const std::string& path, uint64_t size);
    bool IsOpen() const { return static_cast<bool>(file_); }
    uint64_t Size() const { return size_; }
    const std::string& Path() const { return path_; }

    // Writes all of `data` at `offset`, never past the file's size. Each
    // write names its offset, so threads share no file pointer.
    bool Write(uint64_t offset, const char* data, size_t size);

    // The remote file's time, which the file carries; it is put back before
    // each record of the run and when the file is closed, since writes may
    // move it.
    bool SetRemoteTime(const FILETIME& time);
    bool RestoreTime();
    // The time a record names: the remote time where there is one, since a
    // writer may move the file's own time again the moment it is put back.
    FILETIME RecordTime() const { return hasRemoteTime_ ? remoteTime_ : Time(); }
    FILETIME Time() const;
    // Makes every byte written so far durable.
    bool Flush();
    // No write may be under way.
    void Close();

private:
    std::string path_;
    win::FileHandle file_;
    uint64_t size_ = 0;
    FILETIME remoteTime_ = {0, 0};
    bool hasRemoteTime_ = false;
};

}  // namespace qor
