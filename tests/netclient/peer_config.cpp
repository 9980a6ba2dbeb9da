#include "tests/netclient/peer_config.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/support/test_support.h"

namespace netclient_tests {
namespace {

// Wine maps the Unix root to drive Z:.
std::string WindowsPath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

}  // namespace

bool PeerConfig::Load(std::string& error) {
    char location[MAX_PATH] = {};
    if (::GetEnvironmentVariableA("ZG_PEERS", location, sizeof(location)) == 0) {
        error = "ZG_PEERS is not set: run the tests through CTest so the peers start";
        return false;
    }
    std::ifstream file(WindowsPath(location));
    if (!file) {
        error = std::string("cannot read ") + location;
        return false;
    }
    std::string line;
    while (std::getline(file, line)) {
        size_t equals = line.find('=');
        if (equals != std::string::npos) values_[line.substr(0, equals)] = line.substr(equals + 1);
    }
    if (values_.count("www") == 0) {
        error = std::string("no peers listed in ") + location;
        return false;
    }
    return true;
}

std::string PeerConfig::Value(const std::string& name) const {
    auto found = values_.find(name);
    return found == values_.end() ? std::string() : found->second;
}

uint16_t PeerConfig::Port(const std::string& name) const {
    return static_cast<uint16_t>(atoi(Value(name).c_str()));
}

std::string PeerConfig::HttpUrl(const std::string& peer, const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(Port(peer)) + path;
}

std::string PeerConfig::FtpUrl(const std::string& peer, const std::string& path) const {
    return "ftp://127.0.0.1:" + std::to_string(Port(peer)) + path;
}

std::string PeerConfig::ServedFilePath(const std::string& name) const {
    return WindowsPath(Value("www") + "/files/" + name);
}

std::string PeerConfig::ServedFile(const std::string& name) const {
    return testing_support::ReadFileBytes(ServedFilePath(name));
}

std::string Pattern(size_t size, int seed) {
    std::string out(size, '\0');
    for (size_t i = 0; i < size; ++i) out[i] = static_cast<char>((i * seed + 3) & 0xFF);
    return out;
}

FetchResult Fetch(netclient::Transfer& transfer, uint64_t offset, size_t limit) {
    FetchResult result;
    result.open = transfer.Open(offset);
    if (result.open != netclient::kOpened) return result;
    char buffer[8192];
    while (result.data.size() < limit) {
        size_t bytes = 0;
        size_t want = std::min(sizeof(buffer), limit - result.data.size());
        if (!transfer.Read(buffer, want, bytes)) {
            result.endedBeforeLimit = true;
            break;
        }
        result.data.append(buffer, bytes);
    }
    return result;
}

FILETIME FileTimeOf(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME time = {};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    FILETIME result = {};
    ::SystemTimeToFileTime(&time, &result);
    return result;
}

bool SameTime(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

}  // namespace netclient_tests
