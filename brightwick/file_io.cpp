#include "brightwick/file_io.h"

#include <windows.h>

#include <algorithm>

#include "win/unique_handle.h"

namespace brightwick {
namespace {

constexpr DWORD kChunk = 1u << 20;

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    win::FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return false;
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > bytes.max_size())
        return false;
    try {
        bytes.resize(static_cast<size_t>(size.QuadPart));
    } catch (const std::bad_alloc&) {
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD want = static_cast<DWORD>(std::min<size_t>(kChunk, bytes.size() - done));
        DWORD got = 0;
        if (!::ReadFile(file.Get(), &bytes[done], want, &got, nullptr) || got == 0) {
            bytes.clear();
            return false;
        }
        done += got;
    }
    return true;
}

bool ReplaceFileContent(const std::string& path, const std::string& bytes) {
    std::string temporary = path + ".part";
    {
        win::FileHandle file(::CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr,
                                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        size_t done = 0;
        while (done < bytes.size()) {
            DWORD want = static_cast<DWORD>(std::min<size_t>(kChunk, bytes.size() - done));
            DWORD wrote = 0;
            if (!::WriteFile(file.Get(), bytes.data() + done, want, &wrote, nullptr) ||
                wrote != want) {
                file.Reset();
                ::DeleteFileA(temporary.c_str());
                return false;
            }
            done += wrote;
        }
    }
    if (!::MoveFileExA(temporary.c_str(), path.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileA(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace brightwick
