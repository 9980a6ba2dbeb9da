#pragma once
// Checks a release's detached signature: ECDSA P-256 over the SHA-256 of the
// exact file-list package bytes, 64 bytes r then s, against the publisher's
// public key that the installation keeps in the registry.

#include <cstdint>
#include <string>
#include <vector>

namespace brightwick {

class ReleaseSignature {
public:
    static constexpr size_t kPointSize = 64;      // X then Y
    static constexpr size_t kSignatureSize = 64;  // r then s

    // The key as stored: 128 hexadecimal digits. False for anything else.
    static bool ParseKey(const std::string& text, std::vector<uint8_t>& point);

    // True only when the signature verifies with the key over the data.
    static bool Verify(const std::vector<uint8_t>& point, const std::string& data,
                       const std::string& signature);
};

}  // namespace brightwick
