#pragma once
// MD5 message digest (RFC 1321), fed in pieces.

#include <cstddef>
#include <cstdint>

namespace netclient {

class Md5 {
public:
    static constexpr size_t kDigestSize = 16;

    Md5();
    void Update(const void* data, size_t length);
    // Ends the message; the object must not be fed afterwards.
    void Final(uint8_t digest[kDigestSize]);

private:
    void Transform(const uint8_t block[64]);

    uint32_t state_[4];
    uint64_t bitCount_ = 0;
    uint8_t buffer_[64];
};

}  // namespace netclient
