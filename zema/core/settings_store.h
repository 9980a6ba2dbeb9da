#pragma once
// Every folder, file and user choice of Zema: the product's registry key,
// config.ini and the Windows start-up entry. The self-updater reads the same
// keys with the same meanings and defaults.

#include <windows.h>

#include <cstdint>
#include <string>

#include "win/path.h"
#include "zema/core/ini_file.h"

namespace zema {

enum VulnFoundAction {
    FOUND_ACTION_DO_NOTHING = 0,
    FOUND_ACTION_NOTIFY = 1,
    FOUND_ACTION_NOTIFY_AFTER_DOWNLOAD = 2,
    FOUND_ACTION_REPAIR = 3,
};

enum UpdateInstalledAction {
    INSTALLED_ACTION_DO_NOTHING = 0,
    INSTALLED_ACTION_NOTIFY = 1,
    INSTALLED_ACTION_NOTIFY_WHEN_REBOOT = 2,
    INSTALLED_ACTION_REBOOT_WHEN_NEED = 3,
    INSTALLED_ACTION_REBOOT_FORCE = 4,
    INSTALLED_ACTION_SHUTDOWN = 5,
};

// Connection modes of the NetWorkHTTP and NetWorkFTP sections.
enum ConnectMode {
    CONNECT_DIRECT = 0,
    CONNECT_SYSTEM_SETTINGS = 1,
    CONNECT_PROXY = 2,
};

// Where downloads come from and go to: the first eight keys of [Download].
struct DownloadGroup {
    int updatesLocationType = 0;
    int updatesServerAuth = 0;
    int downloadFailFromOfficial = 1;
    int downloadDirStruct = 1;
    std::string updatesSavePath;
    std::string updatesServer;
    std::string updatesServerUserName;
    std::string updatesServerPassword;
};

// How downloads run: the last seven keys of [Download].
struct DownloadLimits {
    int maxDownloadJobCount = 1;
    int maxPortionCountPerJob = 2;
    int maxBandwidthPerJob = 0;  // KB/s, only when limitBandwidth is set
    int maxRetryTimes = 3;
    int minRetryInterval = 60;   // seconds
    int resumeDownload = 1;
    int limitBandwidth = 0;
};

// One protocol's connection settings ([NetWorkHTTP] or [NetWorkFTP]).
struct NetworkGroup {
    int connectMode = CONNECT_SYSTEM_SETTINGS;
    int proxyServerType = 0;
    int proxyServerPort = 0;
    int proxyServerAuth = 0;
    std::string proxyServerIP;
    std::string proxyServerAuthUserName;
    std::string proxyServerAuthPassword;
};

// Registry locations; tests point them at keys of their own.
struct SettingsLocation {
    HKEY root = HKEY_LOCAL_MACHINE;
    std::string productKey = "Software\\tolvane\\ZEMA";
    std::string runKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    std::string runValue = "ZEMA";
};

class SettingsStore {
public:
    static constexpr int kLanguageId = 1033;

    explicit SettingsStore(SettingsLocation location = SettingsLocation());

    // Reads the registry key, checks the install folder, res.xml and the VDF
    // folder, and caches the groups. False when any of them is missing.
    bool Load();

    const std::string& InstallFolder() const { return installFolder_; }
    const std::string& VdfFolder() const { return vdfFolder_; }
    const std::string& ConfigIniPath() const { return ini_.Path(); }
    const std::string& FilterXmlPath() const { return filterXmlPath_; }
    const std::string& ResXmlPath() const { return resXmlPath_; }
    const std::string& RebootXmlPath() const { return rebootXmlPath_; }
    // Where downloaded packages go, resolved when the Download group was read.
    const std::string& SaveFolder() const { return saveFolder_; }
    std::string TempWorkFolder() const;

    // Registry facts for the About box.
    std::string ProductVersion() const;
    std::string InstallDate() const;
    uint32_t UpdateEndTime() const;

    static std::string SupportPageUrl();
    static std::string HomePageUrl();

    const DownloadGroup& GetDownloadGroup(bool reload);
    void SetDownloadGroup(const DownloadGroup& group, bool save);
    const DownloadLimits& GetDownloadLimits(bool reload);
    void SetDownloadLimits(const DownloadLimits& limits, bool save);
    const NetworkGroup& GetHttpNetwork(bool reload);
    void SetHttpNetwork(const NetworkGroup& group, bool save);
    const NetworkGroup& GetFtpNetwork(bool reload);
    void SetFtpNetwork(const NetworkGroup& group, bool save);

    // [General]: read from config.ini on every call, written at once.
    int64_t OSStartTime() const;
    void SetOSStartTime(int64_t bootTime);
    HWND WindowHandle() const;
    void SetWindowHandle(HWND window);
    int TrayIcon() const;
    void SetTrayIcon(int value);
    int MainWindowToTray() const;
    void SetMainWindowToTray(int value);
    int VulnFoundAction() const;
    void SetVulnFoundAction(int value);
    int UpdateInstalledAction() const;
    void SetUpdateInstalledAction(int value);
    int AutoCheckNewVersion() const;
    void SetAutoCheckNewVersion(int value);
    int NewVersionCheckedAction() const;
    void SetNewVersionCheckedAction(int value);
    int DeleteInstalledUpdateFile() const;
    void SetDeleteInstalledUpdateFile(int value);

    // The Windows start-up entry: this program's full path in quotes and
    // " -tray". Any non-blank entry counts as enabled, quoted or not.
    static std::string StartupCommand(const std::string& programPath);
    bool IsStartupEnabled() const;
    bool EnableStartup();
    bool DisableStartup();

private:
    NetworkGroup ReadNetwork(const char* section) const;
    void WriteNetwork(const char* section, const NetworkGroup& group) const;
    std::string ReadProductString(const char* name, DWORD chars) const;
    std::string ReadProtected(const char* section, const char* key) const;
    void WriteProtected(const char* section, const char* key, const std::string& password) const;
    void ResolveSaveFolder();

    SettingsLocation location_;
    IniFile ini_;
    std::string installFolder_;
    std::string vdfFolder_;
    std::string filterXmlPath_;
    std::string resXmlPath_;
    std::string rebootXmlPath_;
    std::string saveFolder_;
    DownloadGroup download_;
    DownloadLimits limits_;
    NetworkGroup http_;
    NetworkGroup ftp_;
};

// Path helpers shared by the settings and their callers.
using win::StripTrailingSeparators;
// True when a search for "folder\*.*" finds something, as the checks require.
bool FolderExists(const std::string& folder);
bool FileExists(const std::string& path);

}  // namespace zema
