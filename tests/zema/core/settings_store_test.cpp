#include "zema/core/settings_store.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"
#include "zema/core/system_utils.h"

namespace zema {
namespace {

using namespace testing_support;

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        install_ = folder_.File("install");
        vdf_ = folder_.File("vdf");
        CreateDirectoryA(install_.c_str(), nullptr);
        CreateDirectoryA(vdf_.c_str(), nullptr);
        WriteFileBytes(install_ + "\\res.xml", "<res/>");
        location_.root = key_.Root();
        location_.productKey = key_.Sub("ZEMA");
        location_.runKey = key_.Sub("Run");
        SetRegString(location_.root, location_.productKey, "InstallPath", install_);
        SetRegString(location_.root, location_.productKey, "VDFPath", vdf_);
    }

    SettingsStore Loaded() {
        SettingsStore store(location_);
        EXPECT_TRUE(store.Load());
        return store;
    }

    std::string Ini() const { return install_ + "\\config.ini"; }

    TempFolder folder_;
    TestRegistryKey key_;
    SettingsLocation location_;
    std::string install_;
    std::string vdf_;
};

TEST_F(SettingsStoreTest, MissingConfigIniYieldsEveryDefault) {
    SettingsStore store = Loaded();
    const DownloadGroup& d = store.GetDownloadGroup(false);
    EXPECT_EQ(0, d.updatesLocationType);
    EXPECT_EQ(0, d.updatesServerAuth);
    EXPECT_EQ(1, d.downloadFailFromOfficial);
    EXPECT_EQ(1, d.downloadDirStruct);
    EXPECT_EQ("", d.updatesSavePath);
    EXPECT_EQ("", d.updatesServer);
    EXPECT_EQ("", d.updatesServerPassword);
    const DownloadLimits& l = store.GetDownloadLimits(false);
    EXPECT_EQ(1, l.maxDownloadJobCount);
    EXPECT_EQ(2, l.maxPortionCountPerJob);
    EXPECT_EQ(0, l.maxBandwidthPerJob);
    EXPECT_EQ(3, l.maxRetryTimes);
    EXPECT_EQ(60, l.minRetryInterval);
    EXPECT_EQ(1, l.resumeDownload);
    EXPECT_EQ(0, l.limitBandwidth);
    for (const NetworkGroup* n : {&store.GetHttpNetwork(false), &store.GetFtpNetwork(false)}) {
        EXPECT_EQ(CONNECT_SYSTEM_SETTINGS, n->connectMode);
        EXPECT_EQ(0, n->proxyServerType);
        EXPECT_EQ(0, n->proxyServerPort);
        EXPECT_EQ("", n->proxyServerIP);
    }
    EXPECT_EQ(0, store.OSStartTime());
    EXPECT_EQ(nullptr, store.WindowHandle());
    EXPECT_EQ(1, store.TrayIcon());
    EXPECT_EQ(1, store.MainWindowToTray());
    EXPECT_EQ(FOUND_ACTION_NOTIFY, store.VulnFoundAction());
    EXPECT_EQ(INSTALLED_ACTION_NOTIFY, store.UpdateInstalledAction());
    EXPECT_EQ(1, store.AutoCheckNewVersion());
    EXPECT_EQ(0, store.NewVersionCheckedAction());
    EXPECT_EQ(0, store.DeleteInstalledUpdateFile());
    EXPECT_EQ(install_ + "\\Hotfix", store.SaveFolder());
    EXPECT_FALSE(PathExists(Ini()));  // reading creates nothing
}

TEST_F(SettingsStoreTest, PathsAreFixedAtLoadAndIgnoreTrailingSeparators) {
    SetRegString(location_.root, location_.productKey, "InstallPath", install_ + "\\\\/");
    SetRegString(location_.root, location_.productKey, "VDFPath", vdf_ + "/");
    SettingsStore store = Loaded();
    EXPECT_EQ(install_, store.InstallFolder());
    EXPECT_EQ(vdf_, store.VdfFolder());
    EXPECT_EQ(install_ + "\\config.ini", store.ConfigIniPath());
    EXPECT_EQ(install_ + "\\filter.xml", store.FilterXmlPath());
    EXPECT_EQ(install_ + "\\res.xml", store.ResXmlPath());
    EXPECT_EQ(install_ + "\\reboot.xml", store.RebootXmlPath());
    std::string temp = store.TempWorkFolder();
    EXPECT_EQ("\\Tolvane", temp.substr(temp.size() - 8));
}

TEST_F(SettingsStoreTest, LoadFailsWithoutItsFoldersAndFiles) {
    SettingsLocation missing = location_;
    missing.productKey = key_.Sub("Nothing");
    EXPECT_FALSE(SettingsStore(missing).Load()) << "missing key";
    SetRegString(location_.root, location_.productKey, "InstallPath", "");
    EXPECT_FALSE(SettingsStore(location_).Load()) << "empty install path";
    SetRegString(location_.root, location_.productKey, "InstallPath", install_ + "\\none");
    EXPECT_FALSE(SettingsStore(location_).Load()) << "missing install folder";
    SetRegString(location_.root, location_.productKey, "InstallPath", install_);
    DeleteFileA((install_ + "\\res.xml").c_str());
    EXPECT_FALSE(SettingsStore(location_).Load()) << "missing res.xml";
    WriteFileBytes(install_ + "\\res.xml", "<res/>");
    SetRegString(location_.root, location_.productKey, "VDFPath", vdf_ + "\\none");
    EXPECT_FALSE(SettingsStore(location_).Load()) << "missing VDF folder";
    SetRegString(location_.root, location_.productKey, "VDFPath", vdf_);
    EXPECT_TRUE(SettingsStore(location_).Load());
}

TEST_F(SettingsStoreTest, GroupsSavedAreReadBackAfterReload) {
    DownloadGroup d;
    d.updatesLocationType = 1;
    d.updatesServerAuth = 1;
    d.downloadFailFromOfficial = 0;
    d.downloadDirStruct = 0;
    d.updatesSavePath = folder_.Path();
    d.updatesServer = "http://mirror.example/updates";
    d.updatesServerUserName = "mirroruser";
    d.updatesServerPassword = "mirrorpass";
    DownloadLimits l;
    l.maxDownloadJobCount = 4;
    l.maxPortionCountPerJob = 5;
    l.maxBandwidthPerJob = 64;
    l.maxRetryTimes = 7;
    l.minRetryInterval = 1800;
    l.resumeDownload = 0;
    l.limitBandwidth = 1;
    NetworkGroup h;
    h.connectMode = CONNECT_PROXY;
    h.proxyServerType = 6;
    h.proxyServerPort = 1080;
    h.proxyServerAuth = 1;
    h.proxyServerIP = "10.1.2.3";
    h.proxyServerAuthUserName = "puser";
    h.proxyServerAuthPassword = "ppass";
    NetworkGroup f = h;
    f.connectMode = CONNECT_DIRECT;
    f.proxyServerType = 2;
    f.proxyServerPort = 2121;
    {
        SettingsStore store = Loaded();
        store.SetDownloadGroup(d, true);
        store.SetDownloadLimits(l, true);
        store.SetHttpNetwork(h, true);
        store.SetFtpNetwork(f, true);
    }
    SettingsStore store = Loaded();
    const DownloadGroup& d2 = store.GetDownloadGroup(false);
    EXPECT_EQ(1, d2.updatesLocationType);
    EXPECT_EQ(1, d2.updatesServerAuth);
    EXPECT_EQ(0, d2.downloadFailFromOfficial);
    EXPECT_EQ(0, d2.downloadDirStruct);
    EXPECT_EQ(d.updatesSavePath, d2.updatesSavePath);
    EXPECT_EQ(d.updatesSavePath, store.SaveFolder());
    EXPECT_EQ(d.updatesServer, d2.updatesServer);
    EXPECT_EQ("mirroruser", d2.updatesServerUserName);
    EXPECT_EQ("mirrorpass", d2.updatesServerPassword);
    const DownloadLimits& l2 = store.GetDownloadLimits(false);
    EXPECT_EQ(4, l2.maxDownloadJobCount);
    EXPECT_EQ(5, l2.maxPortionCountPerJob);
    EXPECT_EQ(64, l2.maxBandwidthPerJob);
    EXPECT_EQ(7, l2.maxRetryTimes);
    EXPECT_EQ(1800, l2.minRetryInterval);
    EXPECT_EQ(0, l2.resumeDownload);
    EXPECT_EQ(1, l2.limitBandwidth);
    const NetworkGroup& h2 = store.GetHttpNetwork(false);
    EXPECT_EQ(CONNECT_PROXY, h2.connectMode);
    EXPECT_EQ(6, h2.proxyServerType);
    EXPECT_EQ(1080, h2.proxyServerPort);
    EXPECT_EQ(1, h2.proxyServerAuth);
    EXPECT_EQ("10.1.2.3", h2.proxyServerIP);
    EXPECT_EQ("puser", h2.proxyServerAuthUserName);
    EXPECT_EQ("ppass", h2.proxyServerAuthPassword);
    const NetworkGroup& f2 = store.GetFtpNetwork(false);
    EXPECT_EQ(CONNECT_DIRECT, f2.connectMode);
    EXPECT_EQ(2, f2.proxyServerType);
    EXPECT_EQ(2121, f2.proxyServerPort);
}

TEST_F(SettingsStoreTest, PasswordsAreStoredProtectedAndSurviveWhole) {
    const std::string fourteen = "p@ssw0rd-14chr";
    const std::string thirty = "a-thirty-character-passphrase!";
    ASSERT_EQ(14u, fourteen.size());
    ASSERT_EQ(30u, thirty.size());
    {
        SettingsStore store = Loaded();
        DownloadGroup d;
        d.updatesServerPassword = fourteen;
        store.SetDownloadGroup(d, true);
        NetworkGroup h;
        h.proxyServerAuthPassword = thirty;
        store.SetHttpNetwork(h, true);
    }
    IniFile ini(Ini());
    std::string stored = ini.ReadString("Download", "UpdatesServerPassword", 1024);
    EXPECT_EQ(ProtectText(fourteen), stored);
    EXPECT_LE(stored.size(), 31u) << "a 14-character password fits the classic buffer";
    EXPECT_EQ(std::string::npos, stored.find(fourteen));

    SettingsStore store = Loaded();
    EXPECT_EQ(fourteen, store.GetDownloadGroup(false).updatesServerPassword);
    EXPECT_EQ(thirty, store.GetHttpNetwork(false).proxyServerAuthPassword);
}

TEST_F(SettingsStoreTest, ShortTextKeysKeepThirtyOneCharacters) {
    IniFile ini(Ini());
    ini.WriteString("NetWorkHTTP", "ProxyServerAuthUserName", std::string(40, 'u'));
    SettingsStore store = Loaded();
    EXPECT_EQ(std::string(31, 'u'), store.GetHttpNetwork(false).proxyServerAuthUserName);
}

TEST_F(SettingsStoreTest, MissingSaveFolderFallsBackToHotfix) {
    IniFile ini(Ini());
    ini.WriteString("Download", "UpdatesSavePath", folder_.File("gone"));
    SettingsStore store = Loaded();
    EXPECT_EQ(folder_.File("gone"), store.GetDownloadGroup(false).updatesSavePath);
    EXPECT_EQ(install_ + "\\Hotfix", store.SaveFolder());
    EXPECT_FALSE(PathExists(install_ + "\\Hotfix")) << "resolution creates nothing";
}

TEST_F(SettingsStoreTest, CachedGroupsChangeOnlyOnReload) {
    SettingsStore store = Loaded();
    IniFile(Ini()).WriteInt("Download", "MaxRetryTimes", 9);
    EXPECT_EQ(3, store.GetDownloadLimits(false).maxRetryTimes);
    EXPECT_EQ(9, store.GetDownloadLimits(true).maxRetryTimes);
    DownloadLimits l = store.GetDownloadLimits(false);
    l.maxRetryTimes = 2;
    store.SetDownloadLimits(l, false);
    EXPECT_EQ(2, store.GetDownloadLimits(false).maxRetryTimes);
    EXPECT_EQ(9, IniFile(Ini()).ReadInt("Download", "MaxRetryTimes", 0)) << "not saved";
}

TEST_F(SettingsStoreTest, GeneralValuesAreWrittenAtOnceAndReadEachTime) {
    SettingsStore store = Loaded();
    store.SetOSStartTime(133000000000000123LL);
    store.SetVulnFoundAction(FOUND_ACTION_REPAIR);
    store.SetUpdateInstalledAction(0x10005);  // only the low 16 bits are kept
    store.SetWindowHandle(reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234)));
    EXPECT_EQ(133000000000000123LL, Loaded().OSStartTime());
    EXPECT_EQ(FOUND_ACTION_REPAIR, store.VulnFoundAction());
    EXPECT_EQ(INSTALLED_ACTION_SHUTDOWN, store.UpdateInstalledAction());
    EXPECT_EQ(reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234)), store.WindowHandle());
    IniFile(Ini()).WriteString("General", "TrayIcon", "0");
    EXPECT_EQ(0, store.TrayIcon());
    IniFile(Ini()).WriteString("General", "TrayIcon", "junk");
    EXPECT_EQ(1, store.TrayIcon());
}

TEST_F(SettingsStoreTest, StartupEntryHoldsThisProgramWithTheTraySwitch) {
    SettingsStore store = Loaded();
    store.SetTrayIcon(0);
    EXPECT_FALSE(store.IsStartupEnabled());
    ASSERT_TRUE(store.EnableStartup());
    EXPECT_TRUE(store.IsStartupEnabled());
    EXPECT_EQ(1, store.TrayIcon()) << "enabling the start-up entry turns the tray icon on";

    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    char data[MAX_PATH + 32] = {};
    DWORD size = sizeof(data);
    DWORD type = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegGetValueA(location_.root, location_.runKey.c_str(), "ZEMA",
                                          RRF_RT_ANY, &type, data, &size));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ("\"" + std::string(path) + "\" -tray", std::string(data))
        << "quoted, so a blank in the path cannot start another program";
    EXPECT_EQ(strlen(data) + 1, size) << "the terminating zero is stored";

    ASSERT_TRUE(store.DisableStartup());
    EXPECT_FALSE(store.IsStartupEnabled());
    EXPECT_TRUE(store.DisableStartup()) << "disabling twice is fine";
}

TEST_F(SettingsStoreTest, BlankStartupValueCountsAsDisabledAnUnquotedOneAsOursUntilRewritten) {
    SettingsStore store = Loaded();
    SetRegString(location_.root, location_.runKey, "ZEMA", "  \t ");
    EXPECT_FALSE(store.IsStartupEnabled());
    SetRegString(location_.root, location_.runKey, "ZEMA", "C:\\Program Files\\Zemaguard\\Zema.exe -tray");
    EXPECT_TRUE(store.IsStartupEnabled());
    ASSERT_TRUE(store.EnableStartup());
    char data[MAX_PATH + 32] = {};
    DWORD size = sizeof(data);
    ASSERT_EQ(ERROR_SUCCESS, RegGetValueA(location_.root, location_.runKey.c_str(), "ZEMA",
                                          RRF_RT_REG_SZ, nullptr, data, &size));
    EXPECT_EQ('"', data[0]) << data;
    EXPECT_TRUE(store.IsStartupEnabled());
}

TEST_F(SettingsStoreTest, AboutBoxFactsComeFromTheProductKey) {
    SetRegString(location_.root, location_.productKey, "Version", "2.1.0.7");
    SetRegString(location_.root, location_.productKey, "InstallDate", "2026-01-02");
    SetRegDword(location_.root, location_.productKey, "UpdateEndTime", 1700000000);
    SettingsStore store = Loaded();
    EXPECT_EQ("2.1.0.7", store.ProductVersion());
    EXPECT_EQ("2026-01-02", store.InstallDate());
    EXPECT_EQ(1700000000u, store.UpdateEndTime());
}

}  // namespace
}  // namespace zema
