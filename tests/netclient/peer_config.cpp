#include "tests/netclient/peer_config.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "netclient/url.h"
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

void PeerTest::SetUp() {
    std::string error;
    ASSERT_TRUE(peers_.Load(error)) << error;
    stop_.Reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(stop_);
}

netclient::TransferSettings PeerTest::Settings(const std::string& url) const {
    netclient::TransferSettings settings;
    settings.url = url;
    settings.timeoutMs = kTestTimeoutMs;
    settings.stopEvent = stop_.Get();
    return settings;
}

netclient::ProxyEndpoint PeerTest::Proxy(int kind, const std::string& peer,
                                         const std::string& user,
                                         const std::string& password) const {
    netclient::ProxyEndpoint proxy;
    proxy.kind = kind;
    proxy.host = "127.0.0.1";
    proxy.port = peers_.Port(peer);
    proxy.userName = user;
    proxy.password = password;
    return proxy;
}

netclient::TransferSettings PeerTest::ViaProxy(const std::string& url, int kind,
                                               const std::string& peer, const std::string& user,
                                               const std::string& password) const {
    netclient::TransferSettings settings = Settings(url);
    switch (netclient::GetUrlKind(url)) {
    case netclient::kUrlFtp: settings.ftpProxy = Proxy(kind, peer, user, password); break;
    case netclient::kUrlHttps: settings.httpsProxy = Proxy(kind, peer, user, password); break;
    default: settings.httpProxy = Proxy(kind, peer, user, password); break;
    }
    return settings;
}

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

std::string PeerConfig::HttpsUrl(const std::string& peer, const std::string& path) const {
    return "https://localhost:" + std::to_string(Port(peer)) + path;
}

std::string PeerConfig::PeerLog(const std::string& relative) const {
    return testing_support::ReadFileBytes(WindowsPath(Value("root") + "/" + relative));
}

std::string PeerConfig::ServedFilePath(const std::string& name) const {
    return WindowsPath(Value("www") + "/files/" + name);
}

std::string PeerConfig::DocumentPath(const std::string& relative) const {
    return WindowsPath(Value("www") + "/" + relative);
}

std::string PeerConfig::FtpFilePath(const std::string& name) const {
    return WindowsPath(Value("root") + "/ftp/pub/" + name);
}

std::string PeerConfig::ServedFile(const std::string& name) const {
    return testing_support::ReadFileBytes(ServedFilePath(name));
}

FILETIME PeerConfig::ServedFileTime(const std::string& name) const {
    constexpr uint64_t kTicksPerSecond = 10000000;
    WIN32_FILE_ATTRIBUTE_DATA file = {};
    if (!::GetFileAttributesExA(ServedFilePath(name).c_str(), GetFileExInfoStandard, &file))
        return FILETIME();
    ULARGE_INTEGER time;
    time.LowPart = file.ftLastWriteTime.dwLowDateTime;
    time.HighPart = file.ftLastWriteTime.dwHighDateTime;
    time.QuadPart -= time.QuadPart % kTicksPerSecond;
    FILETIME result;
    result.dwLowDateTime = time.LowPart;
    result.dwHighDateTime = time.HighPart;
    return result;
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

}  // namespace netclient_tests
