#include "netclient/http_head.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "netclient/text_util.h"

namespace netclient {
namespace {

constexpr char kHeadEnd[] = "\r\n\r\n";
constexpr char kMonths[] = "jan,feb,mar,apr,may,jun,jul,aug,sep,oct,nov,dec";
constexpr int kMaxStatus = 999;

// Header lines after the status line, as name/value pairs in order.
template <typename Visit>
void ForEachHeader(const std::string& head, Visit visit) {
    size_t pos = head.find("\r\n");
    while (pos != std::string::npos) {
        size_t start = pos + 2;
        size_t end = head.find("\r\n", start);
        if (end == std::string::npos || end == start) return;
        size_t colon = head.find(':', start);
        if (colon != std::string::npos && colon < end) {
            if (!visit(head.substr(start, colon - start), head.substr(colon + 1, end - colon - 1)))
                return;
        }
        pos = end;
    }
}

bool SameNoCase(const std::string& a, const char* b) {
    return a.size() == strlen(b) && StartsWithNoCase(a, b);
}

std::vector<std::string> Tokens(const std::string& text, const char* separators) {
    std::vector<std::string> tokens;
    size_t pos = 0;
    while ((pos = text.find_first_not_of(separators, pos)) != std::string::npos) {
        size_t end = text.find_first_of(separators, pos);
        tokens.push_back(text.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
        pos = end;
    }
    return tokens;
}

bool SmallNumber(const std::string& text, int& value) {
    unsigned long long number = 0;
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
        !ParseUnsigned(text, number) || number > 9999)
        return false;
    value = static_cast<int>(number);
    return true;
}

int MonthNumber(const std::string& name) {
    if (name.size() != 3) return 0;
    const char* found = strstr(kMonths, ToLower(name).c_str());
    return found ? static_cast<int>(found - kMonths) / 4 + 1 : 0;
}

bool ParseClock(const std::string& text, SYSTEMTIME& time) {
    std::vector<std::string> parts = Tokens(text, ":");
    int hour, minute, second;
    if (parts.size() != 3 || !SmallNumber(parts[0], hour) || !SmallNumber(parts[1], minute) ||
        !SmallNumber(parts[2], second))
        return false;
    time.wHour = static_cast<WORD>(hour);
    time.wMinute = static_cast<WORD>(minute);
    time.wSecond = static_cast<WORD>(second);
    return true;
}

}  // namespace

size_t FindHeadEnd(const char* data, size_t size) {
    for (size_t i = 0; i + 4 <= size; ++i) {
        if (memcmp(data + i, kHeadEnd, 4) == 0) return i + 4;
    }
    return 0;
}

bool FindHeader(const std::string& head, const char* name, std::string& value) {
    bool found = false;
    ForEachHeader(head, [&](const std::string& field, const std::string& text) {
        if (!SameNoCase(TrimBlanks(field), name)) return true;
        value = TrimBlanks(text);
        found = true;
        return false;
    });
    return found;
}

bool ParseHttpHead(const std::string& text, HttpHead& head) {
    head = HttpHead();
    head.text = text;
    size_t space = text.find(' ');
    size_t lineEnd = text.find("\r\n");
    if (space == std::string::npos || lineEnd == std::string::npos || space > lineEnd) return false;
    unsigned long long status = 0;
    if (!isdigit(static_cast<unsigned char>(text[space + 1])) ||
        !ParseUnsigned(text.substr(space + 1, lineEnd - space - 1), status) || status == 0 ||
        status > kMaxStatus)
        return false;
    head.status = static_cast<int>(status);

    std::string value;
    unsigned long long number = 0;
    if (FindHeader(text, "Content-Length", value) && ParseUnsigned(value, number)) {
        head.hasContentLength = true;
        head.contentLength = number;
    }
    // "bytes first-last/total"; a total of "*" stays unknown.
    if (FindHeader(text, "Content-Range", value) && StartsWithNoCase(value, "bytes")) {
        std::string range = TrimLeft(value.substr(5));
        size_t slash = range.find('/');
        unsigned long long start = 0;
        if (slash != std::string::npos && ParseUnsigned(range, start) &&
            ParseUnsigned(range.substr(slash + 1), number)) {
            head.hasRangeTotal = true;
            head.rangeStart = start;
            head.rangeTotal = number;
        }
    }
    if (FindHeader(text, "Transfer-Encoding", value))
        head.chunked = ToLower(value).find("chunked") != std::string::npos;
    if (FindHeader(text, "Connection", value))
        head.connectionClose = ToLower(value).find("close") != std::string::npos;
    return true;
}

FILETIME UnixEpochFileTime() {
    SYSTEMTIME epoch = {};
    epoch.wYear = 1970;
    epoch.wMonth = 1;
    epoch.wDay = 1;
    FILETIME time = {};
    ::SystemTimeToFileTime(&epoch, &time);
    return time;
}

bool ParseHttpDate(const std::string& value, FILETIME& time) {
    // RFC 1123 "Sun, 06 Nov 1994 08:49:37 GMT", RFC 850
    // "Sunday, 06-Nov-94 08:49:37 GMT", asctime "Sun Nov  6 08:49:37 1994".
    std::vector<std::string> tokens = Tokens(value, " \t,-");
    if (tokens.size() < 5) return false;
    SYSTEMTIME parsed = {};
    int day = 0, year = 0, month = 0;
    std::string clock;
    std::string yearText;
    if (MonthNumber(tokens[1]) != 0 && tokens[3].find(':') != std::string::npos) {
        month = MonthNumber(tokens[1]);  // asctime: weekday month day time year
        if (!SmallNumber(tokens[2], day) || !SmallNumber(tokens[4], year)) return false;
        clock = tokens[3];
        yearText = tokens[4];
    } else {
        month = MonthNumber(tokens[2]);
        if (month == 0 || !SmallNumber(tokens[1], day) || !SmallNumber(tokens[3], year))
            return false;
        clock = tokens[4];
        yearText = tokens[3];
    }
    if (yearText.size() <= 2) year += year < 70 ? 2000 : 1900;
    if (!ParseClock(clock, parsed)) return false;
    parsed.wYear = static_cast<WORD>(year);
    parsed.wMonth = static_cast<WORD>(month);
    parsed.wDay = static_cast<WORD>(day);
    FILETIME result = {};
    if (!::SystemTimeToFileTime(&parsed, &result)) return false;
    time = result;
    return true;
}

int DetectAuthScheme(const std::string& head, bool proxy) {
    std::string value;
    if (!FindHeader(head, proxy ? "Proxy-Authenticate" : "WWW-Authenticate", value))
        return kAuthNone;
    value = ToLower(value);
    if (value.find("basic") != std::string::npos) return kAuthBasic;
    if (proxy) {
        if (value.find("ntlm") != std::string::npos) return kAuthNtlm;
        if (value.find("kerbos") != std::string::npos) return kAuthKerberos;
    } else if (value.find("digest") != std::string::npos) {
        return kAuthDigest;
    }
    return kAuthOther;
}

std::string FindNtlmChallenge(const std::string& head) {
    std::string challenge;
    ForEachHeader(head, [&](const std::string& field, const std::string& text) {
        std::string value = TrimBlanks(text);
        if (!SameNoCase(TrimBlanks(field), "Proxy-Authenticate") ||
            !StartsWithNoCase(value, "NTLM") || value.size() < 6)
            return true;
        challenge = TrimBlanks(value.substr(4));
        return challenge.empty();
    });
    return challenge;
}

}  // namespace netclient
