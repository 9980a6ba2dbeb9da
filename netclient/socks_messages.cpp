#include "netclient/socks_messages.h"

namespace netclient {
namespace {

constexpr uint8_t kSocks4Version = 0x04;
constexpr uint8_t kSocks5Version = 0x05;
constexpr uint8_t kCommandConnect = 0x01;
constexpr uint8_t kSocks4Granted = 0x5A;
constexpr uint8_t kPasswordVersion = 0x01;
constexpr uint8_t kAddressIpv4 = 0x01;
constexpr uint8_t kAddressName = 0x03;
constexpr uint8_t kAddressIpv6 = 0x04;
constexpr size_t kMaxField = 255;

void PutPort(std::string& out, uint16_t port) {
    out += static_cast<char>(port >> 8);
    out += static_cast<char>(port & 0xFF);
}

void PutAddress(std::string& out, uint32_t ipv4) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((ipv4 >> shift) & 0xFF);
}

std::string Socks4Head(uint16_t port) {
    std::string out;
    out += static_cast<char>(kSocks4Version);
    out += static_cast<char>(kCommandConnect);
    PutPort(out, port);
    return out;
}

}  // namespace

std::string Socks4Request(uint32_t ipv4, uint16_t port, const std::string& userName) {
    std::string out = Socks4Head(port);
    PutAddress(out, ipv4);
    out += userName;
    out += '\0';
    return out;
}

std::string Socks4aRequest(const std::string& host, uint16_t port, const std::string& userName) {
    std::string out = Socks4Head(port);
    PutAddress(out, 0x00000001);  // 0.0.0.1: the name follows
    out += userName;
    out += '\0';
    out += host;
    out += '\0';
    return out;
}

bool Socks4Granted(const uint8_t* reply, size_t size) {
    return size >= 2 && reply[0] == 0x00 && reply[1] == kSocks4Granted;
}

std::string Socks5Greeting() {
    return std::string("\x05\x02\x00\x02", 4);
}

int Socks5ChosenMethod(const uint8_t* reply, size_t size) {
    if (size < kSocks5MethodReplySize || reply[0] != kSocks5Version) return -1;
    if (reply[1] != kSocks5MethodNone && reply[1] != kSocks5MethodPassword) return -1;
    return reply[1];
}

bool Socks5PasswordRequest(const std::string& userName, const std::string& password,
                           std::string& request) {
    if (userName.size() > kMaxField || password.size() > kMaxField) return false;
    request.clear();
    request += static_cast<char>(kPasswordVersion);
    request += static_cast<char>(userName.size());
    request += userName;
    request += static_cast<char>(password.size());
    request += password;
    return true;
}

bool Socks5PasswordAccepted(const uint8_t* reply, size_t size) {
    return size >= kSocks5AuthReplySize && reply[1] == 0x00;
}

std::string Socks5ConnectByAddress(uint32_t ipv4, uint16_t port) {
    std::string out("\x05\x01\x00", 3);
    out += static_cast<char>(kAddressIpv4);
    PutAddress(out, ipv4);
    PutPort(out, port);
    return out;
}

bool Socks5ConnectByName(const std::string& host, uint16_t port, std::string& request) {
    if (host.empty() || host.size() > kMaxField) return false;
    request.assign("\x05\x01\x00", 3);
    request += static_cast<char>(kAddressName);
    request += static_cast<char>(host.size());
    request += host;
    PutPort(request, port);
    return true;
}

size_t Socks5ReplySize(const uint8_t* head, size_t size) {
    if (size < kSocks5ReplyHeadSize || head[0] != kSocks5Version || head[1] != 0x00) return 0;
    constexpr size_t kFixed = 4;  // version, status, reserved, address type
    switch (head[3]) {
    case kAddressIpv4: return kFixed + 4 + 2;
    case kAddressIpv6: return kFixed + 16 + 2;
    case kAddressName: return kFixed + 1 + head[4] + 2;
    default: return 0;
    }
}

}  // namespace netclient
