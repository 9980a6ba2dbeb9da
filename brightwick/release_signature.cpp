#include "brightwick/release_signature.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <cstring>

namespace brightwick {
namespace {

constexpr ULONG kSha256Size = 32;
constexpr ULONG kCoordinateSize = 32;

bool Succeeded(NTSTATUS status) { return status >= 0; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

class Algorithm {
public:
    explicit Algorithm(const wchar_t* name) {
        if (!Succeeded(::BCryptOpenAlgorithmProvider(&handle_, name, nullptr, 0))) handle_ = nullptr;
    }
    ~Algorithm() {
        if (handle_) ::BCryptCloseAlgorithmProvider(handle_, 0);
    }
    Algorithm(const Algorithm&) = delete;
    Algorithm& operator=(const Algorithm&) = delete;
    BCRYPT_ALG_HANDLE Get() const { return handle_; }

private:
    BCRYPT_ALG_HANDLE handle_ = nullptr;
};

class Key {
public:
    Key() = default;
    ~Key() {
        if (handle_) ::BCryptDestroyKey(handle_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    BCRYPT_KEY_HANDLE* Put() { return &handle_; }
    BCRYPT_KEY_HANDLE Get() const { return handle_; }

private:
    BCRYPT_KEY_HANDLE handle_ = nullptr;
};

class Hash {
public:
    Hash() = default;
    ~Hash() {
        if (handle_) ::BCryptDestroyHash(handle_);
    }
    Hash(const Hash&) = delete;
    Hash& operator=(const Hash&) = delete;
    BCRYPT_HASH_HANDLE* Put() { return &handle_; }
    BCRYPT_HASH_HANDLE Get() const { return handle_; }

private:
    BCRYPT_HASH_HANDLE handle_ = nullptr;
};

bool Sha256(const std::string& data, UCHAR digest[kSha256Size]) {
    Algorithm algorithm(BCRYPT_SHA256_ALGORITHM);
    if (!algorithm.Get()) return false;
    Hash hash;
    if (!Succeeded(::BCryptCreateHash(algorithm.Get(), hash.Put(), nullptr, 0, nullptr, 0, 0)))
        return false;
    // Fed in pieces: BCryptHashData takes a 32-bit length.
    constexpr size_t kPiece = 1u << 24;
    for (size_t done = 0; done < data.size(); done += kPiece) {
        size_t piece = std::min(kPiece, data.size() - done);
        if (!Succeeded(::BCryptHashData(
                hash.Get(), reinterpret_cast<PUCHAR>(const_cast<char*>(data.data() + done)),
                static_cast<ULONG>(piece), 0)))
            return false;
    }
    return Succeeded(::BCryptFinishHash(hash.Get(), digest, kSha256Size, 0));
}

}  // namespace

bool ReleaseSignature::ParseKey(const std::string& text, std::vector<uint8_t>& point) {
    point.clear();
    if (text.size() != kPointSize * 2) return false;
    std::vector<uint8_t> bytes(kPointSize);
    for (size_t i = 0; i < kPointSize; ++i) {
        int high = HexDigit(text[2 * i]);
        int low = HexDigit(text[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        bytes[i] = static_cast<uint8_t>(high * 16 + low);
    }
    point = std::move(bytes);
    return true;
}

bool ReleaseSignature::Verify(const std::vector<uint8_t>& point, const std::string& data,
                              const std::string& signature) {
    if (point.size() != kPointSize || signature.size() != kSignatureSize) return false;
    UCHAR digest[kSha256Size];
    if (!Sha256(data, digest)) return false;

    std::vector<UCHAR> blob(sizeof(BCRYPT_ECCKEY_BLOB) + kPointSize);
    BCRYPT_ECCKEY_BLOB header = {BCRYPT_ECDSA_PUBLIC_P256_MAGIC, kCoordinateSize};
    memcpy(blob.data(), &header, sizeof(header));
    memcpy(blob.data() + sizeof(header), point.data(), kPointSize);

    Algorithm algorithm(BCRYPT_ECDSA_P256_ALGORITHM);
    if (!algorithm.Get()) return false;
    Key key;
    if (!Succeeded(::BCryptImportKeyPair(algorithm.Get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, key.Put(),
                                         blob.data(), static_cast<ULONG>(blob.size()), 0)))
        return false;
    std::string copy = signature;
    return ::BCryptVerifySignature(key.Get(), nullptr, digest, kSha256Size,
                                   reinterpret_cast<PUCHAR>(&copy[0]),
                                   static_cast<ULONG>(copy.size()), 0) == 0;
}

}  // namespace brightwick
