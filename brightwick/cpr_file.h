#pragma once
// The self-updater's package format: a 9-byte header (unpacked size, LZMA
// properties byte, dictionary size; little-endian) followed by a raw LZMA1
// stream with or without end marker. A package is never trusted: every field
// is checked and the output never exceeds the size the header names.

#include <cstddef>
#include <cstdint>
#include <string>

namespace brightwick {

class CprFile {
public:
    static constexpr size_t kHeaderSize = 9;
    static constexpr uint8_t kMaxPropertiesByte = 224;  // (4 * 5 + 4) * 9 + 8
    // Larger dictionaries than any LZMA1 encoder writes mark a damaged header.
    static constexpr uint32_t kMaxDictionarySize = 1536u << 20;
    // The whole file is held in memory; beyond this a header is not believed.
    static constexpr uint32_t kMaxUnpackedSize = 1024u << 20;

    // Decodes a whole package held in memory. False for a short header, a
    // bad properties byte or dictionary size, a decoder error, or a stream
    // that ends before the named size without an end marker.
    static bool Unpack(const uint8_t* packed, size_t packedSize, std::string& unpacked);

    // Unpacks a package file into `outputPath` through a temporary file that
    // replaces the output only when everything was decoded and written, so a
    // damaged package never leaves a partly written file.
    static bool UnpackFile(const std::string& packagePath, const std::string& outputPath);
};

}  // namespace brightwick
