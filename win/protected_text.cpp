#include "win/protected_text.h"

#include <wincrypt.h>

#include "win/base64.h"

namespace win {
namespace {

constexpr char kPassPhrase[] = "plovtrane";
// Provider, hash and key of the password cipher, released in reverse order.
class PasswordKey {
public:
    PasswordKey() {
        if (!::CryptAcquireContextA(&provider_, nullptr, nullptr, PROV_RSA_FULL, 0)) {
            provider_ = 0;
            if (::GetLastError() != static_cast<DWORD>(NTE_BAD_KEYSET)) return;
            if (!::CryptAcquireContextA(&provider_, nullptr, nullptr, PROV_RSA_FULL,
                                        CRYPT_NEWKEYSET)) {
                provider_ = 0;
                return;
            }
        }
        if (!::CryptCreateHash(provider_, CALG_MD5, 0, 0, &hash_)) {
            hash_ = 0;
            return;
        }
        if (!::CryptHashData(hash_, reinterpret_cast<const BYTE*>(kPassPhrase),
                             sizeof(kPassPhrase) - 1, 0))
            return;
        if (!::CryptDeriveKey(provider_, CALG_RC2, hash_, 0, &key_)) key_ = 0;
    }
    ~PasswordKey() {
        if (key_) ::CryptDestroyKey(key_);
        if (hash_) ::CryptDestroyHash(hash_);
        if (provider_) ::CryptReleaseContext(provider_, 0);
    }
    PasswordKey(const PasswordKey&) = delete;
    PasswordKey& operator=(const PasswordKey&) = delete;

    HCRYPTKEY Get() const { return key_; }

private:
    HCRYPTPROV provider_ = 0;
    HCRYPTHASH hash_ = 0;
    HCRYPTKEY key_ = 0;
};

constexpr size_t kCipherBlock = 8;

}  // namespace

bool EncryptBytes(const uint8_t* data, size_t length, std::vector<uint8_t>& out) {
    out.clear();
    PasswordKey key;
    if (!key.Get()) return false;
    std::vector<uint8_t> buffer(data, data + length);
    buffer.resize(length + kCipherBlock);
    DWORD size = static_cast<DWORD>(length);
    if (!::CryptEncrypt(key.Get(), 0, TRUE, 0, buffer.data(), &size,
                        static_cast<DWORD>(buffer.size())))
        return false;
    buffer.resize(size);
    out = std::move(buffer);
    return true;
}

bool DecryptBytes(const uint8_t* data, size_t length, std::vector<uint8_t>& out) {
    out.clear();
    PasswordKey key;
    if (!key.Get()) return false;
    std::vector<uint8_t> buffer(data, data + length);
    DWORD size = static_cast<DWORD>(length);
    if (!::CryptDecrypt(key.Get(), 0, TRUE, 0, buffer.data(), &size)) return false;
    buffer.resize(size);
    out = std::move(buffer);
    return true;
}

std::string ProtectText(const std::string& password) {
    std::vector<uint8_t> cipher;
    const auto* bytes = reinterpret_cast<const uint8_t*>(password.c_str());
    if (!EncryptBytes(bytes, password.size() + 1, cipher)) return std::string();
    return win::Base64Encode(cipher.data(), cipher.size());
}

std::string UnprotectText(const std::string& stored) {
    std::vector<uint8_t> cipher = win::Base64Decode(stored);
    if (cipher.empty()) return std::string();
    std::vector<uint8_t> plain;
    if (!DecryptBytes(cipher.data(), cipher.size(), plain)) return std::string();
    size_t end = 0;
    while (end < plain.size() && plain[end] != 0) ++end;
    return std::string(plain.begin(), plain.begin() + static_cast<ptrdiff_t>(end));
}

}  // namespace win
