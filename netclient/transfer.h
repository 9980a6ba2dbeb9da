#pragma once
// The one interface through which a transfer thread reads a remote file,
// whatever its protocol: HTTP, FTP, or a local or network-share path.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "netclient/proxy_endpoint.h"

namespace netclient {

// Results of Transfer::Open.
enum OpenResult {
    kOpened = 0,
    kRedirected = 1,  // Url() holds the new URL; open a new client with it
    kRefused = 2,     // redirected while redirects are not allowed
    kOpenFailed = -1,
};

class Transfer {
public:
    virtual ~Transfer() = default;

    // Opens at a byte offset; one of OpenResult (any other value is a failure).
    virtual int Open(uint64_t offset) = 0;
    // Reads up to `size` bytes; false on end, error or stop.
    virtual bool Read(char* buffer, size_t size, size_t& bytesRead) = 0;
    virtual void Close() = 0;

    // Valid after a successful open. The length is known after an open at 0.
    virtual uint64_t RemoteLength() const = 0;
    virtual FILETIME RemoteTime() const = 0;
    virtual bool OffsetHonoured() const = 0;
    virtual const std::string& Url() const = 0;
};

// What a transfer thread hands to the client it makes.
struct TransferSettings {
    std::string url;
    std::string userName;       // the job's server credentials
    std::string password;
    DWORD timeoutMs = 40000;
    HANDLE stopEvent = nullptr; // set by another thread to end every wait
    bool enableRedirect = true; // HTTP only
    ProxyEndpoint httpProxy;
    ProxyEndpoint httpsProxy;   // most often the same as httpProxy
    ProxyEndpoint ftpProxy;
};

// The client for the URL's kind (HTTP, HTTPS, FTP or file), or null for any
// other.
std::unique_ptr<Transfer> MakeTransfer(const TransferSettings& settings);

}  // namespace netclient
