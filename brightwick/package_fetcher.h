#pragma once
// Fetches one file of a release (the file list, a package or a signature)
// over HTTP, HTTPS or FTP into the release folder, unpacking packages.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "brightwick/updater_settings.h"
#include "netclient/transfer.h"

namespace brightwick {

class PackageFetcher {
public:
    // `progress` is called whenever the byte counter moved.
    PackageFetcher(ProxySettings http, ProxySettings ftp, HANDLE cancelEvent,
                   std::atomic<uint32_t>& downloadedBytes, std::function<void()> progress);

    // Downloads `url` into `localFile` (into `localFile` + ".cpr" when the
    // address ends in exactly ".cpr"), then, when `compressed`, unpacks that
    // package into `localFile`. `retry` is cleared only by cancellation.
    // `checkPackage`, when given, sees the package before it is unpacked and
    // may refuse it; `refused` then tells that apart from a failed transfer.
    bool Fetch(const std::string& url, const std::string& localFile, bool compressed, bool& retry,
               const std::function<bool(const std::string&)>& checkPackage = nullptr,
               bool* refused = nullptr);

    // A small file into memory: false when it is missing, empty or larger
    // than `maxBytes`.
    bool FetchToMemory(const std::string& url, size_t maxBytes, std::string& bytes, bool& retry);

    // The settings of one transfer of `url`, redirects followed.
    netclient::TransferSettings SettingsFor(const std::string& url) const;

    static constexpr DWORD kTimeoutMs = 60000;

private:
    bool Cancelled() const;
    // Opens `url`, following redirects that need a new client; null on failure.
    std::unique_ptr<netclient::Transfer> Open(std::string url, bool& retry);

    ProxySettings http_;
    ProxySettings ftp_;
    HANDLE cancel_;
    std::atomic<uint32_t>& downloaded_;
    std::function<void()> progress_;
};

}  // namespace brightwick
