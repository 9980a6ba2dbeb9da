#pragma once
// Small file-system helpers of the downloader.

#include <windows.h>

#include <cstdint>
#include <string>

namespace netclient {

bool FolderExists(const std::string& path);
// Makes the folder and any missing parents; true when it exists afterwards.
bool MakeFolderPath(const std::string& path);
// 0 when the file cannot be opened.
uint64_t GetFileSize64(const std::string& path);
// The last-write time of the first entry matching the path; zero when none.
FILETIME GetLastWriteTime(const std::string& path);
// Sets the last-write time of an existing file, hidden or not.
bool SetLastWriteTime(const std::string& path, const FILETIME& time);

}  // namespace netclient
