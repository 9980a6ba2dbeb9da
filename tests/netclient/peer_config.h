#pragma once
// The test peers that the harness started: their ports and files, read from
// the file named by the ZG_PEERS environment variable.

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "netclient/transfer.h"
#include "tests/netclient/file_time.h"
#include "win/unique_handle.h"

namespace netclient_tests {

class PeerConfig {
public:
    // False (with a reason) when the harness did not run.
    bool Load(std::string& error);

    std::string Value(const std::string& name) const;
    uint16_t Port(const std::string& name) const;
    // "http://127.0.0.1:<port of peer><path>"
    std::string HttpUrl(const std::string& peer, const std::string& path) const;
    std::string FtpUrl(const std::string& peer, const std::string& path) const;
    // "https://localhost:<port of peer><path>": the name the certificates carry.
    std::string HttpsUrl(const std::string& peer, const std::string& path) const;
    // A log that a peer writes under the peers' folder, as it stands now.
    std::string PeerLog(const std::string& relative) const;
    // The bytes of a file that the peers serve, by its name in files/.
    std::string ServedFile(const std::string& name) const;
    std::string ServedFilePath(const std::string& name) const;
    // Any path below nginx's document root, as this program sees it.
    std::string DocumentPath(const std::string& relative) const;
    // The same for a file that vsftpd serves as /pub/NAME.
    std::string FtpFilePath(const std::string& name) const;
    // Its last-write time in whole seconds, as servers report it.
    FILETIME ServedFileTime(const std::string& name) const;

private:
    std::map<std::string, std::string> values_;
};

// Bytes the scripted server generates: (i * seed + 3) mod 256.
std::string Pattern(size_t size, int seed);

struct FetchResult {
    int open = netclient::kOpenFailed;
    std::string data;
    bool endedBeforeLimit = false;
};

// Opens at `offset` and reads until the transfer ends or `limit` bytes came.
FetchResult Fetch(netclient::Transfer& transfer, uint64_t offset, size_t limit = SIZE_MAX);

constexpr DWORD kTestTimeoutMs = 20000;
constexpr DWORD kShortTimeoutMs = 1500;  // for peers that never answer
constexpr DWORD kQuickEnoughMs = 8000;   // far below any time-out that is not meant to pass

// A test that talks to the peers, with a stop event of its own.
class PeerTest : public ::testing::Test {
protected:
    void SetUp() override;

    netclient::TransferSettings Settings(const std::string& url) const;
    netclient::ProxyEndpoint Proxy(int kind, const std::string& peer,
                                   const std::string& user = std::string(),
                                   const std::string& password = std::string()) const;
    // Settings(url) through a proxy, set as the endpoint of the URL's scheme.
    netclient::TransferSettings ViaProxy(const std::string& url, int kind, const std::string& peer,
                                         const std::string& user = std::string(),
                                         const std::string& password = std::string()) const;

    PeerConfig peers_;
    win::KernelHandle stop_;
};

}  // namespace netclient_tests
