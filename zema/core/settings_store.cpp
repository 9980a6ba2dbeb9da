#include "zema/core/settings_store.h"


#include "win/registry.h"
#include "win/unique_handle.h"
#include "zema/core/system_utils.h"

namespace zema {
namespace {

constexpr char kGeneral[] = "General";
constexpr char kDownload[] = "Download";
constexpr char kNetworkHttp[] = "NetWorkHTTP";
constexpr char kNetworkFtp[] = "NetWorkFTP";

constexpr DWORD kPathChars = 2047;
constexpr DWORD kShortTextChars = 32;
constexpr DWORD kRegistryTextChars = 39;
constexpr DWORD kOSStartTimeChars = 31;
// The protected form of a 14-character password fits 32 characters; longer
// passwords are stored whole and read back through this larger buffer, so
// nothing the user typed is cut.
constexpr DWORD kProtectedChars = 1024;

constexpr char kStartupSwitch[] = " -tray";
constexpr char kWebHost[] = "http://www.zemaguard.com";
constexpr char kWebQuery[] = "?lang=en-us&pro=zema";

int LowWord(int value) { return static_cast<int>(static_cast<WORD>(value)); }

win::RegKey OpenKey(HKEY root, const std::string& path, REGSAM access) {
    win::RegKey key;
    if (::RegOpenKeyExA(root, path.c_str(), 0, access, key.Put()) != ERROR_SUCCESS)
        key.Reset();
    return key;
}


}  // namespace

bool FolderExists(const std::string& folder) {
    if (folder.empty()) return false;
    WIN32_FIND_DATAA data;
    win::FindHandle find(::FindFirstFileA((folder + "\\*.*").c_str(), &data));
    return static_cast<bool>(find);
}

bool FileExists(const std::string& path) {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

SettingsStore::SettingsStore(SettingsLocation location) : location_(std::move(location)) {}

bool SettingsStore::Load() {
    win::RegKey key = OpenKey(location_.root, location_.productKey, KEY_ALL_ACCESS);
    if (!key) return false;
    installFolder_ = StripTrailingSeparators(win::QueryRegString(key.Get(), "InstallPath", kPathChars));
    if (installFolder_.empty()) return false;
    if (!FolderExists(installFolder_)) return false;
    ini_ = IniFile(installFolder_ + "\\config.ini");
    filterXmlPath_ = installFolder_ + "\\filter.xml";
    resXmlPath_ = installFolder_ + "\\res.xml";
    if (!FileExists(resXmlPath_)) return false;
    rebootXmlPath_ = installFolder_ + "\\reboot.xml";
    vdfFolder_ = StripTrailingSeparators(win::QueryRegString(key.Get(), "VDFPath", kPathChars));
    if (!FolderExists(vdfFolder_)) return false;
    GetDownloadGroup(true);
    GetDownloadLimits(true);
    GetHttpNetwork(true);
    GetFtpNetwork(true);
    return true;
}

std::string SettingsStore::TempWorkFolder() const {
    char buffer[MAX_PATH + 1] = {};
    DWORD n = ::GetTempPathA(sizeof(buffer), buffer);
    if (n == 0 || n > MAX_PATH) return std::string();
    return StripTrailingSeparators(std::string(buffer, n)) + "\\Tolvane";
}

std::string SettingsStore::ReadProductString(const char* name, DWORD chars) const {
    win::RegKey key = OpenKey(location_.root, location_.productKey, KEY_READ);
    return key ? win::QueryRegString(key.Get(), name, chars) : std::string();
}

std::string SettingsStore::ProductVersion() const {
    return ReadProductString("Version", kRegistryTextChars);
}

std::string SettingsStore::InstallDate() const {
    return ReadProductString("InstallDate", kRegistryTextChars);
}

uint32_t SettingsStore::UpdateEndTime() const {
    win::RegKey key = OpenKey(location_.root, location_.productKey, KEY_READ);
    if (!key) return 0;
    DWORD value = 0;
    return win::QueryRegDword(key.Get(), "UpdateEndTime", value) ? value : 0;
}

std::string SettingsStore::SupportPageUrl() {
    return std::string(kWebHost) + "/support.asp" + kWebQuery;
}

std::string SettingsStore::HomePageUrl() {
    return std::string(kWebHost) + "/home.asp" + kWebQuery;
}

std::string SettingsStore::ReadProtected(const char* section, const char* key) const {
    return UnprotectText(ini_.ReadString(section, key, kProtectedChars));
}

void SettingsStore::WriteProtected(const char* section, const char* key,
                                   const std::string& password) const {
    ini_.WriteString(section, key, ProtectText(password));
}

void SettingsStore::ResolveSaveFolder() {
    const std::string& chosen = download_.updatesSavePath;
    if (!chosen.empty() && FolderExists(StripTrailingSeparators(chosen)))
        saveFolder_ = StripTrailingSeparators(chosen);
    else
        saveFolder_ = installFolder_ + "\\Hotfix";
}

const DownloadGroup& SettingsStore::GetDownloadGroup(bool reload) {
    if (!reload) return download_;
    DownloadGroup g;
    g.updatesLocationType = ini_.ReadInt(kDownload, "UpdatesLocationType", 0);
    g.updatesServerAuth = ini_.ReadInt(kDownload, "UpdatesServerAuth", 0);
    g.downloadFailFromOfficial = ini_.ReadInt(kDownload, "DownloadFailFromOfficial", 1);
    g.downloadDirStruct = ini_.ReadInt(kDownload, "DownloadDIRStruct", 1);
    g.updatesSavePath = ini_.ReadString(kDownload, "UpdatesSavePath", kPathChars);
    g.updatesServer = ini_.ReadString(kDownload, "UpdatesServer", kPathChars);
    g.updatesServerUserName = ini_.ReadString(kDownload, "UpdatesServerUserName", kShortTextChars);
    g.updatesServerPassword = ReadProtected(kDownload, "UpdatesServerPassword");
    download_ = g;
    ResolveSaveFolder();
    return download_;
}

void SettingsStore::SetDownloadGroup(const DownloadGroup& g, bool save) {
    download_ = g;
    if (!save) return;
    ini_.WriteInt(kDownload, "UpdatesLocationType", g.updatesLocationType);
    ini_.WriteInt(kDownload, "UpdatesServerAuth", g.updatesServerAuth);
    ini_.WriteInt(kDownload, "DownloadFailFromOfficial", g.downloadFailFromOfficial);
    ini_.WriteInt(kDownload, "DownloadDIRStruct", g.downloadDirStruct);
    ini_.WriteString(kDownload, "UpdatesSavePath", g.updatesSavePath);
    ini_.WriteString(kDownload, "UpdatesServer", g.updatesServer);
    ini_.WriteString(kDownload, "UpdatesServerUserName", g.updatesServerUserName);
    WriteProtected(kDownload, "UpdatesServerPassword", g.updatesServerPassword);
}

const DownloadLimits& SettingsStore::GetDownloadLimits(bool reload) {
    if (!reload) return limits_;
    DownloadLimits l;
    l.maxDownloadJobCount = ini_.ReadInt(kDownload, "MaxDownloadJobCount", 1);
    l.maxPortionCountPerJob = ini_.ReadInt(kDownload, "MaxPortionCountPerJob", 2);
    l.maxBandwidthPerJob = ini_.ReadInt(kDownload, "MaxBandwidthPerJob", 0);
    l.maxRetryTimes = ini_.ReadInt(kDownload, "MaxRetryTimes", 3);
    l.minRetryInterval = ini_.ReadInt(kDownload, "MinRetryInterval", 60);
    l.resumeDownload = ini_.ReadInt(kDownload, "ResumeDownload", 1);
    l.limitBandwidth = ini_.ReadInt(kDownload, "LimitBandwidth", 0);
    limits_ = l;
    return limits_;
}

void SettingsStore::SetDownloadLimits(const DownloadLimits& l, bool save) {
    limits_ = l;
    if (!save) return;
    ini_.WriteInt(kDownload, "MaxDownloadJobCount", l.maxDownloadJobCount);
    ini_.WriteInt(kDownload, "MaxPortionCountPerJob", l.maxPortionCountPerJob);
    ini_.WriteInt(kDownload, "MaxBandwidthPerJob", l.maxBandwidthPerJob);
    ini_.WriteInt(kDownload, "MaxRetryTimes", l.maxRetryTimes);
    ini_.WriteInt(kDownload, "MinRetryInterval", l.minRetryInterval);
    ini_.WriteInt(kDownload, "ResumeDownload", l.resumeDownload);
    ini_.WriteInt(kDownload, "LimitBandwidth", l.limitBandwidth);
}

NetworkGroup SettingsStore::ReadNetwork(const char* section) const {
    NetworkGroup g;
    g.connectMode = ini_.ReadInt(section, "ConnectMode", CONNECT_SYSTEM_SETTINGS);
    g.proxyServerType = ini_.ReadInt(section, "ProxyServerType", 0);
    g.proxyServerPort = LowWord(ini_.ReadInt(section, "ProxyServerPort", 0));
    g.proxyServerAuth = ini_.ReadInt(section, "ProxyServerAuth", 0);
    g.proxyServerIP = ini_.ReadString(section, "ProxyServerIP", kShortTextChars);
    g.proxyServerAuthUserName = ini_.ReadString(section, "ProxyServerAuthUserName", kShortTextChars);
    g.proxyServerAuthPassword = ReadProtected(section, "ProxyServerAuthPassword");
    return g;
}

void SettingsStore::WriteNetwork(const char* section, const NetworkGroup& g) const {
    ini_.WriteInt(section, "ConnectMode", g.connectMode);
    ini_.WriteInt(section, "ProxyServerType", g.proxyServerType);
    ini_.WriteInt(section, "ProxyServerPort", LowWord(g.proxyServerPort));
    ini_.WriteInt(section, "ProxyServerAuth", g.proxyServerAuth);
    ini_.WriteString(section, "ProxyServerIP", g.proxyServerIP);
    ini_.WriteString(section, "ProxyServerAuthUserName", g.proxyServerAuthUserName);
    WriteProtected(section, "ProxyServerAuthPassword", g.proxyServerAuthPassword);
}

const NetworkGroup& SettingsStore::GetHttpNetwork(bool reload) {
    if (reload) http_ = ReadNetwork(kNetworkHttp);
    return http_;
}

void SettingsStore::SetHttpNetwork(const NetworkGroup& g, bool save) {
    http_ = g;
    if (save) WriteNetwork(kNetworkHttp, g);
}

const NetworkGroup& SettingsStore::GetFtpNetwork(bool reload) {
    if (reload) ftp_ = ReadNetwork(kNetworkFtp);
    return ftp_;
}

void SettingsStore::SetFtpNetwork(const NetworkGroup& g, bool save) {
    ftp_ = g;
    if (save) WriteNetwork(kNetworkFtp, g);
}

int64_t SettingsStore::OSStartTime() const {
    return ini_.ReadInt64(kGeneral, "OSStartTime", 0, kOSStartTimeChars);
}

void SettingsStore::SetOSStartTime(int64_t bootTime) {
    ini_.WriteInt64(kGeneral, "OSStartTime", bootTime);
}

HWND SettingsStore::WindowHandle() const {
    // Window handles carry 32 significant bits, also in 64-bit processes.
    int value = ini_.ReadInt(kGeneral, "WindowHandle", 0);
    return reinterpret_cast<HWND>(static_cast<INT_PTR>(value));
}

void SettingsStore::SetWindowHandle(HWND window) {
    ini_.WriteInt(kGeneral, "WindowHandle",
                  static_cast<int>(reinterpret_cast<INT_PTR>(window)));
}

int SettingsStore::TrayIcon() const { return ini_.ReadInt(kGeneral, "TrayIcon", 1); }
void SettingsStore::SetTrayIcon(int value) { ini_.WriteInt(kGeneral, "TrayIcon", value); }

int SettingsStore::MainWindowToTray() const {
    return ini_.ReadInt(kGeneral, "MainWindowToTray", 1);
}
void SettingsStore::SetMainWindowToTray(int value) {
    ini_.WriteInt(kGeneral, "MainWindowToTray", value);
}

int SettingsStore::VulnFoundAction() const {
    return ini_.ReadInt(kGeneral, "VulnFoundAction", FOUND_ACTION_NOTIFY);
}
void SettingsStore::SetVulnFoundAction(int value) {
    ini_.WriteInt(kGeneral, "VulnFoundAction", LowWord(value));
}

int SettingsStore::UpdateInstalledAction() const {
    return ini_.ReadInt(kGeneral, "UpdateInstalledAction", INSTALLED_ACTION_NOTIFY);
}
void SettingsStore::SetUpdateInstalledAction(int value) {
    ini_.WriteInt(kGeneral, "UpdateInstalledAction", LowWord(value));
}

int SettingsStore::AutoCheckNewVersion() const {
    return ini_.ReadInt(kGeneral, "AutoCheckNewVersion", 1);
}
void SettingsStore::SetAutoCheckNewVersion(int value) {
    ini_.WriteInt(kGeneral, "AutoCheckNewVersion", value);
}

int SettingsStore::NewVersionCheckedAction() const {
    return ini_.ReadInt(kGeneral, "NewVersionCheckedAction", 0);
}
void SettingsStore::SetNewVersionCheckedAction(int value) {
    ini_.WriteInt(kGeneral, "NewVersionCheckedAction", LowWord(value));
}

int SettingsStore::DeleteInstalledUpdateFile() const {
    return ini_.ReadInt(kGeneral, "DeleteInstalledUpdateFile", 0);
}
void SettingsStore::SetDeleteInstalledUpdateFile(int value) {
    ini_.WriteInt(kGeneral, "DeleteInstalledUpdateFile", value);
}

std::string SettingsStore::StartupCommand(const std::string& programPath) {
    // Quoted, so that a path with blanks cannot start a program planted at
    // the first blank ("C:\Program.exe").
    return "\"" + programPath + "\"" + kStartupSwitch;
}

bool SettingsStore::IsStartupEnabled() const {
    // Earlier entries held the path unquoted; any non-blank entry is ours and
    // is rewritten quoted the next time the start-up choice is saved.
    win::RegKey key = OpenKey(location_.root, location_.runKey, KEY_READ);
    if (!key) return false;
    std::string value = win::QueryRegString(key.Get(), location_.runValue.c_str(), kPathChars + 16);
    return value.find_first_not_of(" \t") != std::string::npos;
}

bool SettingsStore::EnableStartup() {
    char path[MAX_PATH + 1] = {};
    DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    win::RegKey key;
    if (::RegCreateKeyExA(location_.root, location_.runKey.c_str(), 0, nullptr, 0,
                          KEY_ALL_ACCESS, nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
        return false;
    std::string data = StartupCommand(std::string(path, n));
    if (::RegSetValueExA(key.Get(), location_.runValue.c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(data.c_str()),
                         static_cast<DWORD>(data.size() + 1)) != ERROR_SUCCESS)
        return false;
    SetTrayIcon(1);
    return true;
}

bool SettingsStore::DisableStartup() {
    win::RegKey key = OpenKey(location_.root, location_.runKey, KEY_ALL_ACCESS);
    if (!key) return true;
    LONG rc = ::RegDeleteValueA(key.Get(), location_.runValue.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

}  // namespace zema
