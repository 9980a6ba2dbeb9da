#include "brightwick/updater_settings.h"

#include <windows.h>

#include "win/path.h"
#include "win/protected_text.h"
#include "win/registry.h"
#include "win/unique_handle.h"

namespace brightwick {
namespace {

constexpr DWORD kPathBytes = 2048;
constexpr DWORD kVersionBytes = 39;
constexpr DWORD kHostBytes = 256;
constexpr DWORD kReleaseKeyBytes = 256;
constexpr DWORD kShortText = 32;
constexpr DWORD kProtectedText = 1024;
constexpr int kConnectDirect = 0;
constexpr int kConnectSystem = 1;
constexpr char kGeneral[] = "General";
constexpr char kDefaultUpgradeServer[] = "upgrade.tolvane.com";

bool FolderExists(const std::string& folder) {
    WIN32_FIND_DATAA data;
    win::FindHandle find(::FindFirstFileA((folder + "\\*.*").c_str(), &data));
    return static_cast<bool>(find);
}

}  // namespace

ProxySettings ProxySettings::Read(const win::IniFile& ini, const char* section) {
    ProxySettings s;
    s.connectMode = ini.ReadInt(section, "ConnectMode", 1);
    s.proxyType = ini.ReadInt(section, "ProxyServerType", 0);
    s.host = ini.ReadString(section, "ProxyServerIP", kShortText);
    s.port = ini.ReadInt(section, "ProxyServerPort", 0);
    s.auth = ini.ReadInt(section, "ProxyServerAuth", 0);
    s.userName = ini.ReadString(section, "ProxyServerAuthUserName", kShortText);
    // Zema stores the password protected; the proxy needs the password.
    s.password = win::UnprotectText(ini.ReadString(section, "ProxyServerAuthPassword", kProtectedText));
    return s;
}

netclient::ProxyEndpoint ProxySettings::Endpoint(netclient::ProxyProtocol protocol) const {
    netclient::ProxyEndpoint endpoint;
    if (connectMode == kConnectDirect) return endpoint;
    endpoint.userName = userName;
    endpoint.password = password;
    if (connectMode == kConnectSystem) {
        endpoint.kind = netclient::kProxyIE;
        netclient::ResolveInternetSettings(endpoint, protocol);
        return endpoint;
    }
    endpoint.kind = proxyType;
    endpoint.host = host;
    endpoint.port = static_cast<uint16_t>(port);
    return endpoint;
}

UpdaterSettings& UpdaterSettings::Instance() {
    static UpdaterSettings* settings = new UpdaterSettings();  // lives until exit
    return *settings;
}

bool UpdaterSettings::Load() {
    win::RegKey key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_ALL_ACCESS, key.Put()) !=
        ERROR_SUCCESS)
        return false;
    installFolder_ = win::StripTrailingSeparators(win::QueryRegString(key.Get(), "InstallPath", kPathBytes));
    if (installFolder_.empty() || !FolderExists(installFolder_)) return false;
    configPath_ = installFolder_ + "\\config.ini";
    win::IniFile ini(configPath_);
    http_ = ProxySettings::Read(ini, "NetWorkHTTP");
    ftp_ = ProxySettings::Read(ini, "NetWorkFTP");
    vdfFolder_ = win::StripTrailingSeparators(win::QueryRegString(key.Get(), "VDFPath", kPathBytes));
    if (vdfFolder_.empty()) return false;
    upgradeServer_ = win::QueryRegString(key.Get(), "UpgradeServer", kHostBytes);
    if (upgradeServer_.empty()) upgradeServer_ = kDefaultUpgradeServer;
    // A value that is present but unreadable still demands signed releases.
    DWORD type = 0;
    hasReleaseKey_ = ::RegQueryValueExA(key.Get(), "ReleaseKey", nullptr, &type, nullptr,
                                        nullptr) == ERROR_SUCCESS;
    releaseKey_ = hasReleaseKey_ ? win::QueryRegString(key.Get(), "ReleaseKey", kReleaseKeyBytes)
                                 : std::string();
    return true;
}

std::string UpdaterSettings::InstalledVersion() const {
    win::RegKey key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return std::string();
    return win::QueryRegString(key.Get(), "Version", kVersionBytes);
}

int UpdaterSettings::NewVersionCheckedAction() const {
    return win::IniFile(configPath_).ReadInt(kGeneral, "NewVersionCheckedAction", 0);
}

uintptr_t UpdaterSettings::MainWindowHandle() const {
    int64_t handle = win::IniFile(configPath_).ReadInt64(kGeneral, "WindowHandle", 0, 32);
    return static_cast<uintptr_t>(handle);
}

}  // namespace brightwick
