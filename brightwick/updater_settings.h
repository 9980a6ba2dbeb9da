#pragma once
// What the self-updater reads at start: the product's registry key and the
// connection settings of config.ini.

#include <cstdint>
#include <string>
#include <vector>

#include "netclient/proxy_endpoint.h"
#include "win/ini_file.h"

namespace brightwick {

constexpr char kProductKey[] = "Software\\Tolvane\\ZEMA";

// One protocol's connection settings as config.ini stores them.
struct ProxySettings {
    int connectMode = 1;  // 0 direct, 1 the system's settings, 2 the proxy below
    int proxyType = 0;    // the downloader's ProxyServerType numbering
    std::string host;
    int port = 0;
    int auth = 0;
    std::string userName;
    std::string password;  // decrypted from its protected form

    static ProxySettings Read(const win::IniFile& ini, const char* section);

    // The proxy one transfer goes through; `protocol` selects the entry of
    // the system's settings.
    netclient::ProxyEndpoint Endpoint(netclient::ProxyProtocol protocol) const;
};

class UpdaterSettings {
public:
    // The process-wide settings; Load must have succeeded before use.
    static UpdaterSettings& Instance();

    // Reads the registry key and config.ini. False when the key, InstallPath
    // or VDFPath is missing, or the installation folder does not exist.
    bool Load();

    const std::string& InstallFolder() const { return installFolder_; }
    const std::string& ConfigPath() const { return configPath_; }
    const std::string& VdfFolder() const { return vdfFolder_; }
    const std::string& UpgradeServer() const { return upgradeServer_; }
    const ProxySettings& Http() const { return http_; }
    const ProxySettings& Ftp() const { return ftp_; }
    // The publisher's public key (X then Y of a P-256 point) when the
    // installation names one; then only signed releases are installed.
    bool HasReleaseKey() const { return hasReleaseKey_; }
    const std::string& ReleaseKeyText() const { return releaseKey_; }

    // Read fresh at each use.
    std::string InstalledVersion() const;
    int NewVersionCheckedAction() const;
    // The handle of the running main program's manager window, or 0.
    uintptr_t MainWindowHandle() const;

private:
    std::string installFolder_;
    std::string configPath_;
    std::string vdfFolder_;
    std::string upgradeServer_;
    std::string releaseKey_;
    bool hasReleaseKey_ = false;
    ProxySettings http_;
    ProxySettings ftp_;
};

}  // namespace brightwick
