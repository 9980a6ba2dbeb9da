#include "netclient/file_utils.h"

#include <algorithm>

#include "win/unique_handle.h"

namespace netclient {
namespace {

constexpr size_t kRootLength = 3;  // "C:\"

}  // namespace

bool FolderExists(const std::string& path) {
    if (path.empty()) return false;
    WIN32_FIND_DATAA data;
    if (path.size() <= kRootLength) {
        std::string pattern = path;
        if (pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
        win::FindHandle find(::FindFirstFileA((pattern + "*").c_str(), &data));
        return static_cast<bool>(find);
    }
    std::string plain = path;
    while (plain.size() > kRootLength && (plain.back() == '\\' || plain.back() == '/'))
        plain.pop_back();
    win::FindHandle find(::FindFirstFileA(plain.c_str(), &data));
    return find && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeFolderPath(const std::string& path) {
    if (FolderExists(path)) return true;
    std::string folder = path;
    std::replace(folder.begin(), folder.end(), '/', '\\');
    while (!folder.empty() && folder.back() == '\\') folder.pop_back();
    if (folder.empty()) return false;
    folder += '\\';
    for (size_t pos = folder.find('\\'); pos != std::string::npos;
         pos = folder.find('\\', pos + 1)) {
        std::string part = folder.substr(0, pos);
        if (part.empty() || (part.size() == 2 && part[1] == ':') || FolderExists(part)) continue;
        // A UNC server or share name cannot be made; the next level tells.
        if (part.compare(0, 2, "\\\\") == 0 && std::count(part.begin(), part.end(), '\\') < 4)
            continue;
        if (!::CreateDirectoryA(part.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    return FolderExists(path);
}

uint64_t GetFileSize64(const std::string& path) {
    win::FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file || !::GetFileSizeEx(file.Get(), &size)) return 0;
    return static_cast<uint64_t>(size.QuadPart);
}

FILETIME GetLastWriteTime(const std::string& path) {
    WIN32_FIND_DATAA data;
    win::FindHandle find(::FindFirstFileA(path.c_str(), &data));
    if (!find) return FILETIME{0, 0};
    return data.ftLastWriteTime;
}

bool SetLastWriteTime(const std::string& path, const FILETIME& time) {
    win::FileHandle file(::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && ::SetFileTime(file.Get(), nullptr, nullptr, &time) != FALSE;
}

}  // namespace netclient
