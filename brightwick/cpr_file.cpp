#include "brightwick/cpr_file.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "brightwick/file_io.h"

extern "C" {
#include <LzmaDec.h>
}

namespace brightwick {
namespace {

constexpr size_t kPropertiesOffset = 4;
constexpr size_t kDictionaryOffset = 5;
constexpr uint32_t kMinDictionarySize = 4096;

uint32_t ReadLittleEndian32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void* AllocateProbabilities(void*, size_t size) { return std::malloc(size); }
void FreeProbabilities(void*, void* address) { std::free(address); }

}  // namespace

bool CprFile::Unpack(const uint8_t* packed, size_t packedSize, std::string& unpacked) {
    unpacked.clear();
    if (!packed || packedSize < kHeaderSize) return false;
    uint32_t size = ReadLittleEndian32(packed);
    uint8_t properties = packed[kPropertiesOffset];
    uint32_t dictionary = ReadLittleEndian32(packed + kDictionaryOffset);
    if (properties > kMaxPropertiesByte || dictionary > kMaxDictionarySize ||
        size > kMaxUnpackedSize)
        return false;
    if (dictionary < kMinDictionarySize) dictionary = kMinDictionarySize;

    // The decoder takes its properties as the SDK lays them out: the
    // properties byte, then the dictionary size.
    Byte props[LZMA_PROPS_SIZE];
    props[0] = properties;
    for (int i = 0; i < 4; ++i) props[1 + i] = static_cast<Byte>(dictionary >> (8 * i));

    std::string output;
    try {
        output.resize(size);
    } catch (const std::bad_alloc&) {
        return false;
    }
    SizeT outLength = size;
    SizeT inLength = packedSize - kHeaderSize;
    ELzmaStatus status = LZMA_STATUS_NOT_SPECIFIED;
    ISzAlloc alloc = {AllocateProbabilities, FreeProbabilities};
    Byte empty = 0;
    SRes result = LzmaDecode(size ? reinterpret_cast<Byte*>(&output[0]) : &empty, &outLength,
                             packed + kHeaderSize, &inLength, props, LZMA_PROPS_SIZE,
                             LZMA_FINISH_ANY, &status, &alloc);
    if (result != SZ_OK) return false;
    // A full buffer is enough; short of it, only an end marker may stop it.
    if (outLength != size) return false;
    unpacked = std::move(output);
    return true;
}

bool CprFile::UnpackFile(const std::string& packagePath, const std::string& outputPath) {
    std::string packed;
    if (!ReadWholeFile(packagePath, packed) || packed.empty()) return false;
    std::string unpacked;
    if (!Unpack(reinterpret_cast<const uint8_t*>(packed.data()), packed.size(), unpacked))
        return false;
    packed.clear();
    packed.shrink_to_fit();
    return ReplaceFileContent(outputPath, unpacked);
}

}  // namespace brightwick
