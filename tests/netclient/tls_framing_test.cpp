#include "netclient/tls_framing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace netclient {
namespace {

std::string Record(unsigned char type, size_t body, unsigned char minor = 3) {
    std::string record = {static_cast<char>(type), 3, static_cast<char>(minor),
                          static_cast<char>(body >> 8), static_cast<char>(body & 0xFF)};
    return record + std::string(body, 'x');
}

TEST(TlsRecordSize, TellsWholePartialAndForeignRecords) {
    const std::string hello = Record(22, 90);
    EXPECT_EQ(TlsRecordSize(hello.data(), hello.size()), 95);
    // Cut in the header, cut in the body, and followed by the next record.
    for (size_t cut : {0u, 1u, 4u, 5u, 94u})
        EXPECT_EQ(TlsRecordSize(hello.data(), cut), kTlsRecordIncomplete) << cut;
    const std::string two = hello + Record(23, 10);
    EXPECT_EQ(TlsRecordSize(two.data(), two.size()), 95);
    // The largest body TLS allows, and one byte more.
    const std::string largest = Record(23, kTlsMaxRecordBody);
    EXPECT_EQ(TlsRecordSize(largest.data(), largest.size()),
              static_cast<long>(kTlsRecordHeader + kTlsMaxRecordBody));
    const std::string larger = Record(23, kTlsMaxRecordBody + 1);
    EXPECT_EQ(TlsRecordSize(larger.data(), 5), kTlsRecordInvalid);
    // A plain-text answer fails on its first byte, before it is complete.
    EXPECT_EQ(TlsRecordSize("H", 1), kTlsRecordInvalid);
    EXPECT_EQ(TlsRecordSize("HTTP/1.1 400 Bad Request\r\n", 26), kTlsRecordInvalid);
    EXPECT_EQ(TlsRecordSize(Record(24, 3).data(), 8), kTlsRecordInvalid);  // heartbeat
    EXPECT_EQ(TlsRecordSize(Record(22, 3, 9).data(), 8), kTlsRecordInvalid);
    EXPECT_EQ(TlsRecordSize("\x16\x02\x00", 3), kTlsRecordInvalid);  // SSL 2's major version
}

// What Schannel does to a buffer of records: decrypts the first in place,
// names its plaintext and what follows it.
void DecryptFirst(TlsInputBuffer& input, size_t recordSize, size_t header, size_t plain,
                  SecBuffer (&buffers)[4]) {
    char* start = input.Cipher();
    const size_t extra = input.CipherSize() - recordSize;
    buffers[0] = {static_cast<ULONG>(header), SECBUFFER_STREAM_HEADER, start};
    buffers[1] = {static_cast<ULONG>(plain), SECBUFFER_DATA, start + header};
    buffers[2] = {static_cast<ULONG>(recordSize - header - plain), SECBUFFER_STREAM_TRAILER,
                  start + header + plain};
    buffers[3] = {static_cast<ULONG>(extra), extra ? ULONG(SECBUFFER_EXTRA) : ULONG(SECBUFFER_EMPTY),
                  extra ? start + recordSize : nullptr};
}

void Receive(TlsInputBuffer& input, const std::string& bytes) {
    size_t room = 0;
    char* space = input.Space(room);
    ASSERT_GE(room, bytes.size());
    memcpy(space, bytes.data(), bytes.size());
    input.Received(bytes.size());
}

TEST(TlsInputBuffer, HandsOutPlaintextInPiecesAndKeepsTheNextRecordWhole) {
    TlsInputBuffer input(4096);
    // One record of header 5, "hello world" and a trailer of 16, and the
    // first 7 bytes of the next record.
    const std::string first = "HHHHHhello worldTTTTTTTTTTTTTTTT";
    Receive(input, first + "NNNNNNN");
    SecBuffer buffers[4];
    DecryptFirst(input, first.size(), 5, 11, buffers);
    ASSERT_TRUE(input.TakeDecrypted(buffers, 4));
    EXPECT_EQ(input.CipherSize(), 7u);
    EXPECT_EQ(std::string(input.Cipher(), 7), "NNNNNNN");
    char out[8] = {};
    ASSERT_EQ(input.TakePlain(out, 6), 6u);
    EXPECT_EQ(std::string(out, 6), "hello ");
    ASSERT_EQ(input.TakePlain(out, sizeof(out)), 5u);
    EXPECT_EQ(std::string(out, 5), "world");
    EXPECT_EQ(input.PlainSize(), 0u);
    // The rest of the record arrives behind what was kept.
    Receive(input, "nnn");
    EXPECT_EQ(std::string(input.Cipher(), input.CipherSize()), "NNNNNNNnnn");
}

TEST(TlsInputBuffer, RefusesWhatSchannelCannotHaveMeantAndKeepsItsBytes) {
    TlsInputBuffer input(256);
    Receive(input, std::string(64, 'c'));
    SecBuffer sound[4];
    DecryptFirst(input, 40, 5, 10, sound);
    static char elsewhere[16];
    // Plaintext outside the record, more left over than was there, and
    // plaintext running into what is left over.
    for (int fault = 0; fault < 3; ++fault) {
        SecBuffer buffers[4];
        memcpy(buffers, sound, sizeof(sound));
        if (fault == 0) buffers[1].pvBuffer = elsewhere;
        if (fault == 1) buffers[3].cbBuffer = 65;
        if (fault == 2) buffers[1].cbBuffer = 40;
        EXPECT_FALSE(input.TakeDecrypted(buffers, 4)) << fault;
        EXPECT_EQ(input.CipherSize(), 64u);
    }
    EXPECT_TRUE(input.TakeDecrypted(sound, 4));
    EXPECT_EQ(input.PlainSize(), 10u);
    EXPECT_EQ(input.CipherSize(), 24u);
}

TEST(TlsInputBuffer, MakesRoomForAWholeRecordWithoutLosingWhatIsHeld) {
    const size_t capacity = 2 * (kTlsRecordHeader + kTlsMaxRecordBody);
    TlsInputBuffer input(capacity);
    std::string held;
    for (size_t i = 0; i < capacity; ++i) held += static_cast<char>(i * 7 + 1);
    Receive(input, held);
    size_t room = 0;
    input.Space(room);
    EXPECT_EQ(room, 0u);  // full: a caller must decrypt before receiving
    // The first record decrypted, a handshake's leftovers kept: what stays
    // moves to the front when the tail has no room for a record.
    const size_t kept = kTlsMaxRecordBody / 2;
    input.KeepLastCipher(kept);
    input.Space(room);
    EXPECT_EQ(room, capacity - kept);
    EXPECT_EQ(std::string(input.Cipher(), input.CipherSize()), held.substr(capacity - kept));
}

}  // namespace
}  // namespace netclient
