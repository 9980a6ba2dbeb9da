#include "netclient/url.h"

#include <windows.h>
#include <wininet.h>

#include <cctype>
#include <vector>

#include "netclient/text_util.h"

namespace netclient {
namespace {

constexpr DWORD kCanonicalFlags = 0x3E000000;  // no encode, decode, no meta, spaces only, browser mode
constexpr DWORD kCanonicalBuffer = 2084;
constexpr DWORD kHostChars = 256;
constexpr DWORD kPathChars = 2048;
constexpr DWORD kCredentialChars = 128;

bool Canonicalize(const std::string& url, std::string& out) {
    std::vector<char> buffer(kCanonicalBuffer, '\0');
    DWORD size = static_cast<DWORD>(buffer.size());
    if (!::InternetCanonicalizeUrlA(url.c_str(), buffer.data(), &size, kCanonicalFlags)) {
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
        buffer.assign(size + 1, '\0');
        size = static_cast<DWORD>(buffer.size());
        if (!::InternetCanonicalizeUrlA(url.c_str(), buffer.data(), &size, kCanonicalFlags))
            return false;
    }
    out.assign(buffer.data());
    return true;
}

int KindOfScheme(INTERNET_SCHEME scheme) {
    switch (scheme) {
    case INTERNET_SCHEME_FTP: return kUrlFtp;
    case INTERNET_SCHEME_GOPHER: return kUrlGopher;
    case INTERNET_SCHEME_HTTP: return kUrlHttp;
    case INTERNET_SCHEME_HTTPS: return kUrlHttps;
    case INTERNET_SCHEME_FILE: return kUrlFile;
    case INTERNET_SCHEME_NEWS: return kUrlNews;
    case INTERNET_SCHEME_MAILTO: return kUrlMailto;
    default: return kUrlUnknown;
    }
}

}  // namespace

bool CrackUrl(const std::string& url, CrackedUrl& out) {
    out = CrackedUrl();
    if (!Canonicalize(url, out.canonical)) return false;

    std::vector<char> host(kHostChars + 1, '\0');
    std::vector<char> path(kPathChars + 1, '\0');
    std::vector<char> user(kCredentialChars + 1, '\0');
    std::vector<char> password(kCredentialChars + 1, '\0');
    URL_COMPONENTSA parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = host.data();
    parts.dwHostNameLength = kHostChars;
    parts.lpszUrlPath = path.data();
    parts.dwUrlPathLength = kPathChars;
    parts.lpszUserName = user.data();
    parts.dwUserNameLength = kCredentialChars;
    parts.lpszPassword = password.data();
    parts.dwPasswordLength = kCredentialChars;
    // The path buffer also receives the query: WinINet appends it when no
    // separate buffer for it is given.
    if (!::InternetCrackUrlA(out.canonical.c_str(), 0, 0, &parts)) return false;
    out.host.assign(host.data());
    out.path.assign(path.data());
    out.userName.assign(user.data());
    out.password.assign(password.data());
    out.port = parts.nPort;
    out.kind = KindOfScheme(parts.nScheme);
    return true;
}

int GetUrlKind(const std::string& url) {
    // Canonicalizing would turn a path into a file URL with its blanks and
    // '%' escaped or unescaped, and some WinINet builds cannot crack a UNC
    // path at all: a path needs no cracking to be known.
    if (IsPlainPath(url)) return kUrlFile;
    CrackedUrl cracked;
    return CrackUrl(url, cracked) ? cracked.kind : kUrlUnknown;
}

bool IsDrivePath(const std::string& text) {
    return text.size() >= 3 && isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':' &&
           (text[2] == '\\' || text[2] == '/');
}

bool IsPlainPath(const std::string& source) {
    const std::string text = TrimLeft(source);
    return text.compare(0, 2, "\\\\") == 0 || IsDrivePath(text);
}

}  // namespace netclient
