#include "netclient/tls_framing.h"

#include <algorithm>
#include <cstring>

namespace netclient {
namespace {

constexpr unsigned char kFirstContentType = 20;  // change_cipher_spec
constexpr unsigned char kLastContentType = 23;   // application_data
constexpr unsigned char kMajorVersion = 3;
constexpr unsigned char kHighestMinorVersion = 4;

}  // namespace

long TlsRecordSize(const char* data, size_t size) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data);
    if (size >= 1 && (bytes[0] < kFirstContentType || bytes[0] > kLastContentType))
        return kTlsRecordInvalid;
    if (size >= 2 && bytes[1] != kMajorVersion) return kTlsRecordInvalid;
    if (size >= 3 && bytes[2] > kHighestMinorVersion) return kTlsRecordInvalid;
    if (size < kTlsRecordHeader) return kTlsRecordIncomplete;
    const size_t body = (static_cast<size_t>(bytes[3]) << 8) | bytes[4];
    if (body > kTlsMaxRecordBody) return kTlsRecordInvalid;
    return size >= kTlsRecordHeader + body ? static_cast<long>(kTlsRecordHeader + body)
                                           : kTlsRecordIncomplete;
}

TlsInputBuffer::TlsInputBuffer(size_t capacity) : bytes_(capacity) {}

char* TlsInputBuffer::Space(size_t& room) {
    if (PlainSize() == 0 && CipherSize() == 0) {
        plainBegin_ = plainEnd_ = cipherBegin_ = cipherEnd_ = 0;
    } else if ((PlainSize() == 0 && cipherBegin_ > 0) ||
               (bytes_.size() - cipherEnd_ < kTlsRecordHeader + kTlsMaxRecordBody &&
                (plainBegin_ > 0 || cipherBegin_ > plainEnd_))) {
        // What is held moves to the front: always once the plaintext is all
        // handed out (then only a record's start is left, and the next
        // receive gets the whole buffer), and otherwise when there is too
        // little room for a whole record, so that it need not arrive in
        // pieces.
        const size_t plain = PlainSize();
        const size_t cipher = CipherSize();
        memmove(bytes_.data(), bytes_.data() + plainBegin_, plain);
        memmove(bytes_.data() + plain, bytes_.data() + cipherBegin_, cipher);
        plainBegin_ = 0;
        plainEnd_ = plain;
        cipherBegin_ = plain;
        cipherEnd_ = plain + cipher;
    }
    room = bytes_.size() - cipherEnd_;
    return bytes_.data() + cipherEnd_;
}

void TlsInputBuffer::Received(size_t count) {
    cipherEnd_ += std::min(count, bytes_.size() - cipherEnd_);
}

void TlsInputBuffer::KeepLastCipher(size_t unprocessed) {
    cipherBegin_ = cipherEnd_ - std::min(unprocessed, CipherSize());
}

bool TlsInputBuffer::TakeDecrypted(const SecBuffer* buffers, size_t count) {
    const char* begin = bytes_.data() + cipherBegin_;
    const char* end = bytes_.data() + cipherEnd_;
    const SecBuffer* data = nullptr;
    size_t extra = 0;
    for (size_t i = 0; i < count; ++i) {
        if (buffers[i].BufferType == SECBUFFER_DATA && !data) data = &buffers[i];
        if (buffers[i].BufferType == SECBUFFER_EXTRA) extra = buffers[i].cbBuffer;
    }
    if (extra > CipherSize()) return false;
    const char* left = end - extra;
    size_t plainBegin = cipherBegin_;
    size_t plainSize = 0;
    if (data && data->cbBuffer > 0) {
        const char* text = static_cast<const char*>(data->pvBuffer);
        // The plaintext must lie inside the record it came from, before the
        // ciphertext that stays.
        if (!text || text < begin || text > left ||
            data->cbBuffer > static_cast<size_t>(left - text))
            return false;
        plainBegin = static_cast<size_t>(text - bytes_.data());
        plainSize = data->cbBuffer;
    }
    plainBegin_ = plainBegin;
    plainEnd_ = plainBegin + plainSize;
    cipherBegin_ = cipherEnd_ - extra;
    return true;
}

size_t TlsInputBuffer::TakePlain(char* out, size_t size) {
    const size_t count = std::min(size, PlainSize());
    memcpy(out, bytes_.data() + plainBegin_, count);
    plainBegin_ += count;
    return count;
}

}  // namespace netclient
