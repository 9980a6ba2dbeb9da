#pragma once
// FTP control-connection replies: joining multi-line and split replies, and
// reading the values of SIZE, MDTM and PASV answers.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace netclient {

// Collects received bytes until one whole reply (its final line) is there.
// Bytes after that reply stay for the next one.
class FtpReplyReader {
public:
    // Adds received bytes; false when the reply grows beyond any sane size.
    bool Append(const char* data, size_t size);
    // Takes the next complete reply, if there is one.
    bool Next(int& code, std::string& text);

private:
    std::string pending_;
};

// The text of a reply's final line after its code and one separator.
bool ParseFtpSize(const std::string& text, uint64_t& size);
// "YYYYMMDDhhmmss" (optionally with fractions), UTC.
bool ParseMdtmTime(const std::string& text, FILETIME& time);
// Six numbers "h1,h2,h3,h4,p1,p2", in parentheses or after the reply text.
bool ParsePasvAddress(const std::string& text, uint32_t& ipv4HostOrder, uint16_t& port);

}  // namespace netclient
