#include "netclient/http_request.h"

#include <cinttypes>
#include <cstdio>
#include <string>

#include "win/base64.h"

namespace netclient {
namespace {

constexpr size_t kMaxBasicCredentials = 1024;

}  // namespace

std::string BuildHttpRequest(const HttpRequestParts& parts) {
    char range[64];
    snprintf(range, sizeof(range), "Range: bytes=%" PRIu64 "-\r\n", parts.offset);
    std::string request = "GET " + parts.target + " HTTP/1.1\r\n";
    request += "User-Agent: QOR\r\n";
    request += "Host: " + parts.host + "\r\n";
    request += "Connection: Keep-Active\r\n";
    request += "Accept: */*\r\n";
    request += "Pragma: no-cache\r\n";
    request += "Cache-Control: no-cache\r\n";
    request += range;
    if (!parts.referer.empty()) request += "Referer: " + parts.referer + "\r\n";
    request += parts.authorization;
    request += "\r\n";
    return request;
}

std::string BuildConnectRequest(const std::string& host, uint16_t port,
                                const std::string& authorization) {
    const std::string authority = host + ":" + std::to_string(port);
    return "CONNECT " + authority + " HTTP/1.1\r\n" + "Host: " + authority + "\r\n" +
           "User-Agent: QOR\r\n" + authorization + "\r\n";
}

bool BasicAuthorizationLine(const std::string& userName, const std::string& password, bool proxy,
                            std::string& line) {
    std::string plain = userName + ":" + password;
    std::string encoded =
        win::Base64Encode(reinterpret_cast<const uint8_t*>(plain.data()), plain.size());
    if (encoded.size() > kMaxBasicCredentials) return false;
    line = std::string(proxy ? "Proxy-Authorization: Basic " : "Authorization: Basic ") +
           encoded + "\r\n";
    return true;
}

std::string NtlmAuthorizationLine(const std::string& token) {
    return "Proxy-Authorization: NTLM " + token + "\r\n";
}

}  // namespace netclient
