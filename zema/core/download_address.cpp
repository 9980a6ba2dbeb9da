#include "zema/core/download_address.h"

#include <algorithm>

#include "zema/core/settings_store.h"

namespace zema {
namespace {

std::string ForwardSlashes(std::string address) {
    std::replace(address.begin(), address.end(), '\\', '/');
    return address;
}

}  // namespace

std::string PackageFileName(const std::string& downloadAddress) {
    std::string address = ForwardSlashes(downloadAddress);
    size_t slash = address.find_last_of('/');
    return slash == std::string::npos ? address : address.substr(slash + 1);
}

std::string MirrorAddress(const std::string& officialAddress, const std::string& server,
                          bool officialLayout) {
    std::string base = StripTrailingSeparators(server);
    if (base.empty()) return std::string();
    std::string address = ForwardSlashes(officialAddress);
    if (!officialLayout) {
        size_t slash = address.find_last_of('/');
        return base + (slash == std::string::npos ? "/" + address : address.substr(slash));
    }
    size_t scheme = address.find("://");
    std::string rest = scheme == std::string::npos ? address : address.substr(scheme + 3);
    size_t hostEnd = rest.find('/');
    std::replace(rest.begin(), hostEnd == std::string::npos ? rest.end() : rest.begin() + hostEnd,
                 '.', '-');
    return base + "/" + rest;
}

}  // namespace zema
