#pragma once
// The product's short checksum: the first 8 bytes of the MD5 digest as 16
// upper-case hexadecimal characters, high nibble first.

#include <cstddef>
#include <string>

namespace netclient {

class FileChecksum {
public:
    static constexpr size_t kLength = 16;

    static std::string OfBuffer(const void* data, size_t length);
    static std::string OfText(const std::string& text) { return OfBuffer(text.data(), text.size()); }
    // Empty when the file cannot be opened or read.
    static std::string OfFile(const std::string& path);
    // Of what an open file holds from its current position to its end; empty
    // when it cannot be read.
    static std::string OfOpenFile(void* fileHandle);
};

}  // namespace netclient
