#include "netclient/redirect_location.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "netclient/text_util.h"

namespace netclient {
namespace {

// The length of "scheme:" when the text starts with "scheme://", else 0.
size_t SchemeLength(const std::string& text) {
    size_t colon = text.find("://");
    if (colon == std::string::npos || colon == 0) return 0;
    for (size_t i = 0; i < colon; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (!isalnum(c) && c != '+' && c != '-' && c != '.') return 0;
    }
    return colon + 1;
}

// Removes "." and ".." segments; ".." never climbs above the root.
std::string RemoveDotSegments(const std::string& path) {
    std::vector<std::string> segments;
    size_t pos = 1;  // the path starts with "/"
    bool trailingSlash = false;
    while (pos <= path.size()) {
        size_t end = path.find('/', pos);
        std::string segment = path.substr(pos, end == std::string::npos ? std::string::npos
                                                                         : end - pos);
        bool last = end == std::string::npos;
        if (segment == "..") {
            if (!segments.empty()) segments.pop_back();
            trailingSlash = last;
        } else if (segment == ".") {
            trailingSlash = last;
        } else {
            segments.push_back(segment);
            trailingSlash = false;
        }
        if (last) break;
        pos = end + 1;
    }
    std::string result;
    for (const std::string& segment : segments) result += "/" + segment;
    if (trailingSlash || result.empty()) result += "/";
    return result;
}

}  // namespace

int ResolveRedirect(const std::string& currentUrl, const std::string& location,
                    std::string& newUrl) {
    if (location.empty()) return kRedirectInvalid;
    if (size_t scheme = SchemeLength(location)) {
        newUrl = location;
        return scheme == 5 && StartsWithNoCase(location, "http:") ? kRedirectHttp
                                                                  : kRedirectReopen;
    }
    size_t currentScheme = SchemeLength(currentUrl);
    if (currentScheme == 0) return kRedirectInvalid;
    std::string value = location;
    std::replace(value.begin(), value.end(), '\\', '/');
    if (value.compare(0, 2, "//") == 0)
        return ResolveRedirect(currentUrl, currentUrl.substr(0, currentScheme) + value, newUrl);

    // Origin ("scheme://authority") and the current path without query or fragment.
    size_t pathStart = currentUrl.find_first_of("/?#", currentScheme + 2);
    std::string origin = currentUrl.substr(0, pathStart);
    std::string path = "/";
    if (pathStart != std::string::npos && currentUrl[pathStart] == '/') {
        size_t pathEnd = currentUrl.find_first_of("?#", pathStart);
        path = currentUrl.substr(pathStart, pathEnd == std::string::npos ? std::string::npos
                                                                          : pathEnd - pathStart);
    }
    size_t queryStart = value.find_first_of("?#");
    std::string query = queryStart == std::string::npos ? std::string() : value.substr(queryStart);
    std::string relative = value.substr(0, queryStart);

    std::string merged;
    if (!relative.empty() && relative[0] == '/') {
        merged = relative;
    } else if (relative.empty()) {
        merged = path;
    } else {
        merged = path.substr(0, path.rfind('/') + 1) + relative;
    }
    newUrl = origin + RemoveDotSegments(merged) + query;
    return kRedirectReopen;
}

}  // namespace netclient
