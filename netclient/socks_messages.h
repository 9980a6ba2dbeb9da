#pragma once
// SOCKS 4, 4a and 5 requests and the checks of their replies, byte by byte.
// Addresses and ports are given in host order and written in network order.

#include <cstddef>
#include <cstdint>
#include <string>

namespace netclient {

constexpr size_t kSocks4ReplySize = 8;
constexpr size_t kSocks5MethodReplySize = 2;
constexpr size_t kSocks5AuthReplySize = 2;
constexpr size_t kSocks5ReplyHeadSize = 5;  // enough to know the whole size
constexpr uint8_t kSocks5MethodNone = 0x00;
constexpr uint8_t kSocks5MethodPassword = 0x02;

std::string Socks4Request(uint32_t ipv4, uint16_t port, const std::string& userName);
std::string Socks4aRequest(const std::string& host, uint16_t port, const std::string& userName);
bool Socks4Granted(const uint8_t* reply, size_t size);

// Version 5 offering "none" and "user name and password".
std::string Socks5Greeting();
// The method the proxy chose, or -1 when the reply is not acceptable.
int Socks5ChosenMethod(const uint8_t* reply, size_t size);
// False when a name or password is longer than 255 bytes.
bool Socks5PasswordRequest(const std::string& userName, const std::string& password,
                           std::string& request);
bool Socks5PasswordAccepted(const uint8_t* reply, size_t size);
std::string Socks5ConnectByAddress(uint32_t ipv4, uint16_t port);
// False when the name is empty or longer than 255 bytes.
bool Socks5ConnectByName(const std::string& host, uint16_t port, std::string& request);
// From the first kSocks5ReplyHeadSize reply bytes: the whole reply's size, or 0 when the
// reply is refused or malformed.
size_t Socks5ReplySize(const uint8_t* head, size_t size);

}  // namespace netclient
