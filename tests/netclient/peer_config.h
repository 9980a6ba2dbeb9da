#pragma once
// The test peers that the harness started: their ports and files, read from
// the file named by the ZG_PEERS environment variable.

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>

#include "netclient/transfer.h"

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
    // The bytes of a file that the peers serve, by its name in files/.
    std::string ServedFile(const std::string& name) const;
    std::string ServedFilePath(const std::string& name) const;

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

FILETIME FileTimeOf(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second);
bool SameTime(const FILETIME& a, const FILETIME& b);

}  // namespace netclient_tests
