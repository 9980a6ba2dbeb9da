#pragma once
// The plain parts of a TLS channel: where a record ends in received bytes,
// and the buffer that Schannel decrypts in place, with the plaintext it
// hands out and the ciphertext that follows it.

#include <windows.h>
#define SECURITY_WIN32
#include <security.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace netclient {

// The most a record may carry after encryption (RFC 5246, 6.2.3), and its
// header.
constexpr size_t kTlsRecordHeader = 5;
constexpr size_t kTlsMaxRecordBody = 16384 + 2048;

constexpr long kTlsRecordIncomplete = 0;
constexpr long kTlsRecordInvalid = -1;

// The size of the first record (header and body) when it is all there;
// kTlsRecordIncomplete while it is still arriving; kTlsRecordInvalid when the
// bytes cannot start a TLS record (an unknown content type or version, or a
// body longer than TLS allows): a server that answers in anything but TLS.
long TlsRecordSize(const char* data, size_t size);

// Received bytes: in front, plaintext decrypted in place and not yet handed
// out; behind it, ciphertext still to be decrypted.
class TlsInputBuffer {
public:
    explicit TlsInputBuffer(size_t capacity);

    // Where the next receive may write, moving what is held to the front
    // once no plaintext is left or when a whole record would not fit behind
    // it; `room` is 0 when the buffer is full.
    char* Space(size_t& room);
    void Received(size_t count);

    char* Cipher() { return bytes_.data() + cipherBegin_; }
    size_t CipherSize() const { return cipherEnd_ - cipherBegin_; }
    // Schannel took the ciphertext and left its last `unprocessed` bytes
    // (SECBUFFER_EXTRA) for the next call.
    void KeepLastCipher(size_t unprocessed);

    // After DecryptMessage on the whole ciphertext: its SECBUFFER_DATA
    // becomes the plaintext and its SECBUFFER_EXTRA the ciphertext left.
    // False when a buffer does not lie where the ciphertext was.
    bool TakeDecrypted(const SecBuffer* buffers, size_t count);

    size_t PlainSize() const { return plainEnd_ - plainBegin_; }
    size_t TakePlain(char* out, size_t size);

private:
    std::vector<char> bytes_;
    size_t plainBegin_ = 0;
    size_t plainEnd_ = 0;
    size_t cipherBegin_ = 0;
    size_t cipherEnd_ = 0;
};

}  // namespace netclient
