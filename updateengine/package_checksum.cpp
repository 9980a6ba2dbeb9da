#include "updateengine/package_checksum.h"

#include <wincrypt.h>

#include <vector>

namespace updateengine {
namespace {

constexpr DWORD kReadChunk = 64 * 1024;
constexpr DWORD kMd5Bytes = 16;
constexpr DWORD kChecksumBytes = 8;
constexpr wchar_t kHexDigits[] = L"0123456789ABCDEF";

// An MD5 hash object and its provider, released in reverse order.
class Md5 {
public:
    Md5() {
        if (!::CryptAcquireContextW(&provider_, nullptr, nullptr, PROV_RSA_FULL,
                                    CRYPT_VERIFYCONTEXT)) {
            provider_ = 0;
            return;
        }
        if (!::CryptCreateHash(provider_, CALG_MD5, 0, 0, &hash_)) hash_ = 0;
    }
    ~Md5() {
        if (hash_) ::CryptDestroyHash(hash_);
        if (provider_) ::CryptReleaseContext(provider_, 0);
    }
    Md5(const Md5&) = delete;
    Md5& operator=(const Md5&) = delete;

    HCRYPTHASH Get() const { return hash_; }

private:
    HCRYPTPROV provider_ = 0;
    HCRYPTHASH hash_ = 0;
};

HRESULT LastError() { return HRESULT_FROM_WIN32(::GetLastError()); }

}  // namespace

HRESULT ComputeFileChecksum(HANDLE file, std::wstring& checksum) {
    Md5 md5;
    if (!md5.Get()) return LastError();
    std::vector<BYTE> buffer(kReadChunk);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file, buffer.data(), kReadChunk, &read, nullptr)) return LastError();
        if (read == 0) break;
        if (!::CryptHashData(md5.Get(), buffer.data(), read, 0)) return LastError();
    }
    BYTE digest[kMd5Bytes] = {};
    DWORD size = sizeof(digest);
    if (!::CryptGetHashParam(md5.Get(), HP_HASHVAL, digest, &size, 0)) return LastError();
    std::wstring text;
    for (DWORD i = 0; i < kChecksumBytes; ++i) {
        text += kHexDigits[digest[i] >> 4];
        text += kHexDigits[digest[i] & 0xf];
    }
    checksum = std::move(text);
    return S_OK;
}

}  // namespace updateengine
