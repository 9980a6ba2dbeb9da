#include "netclient/ftp_reply.h"

#include <cctype>

#include "netclient/text_util.h"

namespace netclient {
namespace {

constexpr size_t kMaxReplyBytes = 65536;
constexpr size_t kMdtmDigits = 14;
constexpr int kPasvNumbers = 6;

bool IsCode(const std::string& line) {
    return line.size() >= 3 && isdigit(static_cast<unsigned char>(line[0])) &&
           isdigit(static_cast<unsigned char>(line[1])) &&
           isdigit(static_cast<unsigned char>(line[2]));
}

int Digits(const std::string& text, size_t pos, size_t count) {
    int value = 0;
    for (size_t i = pos; i < pos + count; ++i) value = value * 10 + (text[i] - '0');
    return value;
}

// Reads up to six comma-separated numbers from `pos`; false unless all six
// are there and each fits in a byte.
bool ReadSixNumbers(const std::string& text, size_t pos, int numbers[kPasvNumbers]) {
    for (int i = 0; i < kPasvNumbers; ++i) {
        while (pos < text.size() && text[pos] == ' ') ++pos;
        if (pos >= text.size() || !isdigit(static_cast<unsigned char>(text[pos]))) return false;
        int value = 0;
        size_t digits = 0;
        for (; pos < text.size() && isdigit(static_cast<unsigned char>(text[pos])); ++pos) {
            if (++digits > 3) return false;
            value = value * 10 + (text[pos] - '0');
        }
        if (value > 255) return false;
        numbers[i] = value;
        while (pos < text.size() && text[pos] == ' ') ++pos;
        if (i + 1 < kPasvNumbers) {
            if (pos >= text.size() || text[pos] != ',') return false;
            ++pos;
        }
    }
    return true;
}

}  // namespace

bool FtpReplyReader::Append(const char* data, size_t size) {
    pending_.append(data, size);
    return pending_.size() <= kMaxReplyBytes;
}

bool FtpReplyReader::Next(int& code, std::string& text) {
    // A reply is complete at the first line that starts with the code of its
    // first line and a space (or ends after the code); "ddd-" opens more lines.
    size_t lineStart = 0;
    std::string firstCode;
    while (true) {
        size_t lineEnd = pending_.find('\n', lineStart);
        if (lineEnd == std::string::npos) return false;
        std::string line = pending_.substr(lineStart, lineEnd - lineStart);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (firstCode.empty()) {
            if (!IsCode(line)) {  // not a reply line: hand it out as code 0
                code = 0;
                text = line;
                pending_.erase(0, lineEnd + 1);
                return true;
            }
            firstCode = line.substr(0, 3);
        }
        bool final = IsCode(line) && line.compare(0, 3, firstCode) == 0 &&
                     (line.size() == 3 || line[3] == ' ');
        if (final) {
            code = Digits(line, 0, 3);
            text = line.size() > 4 ? line.substr(4) : std::string();
            pending_.erase(0, lineEnd + 1);
            return true;
        }
        lineStart = lineEnd + 1;
    }
}

bool ParseFtpSize(const std::string& text, uint64_t& size) {
    unsigned long long value = 0;
    if (!ParseUnsigned(text, value)) return false;
    size = value;
    return true;
}

bool ParseMdtmTime(const std::string& text, FILETIME& time) {
    std::string digits = TrimBlanks(text);
    if (digits.size() < kMdtmDigits) return false;
    for (size_t i = 0; i < kMdtmDigits; ++i) {
        if (!isdigit(static_cast<unsigned char>(digits[i]))) return false;
    }
    SYSTEMTIME parsed = {};
    parsed.wYear = static_cast<WORD>(Digits(digits, 0, 4));
    parsed.wMonth = static_cast<WORD>(Digits(digits, 4, 2));
    parsed.wDay = static_cast<WORD>(Digits(digits, 6, 2));
    parsed.wHour = static_cast<WORD>(Digits(digits, 8, 2));
    parsed.wMinute = static_cast<WORD>(Digits(digits, 10, 2));
    parsed.wSecond = static_cast<WORD>(Digits(digits, 12, 2));
    FILETIME result = {};
    if (!::SystemTimeToFileTime(&parsed, &result)) return false;
    time = result;
    return true;
}

bool ParsePasvAddress(const std::string& text, uint32_t& ipv4HostOrder, uint16_t& port) {
    int numbers[kPasvNumbers] = {};
    size_t open = text.find('(');
    bool found = false;
    if (open != std::string::npos) {
        size_t close = text.find(')', open);
        found = close != std::string::npos && ReadSixNumbers(text.substr(0, close), open + 1,
                                                             numbers);
    } else {
        // Some servers leave out the parentheses: take the first number run.
        for (size_t pos = 0; pos < text.size() && !found; ++pos) {
            if (isdigit(static_cast<unsigned char>(text[pos])) &&
                (pos == 0 || !isdigit(static_cast<unsigned char>(text[pos - 1]))))
                found = ReadSixNumbers(text, pos, numbers);
        }
    }
    if (!found) return false;
    ipv4HostOrder = (static_cast<uint32_t>(numbers[0]) << 24) |
                    (static_cast<uint32_t>(numbers[1]) << 16) |
                    (static_cast<uint32_t>(numbers[2]) << 8) | static_cast<uint32_t>(numbers[3]);
    port = static_cast<uint16_t>(numbers[4] * 256 + numbers[5]);
    return port != 0;
}

}  // namespace netclient
