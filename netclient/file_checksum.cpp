#include "netclient/file_checksum.h"

#include <windows.h>

#include "netclient/md5.h"
#include "win/unique_handle.h"

namespace netclient {
namespace {

constexpr DWORD kFileChunk = 4096;

std::string Encode(Md5& md5) {
    static const char kHex[] = "0123456789ABCDEF";
    uint8_t digest[Md5::kDigestSize];
    md5.Final(digest);
    std::string text;
    for (size_t i = 0; i < FileChecksum::kLength / 2; ++i) {
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 0x0F];
    }
    return text;
}

}  // namespace

std::string FileChecksum::OfBuffer(const void* data, size_t length) {
    Md5 md5;
    md5.Update(data, length);
    return Encode(md5);
}

std::string FileChecksum::OfFile(const std::string& path) {
    win::FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return std::string();
    return OfOpenFile(file.Get());
}

std::string FileChecksum::OfOpenFile(void* fileHandle) {
    Md5 md5;
    char buffer[kFileChunk];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(fileHandle, buffer, kFileChunk, &got, nullptr)) return std::string();
        if (got == 0) break;
        md5.Update(buffer, got);
    }
    return Encode(md5);
}

}  // namespace netclient
