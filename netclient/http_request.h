#pragma once
// The ranged GET that HttpTransfer sends, and its authorization lines.

#include <cstdint>
#include <string>

namespace netclient {

struct HttpRequestParts {
    std::string target;  // the URL path with its query, or the whole URL for an HTTP proxy
    std::string host;
    uint64_t offset = 0;
    std::string referer;         // empty: no Referer line
    std::string authorization;   // complete header lines ("Name: value\r\n"), or empty
};

// The request head, ending with its empty line.
std::string BuildHttpRequest(const HttpRequestParts& parts);

// "CONNECT host:port HTTP/1.1" for a tunnel through an HTTP proxy, with its
// Host line and `authorization` (complete "Proxy-Authorization" lines, or
// empty), ending with its empty line.
std::string BuildConnectRequest(const std::string& host, uint16_t port,
                                const std::string& authorization);

// "Authorization: Basic ..." (or "Proxy-Authorization: Basic ..." for a
// proxy) with its line end; false when the credentials are too long.
bool BasicAuthorizationLine(const std::string& userName, const std::string& password, bool proxy,
                            std::string& line);

// "Proxy-Authorization: NTLM <token>\r\n".
std::string NtlmAuthorizationLine(const std::string& token);

}  // namespace netclient
