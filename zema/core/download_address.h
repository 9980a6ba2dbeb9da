#pragma once
// Where a package is fetched from and the name it is saved under.

#include <string>

namespace zema {

// The package's file name: what follows the address's last "/" once every
// "\" became "/".
std::string PackageFileName(const std::string& downloadAddress);

// The official address mapped onto the user's own server, or an empty text
// when no server is set. With the official layout the host's dots become
// dashes and the whole official path follows it (a.b.c/x/y.exe ->
// server/a-b-c/x/y.exe); otherwise every package sits in the server's folder.
std::string MirrorAddress(const std::string& officialAddress, const std::string& server,
                          bool officialLayout);

}  // namespace zema
