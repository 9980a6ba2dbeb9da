#pragma once
// URL cracking shared by every protocol client and by the downloader's
// checks: canonicalize and crack through WinINet, and name the scheme.

#include <cstdint>
#include <string>

namespace netclient {

// The scheme of a URL, with WinINet's scheme numbers plus 4096.
enum UrlKind {
    kUrlUnknown = 4096,
    kUrlFtp = 1,
    kUrlGopher = 2,
    kUrlHttp = 3,
    kUrlFile = 4097,
    kUrlMailto = 4098,
    kUrlNews = 4102,
    kUrlHttps = 4107,
};

struct CrackedUrl {
    std::string canonical;  // the URL after canonicalization
    std::string host;       // up to 256 characters
    std::string path;       // path with any query, up to 2048 characters
    std::string userName;   // up to 128 characters
    std::string password;   // up to 128 characters
    uint16_t port = 0;      // the scheme's default when the URL gives none
    int kind = kUrlUnknown;
};

// False when the URL cannot be canonicalized or cracked.
bool CrackUrl(const std::string& url, CrackedUrl& out);

// The UrlKind of a URL, or kUrlUnknown when it cannot be cracked. A plain
// path is a file source.
int GetUrlKind(const std::string& url);

// "X:\..." or "X:/...".
bool IsDrivePath(const std::string& text);

// A drive path or a UNC path ("\\server\..."), after any leading blanks:
// a file name as it stands, not a URL.
bool IsPlainPath(const std::string& source);

}  // namespace netclient
