#pragma once
// Parsing of HTTP response heads: status, lengths, dates, connection reuse
// and authentication challenges. Plain text in, plain values out.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace netclient {

constexpr size_t kMaxHttpHead = 8192;

// Challenge schemes as detected from a 401 or 407 answer.
enum AuthScheme {
    kAuthNone = 0,  // no challenge line
    kAuthBasic = 1,
    kAuthNtlm = 2,
    kAuthKerberos = 3,
    kAuthDigest = 4,
    kAuthOther = 255,
};

struct HttpHead {
    std::string text;  // the head up to and including its empty line
    int status = 0;
    bool hasContentLength = false;
    uint64_t contentLength = 0;
    bool hasRangeTotal = false;  // Content-Range: bytes a-b/total
    uint64_t rangeTotal = 0;
    uint64_t rangeStart = 0;
    bool chunked = false;
    bool connectionClose = false;
};

// Offset just past the first "\r\n\r\n", or 0 when the head is not complete.
size_t FindHeadEnd(const char* data, size_t size);

// Parses a complete head; false when it carries no usable status code.
bool ParseHttpHead(const std::string& text, HttpHead& head);

// The value of the first header line with this name (any letter case),
// trimmed; false when there is none.
bool FindHeader(const std::string& head, const char* name, std::string& value);

// An HTTP date (RFC 1123, RFC 850 or asctime form), taken as UTC. False for
// anything else.
bool ParseHttpDate(const std::string& value, FILETIME& time);

// 1 January 1970, 00:00:00: the time of a resource whose date is unknown.
FILETIME UnixEpochFileTime();

// The scheme offered by the first "WWW-Authenticate" (server) or
// "Proxy-Authenticate" (proxy) line.
int DetectAuthScheme(const std::string& head, bool proxy);

// The Base64 text of an NTLM challenge in a 407 answer; empty when none.
std::string FindNtlmChallenge(const std::string& head);

}  // namespace netclient
