#pragma once
// Where an HTTP redirect leads, from the current URL and the Location value.

#include <string>

namespace netclient {

enum RedirectKind {
    kRedirectHttp = 0,     // an absolute http URL: follow it within this transfer
    kRedirectReopen = 1,   // relative or another scheme: the thread opens a new client
    kRedirectInvalid = -1, // no usable location
};

// Resolves `location` against `currentUrl` into `newUrl`. The location keeps
// its letter case: paths on many servers are case-sensitive.
int ResolveRedirect(const std::string& currentUrl, const std::string& location,
                    std::string& newUrl);

}  // namespace netclient
