#pragma once
// The protected form in which the product stores passwords in config.ini:
// RC2 keyed by the MD5 of the product's pass phrase, through the CryptoAPI,
// then Base64. Zema writes it; both Zema and the self-updater read it.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace win {

// Encrypt treats the input as one final block, so the output carries the
// cipher's padding. Both return false (and an empty buffer) on failure.
bool EncryptBytes(const uint8_t* data, size_t length, std::vector<uint8_t>& out);
bool DecryptBytes(const uint8_t* data, size_t length, std::vector<uint8_t>& out);

// The stored form of a password (encrypted with its terminating zero, then
// Base64), and back. An undecodable text yields an empty password.
std::string ProtectText(const std::string& password);
std::string UnprotectText(const std::string& stored);

}  // namespace win
