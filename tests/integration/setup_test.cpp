// ZemaguardSetup.exe and its uninstaller, run silently as an administrator
// would: what setup lays out, registers and records; that the installed
// product starts; and that the uninstaller stops it and takes away all that
// setup added, keeping the downloads unless told otherwise. They use the
// product's fixed registry keys and COM registrations (RESOURCE_LOCK
// prefix_state) and put back what was there before.

#include <gtest/gtest.h>

#include <winternl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/netclient/peer_config.h"
#include "tests/support/test_support.h"
#include "win/com.h"
#include "win/registry.h"
#include "zema/core/messages.h"
#include "zema/core/settings_store.h"
#include "zema/engine/update_engine.h"
#include "zg_version.h"

namespace {

using namespace testing_support;

constexpr char kProductKey[] = "Software\\tolvane\\ZEMA";
constexpr char kMakerKey[] = "Software\\tolvane";
constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kArpKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zemaguard";
constexpr char kEngineClass[] = "{5B291E06-63F1-430B-BCD8-229CC4AEB411}";
constexpr char kDownloaderClass[] = "{DFC95C25-4E8D-41C3-98D7-B0E74E57CEE2}";
constexpr char kDownloaderLibrary[] = "{B104A768-AC59-4886-85EA-E2C1B3B86AC6}";
constexpr char kMarkerKey[] = "SOFTWARE\\Zemaguard Sample\\Installed";
constexpr DWORD kSetupTimeoutMs = 120000;
constexpr DWORD kZemaTimeoutMs = 20000;

std::string RegString(HKEY root, const std::string& path, const char* name) {
    win::RegKey key;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return {};
    return win::QueryRegString(key.Get(), name, 4096);
}

bool KeyExists(HKEY root, const std::string& path) {
    win::RegKey key;
    return ::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

bool ValueExists(HKEY root, const std::string& path, const char* name) {
    return ::RegGetValueA(root, path.c_str(), name, RRF_RT_ANY, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

// Every file under a folder, as paths relative to it.
void ListFiles(const std::string& root, const std::string& relative, std::set<std::string>& out) {
    WIN32_FIND_DATAA data;
    const std::string folder = relative.empty() ? root : root + "\\" + relative;
    win::FindHandle find(::FindFirstFileA((folder + "\\*").c_str(), &data));
    if (!find) return;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = relative.empty() ? name : relative + "\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListFiles(root, path, out);
        else
            out.insert(path);
    } while (::FindNextFileA(find.Get(), &data));
}

// Takes a server's registration away for the test and gives it back after,
// from the library it named then.
class RegistrationSnapshot {
public:
    RegistrationSnapshot(const char* clsid, const std::string& builtDll)
        : server_(RegString(HKEY_CLASSES_ROOT, std::string("CLSID\\") + clsid + "\\InprocServer32",
                            nullptr)),
          builtDll_(builtDll) {
        if (!server_.empty()) CallServerEntry(builtDll_, "DllUnregisterServer");
    }
    ~RegistrationSnapshot() {
        if (server_.empty()) return;
        CallServerEntry(PathExists(server_) ? server_ : builtDll_, "DllRegisterServer");
    }

private:
    std::string server_;
    std::string builtDll_;
};

// Creates both servers' objects in an apartment of its own, which is gone
// (and the libraries with it) when this returns, so the uninstaller can
// delete them.
bool ServersCreatable() {
    bool ok = false;
    std::thread([&ok] {
        if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return;
        ok = true;
        for (const char* text : {kEngineClass, kDownloaderClass}) {
            CLSID clsid;
            std::wstring wide(text, text + strlen(text));
            IUnknown* object = nullptr;
            if (FAILED(::CLSIDFromString(wide.c_str(), &clsid)) ||
                FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                          reinterpret_cast<void**>(&object))))
                ok = false;
            if (object) object->Release();
        }
        ::CoUninitialize();
    }).join();
    return ok;
}

class SetupTest : public ::testing::Test {
protected:
    SetupTest()
        : product_(HKEY_LOCAL_MACHINE, kProductKey),
          run_(HKEY_LOCAL_MACHINE, kRunKey),
          arp_(HKEY_LOCAL_MACHINE, kArpKey),
          engine_(kEngineClass, BinaryFolder() + "\\UpdateEngine.dll"),
          downloader_(kDownloaderClass, BinaryFolder() + "\\QOR.dll") {
        // A machine without the product: no key, no start-up entry.
        ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kProductKey);
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey);
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kMakerKey);
        ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kArpKey);
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kArpKey);
        win::RegKey run;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_ALL_ACCESS, run.Put()) ==
            ERROR_SUCCESS)
            ::RegDeleteValueA(run.Get(), "ZEMA");
        char temp[MAX_PATH + 1] = {};
        ::GetTempPathA(MAX_PATH, temp);
        tolvane_ = std::string(temp) + "Tolvane";
        hadTolvane_ = PathExists(tolvane_);
        // The definitions' machine-wide folder, set aside while setup owns it.
        char data[MAX_PATH + 1] = {};
        DWORD n = ::GetEnvironmentVariableA("ProgramData", data, MAX_PATH);
        dataFolder_ = std::string(data, n) + "\\Zemaguard";
        vdf_ = dataFolder_ + "\\VDF";
        if (PathExists(dataFolder_))
            movedData_ = ::MoveFileA(dataFolder_.c_str(), folder_.File("data").c_str()) != FALSE;
        // Blanks, as under Program Files.
        install_ = folder_.File("Zema guard");
    }

    ~SetupTest() override {
        RemovePath(install_);
        if (hadTolvane_) ::CreateDirectoryA(tolvane_.c_str(), nullptr);
        RemovePath(dataFolder_);
        if (movedData_) ::MoveFileA(folder_.File("data").c_str(), dataFolder_.c_str());
    }

    int RunSetup(const std::string& options) {
        ChildProcess setup;
        if (!setup.Start(BinaryFolder() + "\\ZemaguardSetup.exe", options + " /D=" + install_))
            return -1;
        return setup.Wait(kSetupTimeoutMs);
    }

    // As the uninstaller does for itself: a copy outside the install folder,
    // so that the one inside can be deleted, told where the product is.
    int RunUninstaller(const std::string& options) {
        const std::string copy = folder_.File("Un.exe");
        if (!::CopyFileA((install_ + "\\Uninstall.exe").c_str(), copy.c_str(), FALSE)) return -1;
        ChildProcess uninstaller;
        std::string arguments = "/S " + options;
        if (!uninstaller.Start(copy, arguments + " _?=" + install_)) return -1;
        int code = uninstaller.Wait(kSetupTimeoutMs);
        ::DeleteFileA(copy.c_str());
        return code;
    }

    HWND ManagerWindow() const {
        return reinterpret_cast<HWND>(static_cast<INT_PTR>(::GetPrivateProfileIntA(
            "General", "WindowHandle", 0, (install_ + "\\config.ini").c_str())));
    }

    HWND StartZema(ChildProcess& zema) {
        EXPECT_TRUE(zema.Start(install_ + "\\Zema.exe", "-tray", install_));
        HWND hwnd = nullptr;
        PumpUntil([&] { return (hwnd = ManagerWindow()) != nullptr || !zema.Running(); },
                  kZemaTimeoutMs);
        return hwnd;
    }

    // Nothing of ours in the registry: product key, start-up entry, Add/Remove
    // Programs entry, COM classes and type library.
    void ExpectNoRegistrationLeft() {
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kMakerKey));
        EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kRunKey, "ZEMA"));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kArpKey));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kEngineClass));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kDownloaderClass));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("TypeLib\\") + kDownloaderLibrary));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "QOR.QORDownloader"));
    }

    TempFolder folder_;
    RegistryKeySnapshot product_;
    RegistryKeySnapshot run_;
    RegistryKeySnapshot arp_;
    RegistrationSnapshot engine_;
    RegistrationSnapshot downloader_;
    std::string install_;
    std::string tolvane_;
    bool hadTolvane_ = false;
    std::string dataFolder_;
    std::string vdf_;
    bool movedData_ = false;
};

TEST_F(SetupTest, InstallsTheProductAndTheUninstallerTakesItAwayKeepingDownloads) {
    ASSERT_EQ(0, RunSetup("/S"));

    // The files, the definitions exactly as built.
    std::set<std::string> files;
    ListFiles(install_, "", files);
    for (const char* name : {"Zema.exe", "QOR.dll", "UpdateEngine.dll", "res.xml",
                             "config.ini", "Uninstall.exe"})
        EXPECT_EQ(1u, files.count(name)) << name;
    if (PathExists(BinaryFolder() + "\\Brightwick.exe")) {
        EXPECT_EQ(1u, files.count("Brightwick.exe"));
    }
    std::set<std::string> definitions;
    ListFiles(BinaryFolder() + "\\sample", "", definitions);
    ASSERT_FALSE(definitions.empty());
    for (const std::string& name : definitions)
        EXPECT_EQ(ReadFileBytes(BinaryFolder() + "\\sample\\" + name),
                  ReadFileBytes(vdf_ + "\\" + name))
            << name;
    EXPECT_EQ(ReadFileBytes(BinaryFolder() + "\\Zema.exe"), ReadFileBytes(install_ + "\\Zema.exe"));
    EXPECT_EQ(1, ::GetPrivateProfileIntA("General", "TrayIcon", 0,
                                         (install_ + "\\config.ini").c_str()));

    // The product key, the start-up entry and the Add/Remove Programs entry.
    EXPECT_EQ(Lower(install_), Lower(RegString(HKEY_LOCAL_MACHINE, kProductKey, "InstallPath")));
    EXPECT_EQ(Lower(vdf_), Lower(RegString(HKEY_LOCAL_MACHINE, kProductKey, "VDFPath")));
    EXPECT_EQ(ZG_VERSION_TEXT, RegString(HKEY_LOCAL_MACHINE, kProductKey, "Version"));
    // The build's key, as the self-updater reads it (a string of 128 hex digits).
    DWORD keyType = 0;
    EXPECT_EQ(ERROR_SUCCESS, ::RegGetValueA(HKEY_LOCAL_MACHINE, kProductKey, "ReleaseKey",
                                            RRF_RT_ANY, &keyType, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), keyType);
    std::string releaseKey = RegString(HKEY_LOCAL_MACHINE, kProductKey, "ReleaseKey");
    EXPECT_EQ(ZG_RELEASE_KEY_TEXT, releaseKey);
    EXPECT_EQ(128u, releaseKey.size());
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    char today[16];
    snprintf(today, sizeof(today), "%02u/%02u/%04u", now.wMonth, now.wDay, now.wYear);
    EXPECT_EQ(today, RegString(HKEY_LOCAL_MACHINE, kProductKey, "InstallDate"));
    EXPECT_EQ(Lower("\"" + install_ + "\\Zema.exe\" -tray"),
              Lower(RegString(HKEY_LOCAL_MACHINE, kRunKey, "ZEMA")));
    EXPECT_EQ("Zemaguard", RegString(HKEY_LOCAL_MACHINE, kArpKey, "DisplayName"));
    EXPECT_EQ(ZG_VERSION_TEXT, RegString(HKEY_LOCAL_MACHINE, kArpKey, "DisplayVersion"));
    EXPECT_FALSE(RegString(HKEY_LOCAL_MACHINE, kArpKey, "Publisher").empty());
    EXPECT_EQ(Lower(install_), Lower(RegString(HKEY_LOCAL_MACHINE, kArpKey, "InstallLocation")));
    EXPECT_EQ(Lower("\"" + install_ + "\\Uninstall.exe\" /S"),
              Lower(RegString(HKEY_LOCAL_MACHINE, kArpKey, "QuietUninstallString")));
    EXPECT_EQ(Lower("\"" + install_ + "\\Uninstall.exe\""),
              Lower(RegString(HKEY_LOCAL_MACHINE, kArpKey, "UninstallString")));
    DWORD sizeKb = 0;
    DWORD sizeBytes = sizeof(sizeKb);
    EXPECT_EQ(ERROR_SUCCESS, ::RegGetValueA(HKEY_LOCAL_MACHINE, kArpKey, "EstimatedSize",
                                            RRF_RT_REG_DWORD, nullptr, &sizeKb, &sizeBytes));
    const size_t programBytes = ReadFileBytes(install_ + "\\Zema.exe").size() +
                                ReadFileBytes(install_ + "\\QOR.dll").size();
    EXPECT_GE(static_cast<size_t>(sizeKb) * 1024, programBytes);

    // The servers are registered from the install folder and work.
    EXPECT_EQ(Lower(install_ + "\\QOR.dll"),
              Lower(RegString(HKEY_CLASSES_ROOT,
                              std::string("CLSID\\") + kDownloaderClass + "\\InprocServer32",
                              nullptr)));
    EXPECT_EQ(Lower(install_ + "\\UpdateEngine.dll"),
              Lower(RegString(HKEY_CLASSES_ROOT,
                              std::string("CLSID\\") + kEngineClass + "\\InprocServer32", nullptr)));
    EXPECT_TRUE(ServersCreatable());

    // The installed program starts on what setup laid out and ends through
    // its exit command.
    {
        ChildProcess zema;
        HWND hwnd = StartZema(zema);
        ASSERT_NE(nullptr, hwnd) << "the installed Zema.exe did not start";
        ::PostMessageA(hwnd, WM_COMMAND, zema::kCmdExit, 0);
        EXPECT_EQ(0, zema.Wait(kZemaTimeoutMs));
    }

    // A downloaded package and an unfinished download stay with the user.
    ::CreateDirectoryA((install_ + "\\Hotfix").c_str(), nullptr);
    WriteFileBytes(install_ + "\\Hotfix\\zg-kb500101.exe", "package");
    WriteFileBytes(install_ + "\\Hotfix\\zg-kb500102.exe.qor", "partial");
    WriteFileBytes(install_ + "\\reboot.xml", "<UpdateList/>");

    // Uninstalling while Zema runs asks it to end; it ends with its own
    // exit code, not killed.
    ChildProcess zema;
    ASSERT_NE(nullptr, StartZema(zema));
    ASSERT_EQ(0, RunUninstaller(""));
    EXPECT_EQ(0, zema.Wait(kZemaTimeoutMs));

    files.clear();
    ListFiles(install_, "", files);
    EXPECT_EQ((std::set<std::string>{"Hotfix\\zg-kb500101.exe", "Hotfix\\zg-kb500102.exe.qor"}),
              files);
    EXPECT_FALSE(PathExists(dataFolder_));
    ExpectNoRegistrationLeft();
}

TEST_F(SetupTest, WithoutStartupEntryAndUninstallAskedToRemoveDownloads) {
    // An earlier entry goes when setup runs again without it.
    SetRegString(HKEY_LOCAL_MACHINE, kRunKey, "ZEMA", "\"C:\\old\\Zema.exe\" -tray");
    ASSERT_EQ(0, RunSetup("/S /NOSTARTUP"));
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kRunKey, "ZEMA"));
    ASSERT_TRUE(PathExists(install_ + "\\Zema.exe"));

    // Setup run again over the running product ends it first, and keeps
    // the user's settings.
    ::WritePrivateProfileStringA("General", "VulnFoundAction", "3",
                                 (install_ + "\\config.ini").c_str());
    ChildProcess zema;
    ASSERT_NE(nullptr, StartZema(zema));
    ASSERT_EQ(0, RunSetup("/S /NOSTARTUP"));
    EXPECT_EQ(0, zema.Wait(kZemaTimeoutMs));
    EXPECT_EQ(3, ::GetPrivateProfileIntA("General", "VulnFoundAction", 0,
                                         (install_ + "\\config.ini").c_str()));

    ::CreateDirectoryA((install_ + "\\Hotfix").c_str(), nullptr);
    WriteFileBytes(install_ + "\\Hotfix\\zg-kb500101.exe", "package");
    ASSERT_EQ(0, RunUninstaller("/REMOVEDOWNLOADS"));
    EXPECT_FALSE(PathExists(install_));
    EXPECT_FALSE(PathExists(dataFolder_));
    ExpectNoRegistrationLeft();
}

// The installed product left to itself, as an unattended machine runs it:
// the catalog names an official server that has none of the packages, the
// settings name a flat mirror on the test nginx that has them all.
class InstalledProductTest : public SetupTest {
protected:
    InstalledProductTest() : markers_(HKEY_LOCAL_MACHINE, kMarkerKey) {
        markers_.DeleteAllValues();
    }

    ~InstalledProductTest() override {
        // Whatever a test left installed goes the way users remove it, so
        // no registration points into the removed folder afterwards.
        if (PathExists(install_ + "\\Uninstall.exe")) RunUninstaller("/REMOVEDOWNLOADS");
        RemovePath(mirror_);
        RemovePath(official_);
    }

    void SetUp() override {
        std::string error;
        ASSERT_TRUE(peers_.Load(error)) << error;
        port_ = std::to_string(peers_.Port("nginx"));
        mirror_ = peers_.DocumentPath("e2e-mirror");
        official_ = peers_.DocumentPath("e2e-official");
        ASSERT_TRUE(::CreateDirectoryA(mirror_.c_str(), nullptr));
        ASSERT_TRUE(::CreateDirectoryA(official_.c_str(), nullptr));
    }

    std::string Package(int id) const {
        return "zg-kb" + std::to_string(id) + ".exe";
    }

    // Points the installed catalog at the official server and lets Zema
    // repair on its own, never rebooting.
    void UseOfficialServer() {
        const std::string catalogPath = vdf_ + "\\catalog.xml";
        std::string catalog = ReadFileBytes(catalogPath);
        ASSERT_FALSE(catalog.empty());
        const std::string local = "DownloadURL=\"packages\\";
        for (size_t at; (at = catalog.find(local)) != std::string::npos;)
            catalog.replace(at, local.size(),
                            "DownloadURL=\"http://127.0.0.1:" + port_ + "/e2e-official/");
        WriteFileBytes(catalogPath, catalog);
        const std::string ini = install_ + "\\config.ini";
        ::WritePrivateProfileStringA("General", "VulnFoundAction", "3", ini.c_str());
        ::WritePrivateProfileStringA("General", "UpdateInstalledAction", "0", ini.c_str());
        ::WritePrivateProfileStringA("General", "AutoCheckNewVersion", "0", ini.c_str());
    }

    // Puts every missing update's package into a folder that nginx serves.
    void Publish(const std::string& folder) {
        for (int id : {500102, 500103, 500104})
            ASSERT_TRUE(::CopyFileA((BinaryFolder() + "\\sample\\packages\\" + Package(id)).c_str(),
                                    (folder + "\\" + Package(id)).c_str(), FALSE));
    }

    // The official server has none of the packages; a flat mirror has all.
    void ServeFromMirror() {
        UseOfficialServer();
        Publish(mirror_);
        const std::string ini = install_ + "\\config.ini";
        ::WritePrivateProfileStringA("Download", "UpdatesLocationType", "1", ini.c_str());
        ::WritePrivateProfileStringA("Download", "DownloadDIRStruct", "0", ini.c_str());
        ::WritePrivateProfileStringA("Download", "UpdatesServer",
                                     ("http://127.0.0.1:" + port_ + "/e2e-mirror/").c_str(),
                                     ini.c_str());
    }

    // Starts the installed Zema, brings its delayed scan forward and waits
    // until it has repaired everything and ended through its exit command.
    void RepairUnattended() {
        ChildProcess zema;
        HWND hwnd = StartZema(zema);
        ASSERT_NE(nullptr, hwnd) << "the installed Zema.exe did not start";
        ::PostMessageA(hwnd, WM_TIMER, zema::kTimerDelayedScan, 0);
        EXPECT_TRUE(PumpUntil([] { return AllMarkersSet(); }, 180000))
            << "not every missing update was downloaded and installed";
        EXPECT_TRUE(PumpUntil([&] { return PathExists(install_ + "\\reboot.xml"); }, 20000))
            << "the update that needs a reboot is remembered";
        ::PostMessageA(hwnd, WM_COMMAND, zema::kCmdExit, 0);
        EXPECT_EQ(0, zema.Wait(kZemaTimeoutMs));
    }

    // Exactly the served bytes were saved.
    void ExpectSavedFrom(const std::string& folder) {
        for (int id : {500102, 500103, 500104})
            EXPECT_TRUE(ReadFileBytes(folder + "\\" + Package(id)) ==
                        ReadFileBytes(install_ + "\\Hotfix\\" + Package(id)))
                << Package(id) << " differs from the served one";
    }

    static bool AllMarkersSet() {
        for (int id : {500102, 500103, 500104}) {
            char name[32];
            snprintf(name, sizeof(name), "KB%d", id);
            DWORD value = 0;
            DWORD size = sizeof(value);
            if (::RegGetValueA(HKEY_LOCAL_MACHINE, kMarkerKey, name, RRF_RT_REG_DWORD, nullptr,
                               &value, &size) != ERROR_SUCCESS ||
                value != 1)
                return false;
        }
        return true;
    }

    RegistryKeySnapshot markers_;
    netclient_tests::PeerConfig peers_;
    std::string port_;
    std::string mirror_;
    std::string official_;
};

// The updates a fresh instance of the installed engine still finds missing,
// or -1. In an apartment of its own, gone when this returns, so the
// uninstaller can delete the library afterwards.
int MissingUpdates() {
    int missing = -1;
    std::thread([&missing] {
        if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return;
        {
            win::ComPtr<IUpdateEngine> engine;
            win::Bstr folder(L"");
            win::ComPtr<IScanResult> scan;
            win::ComPtr<IDetectedItems> items;
            LONG count = 0;
            if (SUCCEEDED(::CoCreateInstance(CLSID_UpdateEngine, nullptr, CLSCTX_INPROC_SERVER,
                                             IID_PPV_ARGS(engine.GetAddressOf()))) &&
                SUCCEEDED(engine->Open(folder.Get())) &&
                SUCCEEDED(engine->Scan(scan.GetAddressOf())) &&
                SUCCEEDED(scan->get_DetectedItems(items.GetAddressOf())) &&
                SUCCEEDED(items->get_Count(&count))) {
                std::set<LONG> updates;
                for (LONG i = 0; i < count; ++i) {
                    win::ComPtr<IDetectedItem> item;
                    LONG id = 0;
                    if (SUCCEEDED(items->get_Item(i, item.GetAddressOf())) &&
                        SUCCEEDED(item->get_UpdateID(&id)))
                        updates.insert(id);
                }
                missing = static_cast<int>(updates.size());
            }
            if (engine) engine->Close();
        }
        ::CoUninitialize();
    }).join();
    return missing;
}

TEST_F(InstalledProductTest, RepairsFromTheMirrorOnItsOwnThenRescansCleanAndUninstalls) {
    ASSERT_EQ(0, RunSetup("/S /NOSTARTUP"));
    ServeFromMirror();
    ASSERT_EQ(3, MissingUpdates());
    RepairUnattended();
    ExpectSavedFrom(mirror_);
    EXPECT_EQ(0, MissingUpdates()) << "a rescan still finds updates missing";

    // The uninstaller keeps the downloads and takes everything else.
    ASSERT_EQ(0, RunUninstaller(""));
    std::set<std::string> files;
    ListFiles(install_, "", files);
    std::set<std::string> expected;
    for (int id : {500102, 500103, 500104}) expected.insert("Hotfix\\" + Package(id));
    EXPECT_EQ(expected, files);
    ExpectNoRegistrationLeft();
}

TEST_F(InstalledProductTest, DownloadsThroughAProxyThatAsksForBasicCredentials) {
    ASSERT_EQ(0, RunSetup("/S /NOSTARTUP"));
    UseOfficialServer();
    Publish(official_);
    // As the options dialog saves them: the password protected, not plain.
    {
        zema::SettingsStore settings;
        ASSERT_TRUE(settings.Load());
        zema::NetworkGroup http;
        http.connectMode = zema::CONNECT_PROXY;
        http.proxyServerType = 3;  // HTTP proxy
        http.proxyServerIP = "127.0.0.1";
        http.proxyServerPort = peers_.Port("squid_basic");
        http.proxyServerAuth = 1;
        http.proxyServerAuthUserName = "proxyuser";
        http.proxyServerAuthPassword = "proxypass";
        settings.SetHttpNetwork(http, true);
    }
    char stored[256] = {};
    ::GetPrivateProfileStringA("NetWorkHTTP", "ProxyServerAuthPassword", "", stored,
                               sizeof(stored), (install_ + "\\config.ini").c_str());
    ASSERT_NE(std::string(), stored);
    ASSERT_EQ(std::string::npos, std::string(stored).find("proxypass"));

    // The proxy's log outlives a test; only what this one adds counts.
    const std::string logPath = peers_.DocumentPath("..\\squid\\access.log");
    const size_t logStart = ReadFileBytes(logPath).size();

    RepairUnattended();
    ExpectSavedFrom(official_);
    // Each package went through the proxy, signed in (the proxy logs a
    // moment after it answers).
    auto throughProxy = [&](int id) {
        const std::string log = ReadFileBytes(logPath);
        for (size_t at = logStart, end; at < log.size(); at = end + 1) {
            end = log.find('\n', at);
            if (end == std::string::npos) end = log.size();
            const std::string line = log.substr(at, end - at);
            if (line.find("/e2e-official/" + Package(id)) != std::string::npos &&
                line.find(" proxyuser ") != std::string::npos &&
                line.find("_MISS/20") != std::string::npos)  // 200 or 206
                return true;
        }
        return false;
    };
    PumpUntil([&] { return throughProxy(500102) && throughProxy(500103) && throughProxy(500104); },
              10000);
    for (int id : {500102, 500103, 500104})
        EXPECT_TRUE(throughProxy(id)) << Package(id) << " was not fetched through the proxy";
    EXPECT_EQ(0, MissingUpdates());
}

TEST_F(InstalledProductTest, APackageTheMirrorLacksComesFromTheOfficialServer) {
    ASSERT_EQ(0, RunSetup("/S /NOSTARTUP"));
    ServeFromMirror();
    ::WritePrivateProfileStringA("Download", "MaxRetryTimes", "0",
                                 (install_ + "\\config.ini").c_str());
    ASSERT_TRUE(::MoveFileA((mirror_ + "\\" + Package(500103)).c_str(),
                            (official_ + "\\" + Package(500103)).c_str()));
    RepairUnattended();
    for (int id : {500102, 500104})
        EXPECT_TRUE(ReadFileBytes(mirror_ + "\\" + Package(id)) ==
                    ReadFileBytes(install_ + "\\Hotfix\\" + Package(id)))
            << Package(id);
    EXPECT_TRUE(ReadFileBytes(official_ + "\\" + Package(500103)) ==
                ReadFileBytes(install_ + "\\Hotfix\\" + Package(500103)));
    EXPECT_EQ(0, MissingUpdates());
}

#ifdef ZG_VERSION_B_TEXT
// The installed product upgrading itself: the installed Zema's own check
// starts the installed updater against the test nginx serving version B
// (bin/upgrade-b, made by the build with the release tool).
class SelfUpgradeTest : public InstalledProductTest {
protected:
    ~SelfUpgradeTest() override {
        // The updater and a restarted Zema are not our children.
        PumpUntil([] { return !UpdaterRunning(); }, 30000);
        RemovePath(served_);
    }

    std::string ReleaseFile(const std::string& name) const {
        return BinaryFolder() + "\\upgrade-b\\files\\" + name;
    }

    // Publishes one of B's releases ("signed" with the key setup trusts, or
    // "foreign") as the installed product's upgrade server, and lets the
    // updater upgrade as soon as it finds B.
    void ServeUpgrade(const std::string& release) {
        served_ = peers_.DocumentPath("e2e-upgrade");
        ::CreateDirectoryA(served_.c_str(), nullptr);
        const std::string from = BinaryFolder() + "\\upgrade-b\\" + release;
        const std::string to = served_ + "\\" + release;
        ASSERT_TRUE(::CreateDirectoryA(to.c_str(), nullptr));
        std::set<std::string> files;
        ListFiles(from, "", files);
        ASSERT_FALSE(files.empty());
        for (const std::string& name : files)
            ASSERT_TRUE(::CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), FALSE))
                << name;
        ASSERT_TRUE(SetRegString(HKEY_LOCAL_MACHINE, kProductKey, "UpgradeServer",
                                 "127.0.0.1:" + port_ + "/up/e2e/" + release + "/" +
                                     ZG_VERSION_B_TEXT));
        const std::string ini = install_ + "\\config.ini";
        ::WritePrivateProfileStringA("General", "VulnFoundAction", "0", ini.c_str());
        ::WritePrivateProfileStringA("General", "AutoCheckNewVersion", "0", ini.c_str());
        ::WritePrivateProfileStringA("General", "NewVersionCheckedAction", "1", ini.c_str());
    }

    static bool MutexExists(const char* name) {
        win::KernelHandle mutex(::OpenMutexA(SYNCHRONIZE, FALSE, name));
        return static_cast<bool>(mutex);
    }
    static bool UpdaterRunning() { return MutexExists("Global\\ZEMABrightwick"); }

    // Asks the running Zema to check for a new version, as its menu does,
    // and waits until the updater it starts has begun.
    void CheckForNewVersion(HWND manager) {
        ASSERT_TRUE(::PostMessageA(manager, WM_COMMAND, zema::kCmdCheckNewVersion, 0));
        ASSERT_TRUE(PumpUntil([] { return UpdaterRunning(); }, 30000))
            << "Zema did not start the updater; " << UpdaterCopyState();
    }

    // What a failed start leaves to see: the updater's copy and who runs what.
    std::string UpdaterCopyState() const {
        const std::string copy = tolvane_ + "\\Brightwick.exe";
        std::string state = "the copy ";
        if (!PathExists(copy)) {
            state += "is missing";
        } else {
            state += ReadFileBytes(copy) == ReadFileBytes(install_ + "\\Brightwick.exe")
                         ? "is the installed updater"
                         : "differs from the installed updater";
            win::FileHandle file(::CreateFileA(copy.c_str(), GENERIC_WRITE, 0, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            state += file ? " and is free"
                          : " and is in use (" + std::to_string(::GetLastError()) + ")";
        }
        state += "; running:";
        win::FileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        PROCESSENTRY32 entry = {};
        entry.dwSize = sizeof(entry);
        if (snapshot && ::Process32First(snapshot.Get(), &entry)) {
            do {
                state += std::string(" ") + entry.szExeFile + "(" +
                         std::to_string(entry.th32ProcessID) + ")";
            } while (::Process32Next(snapshot.Get(), &entry));
        }
        return state;
    }

    // What the access log of the test nginx gained for this release since `from`.
    std::string ServedRequests(size_t from) const {
        const std::string log = ReadFileBytes(peers_.DocumentPath("..\\nginx\\access.log"));
        return from < log.size() ? log.substr(from) : std::string();
    }
    size_t AccessLogSize() const {
        return ReadFileBytes(peers_.DocumentPath("..\\nginx\\access.log")).size();
    }

    std::string served_;
};

// The command line a process was started with, read from its own process
// parameters: the one way every Windows version (and Wine) answers.
std::string CommandLineOf(HANDLE process) {
    using QueryInformation = LONG(NTAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
    auto query = reinterpret_cast<QueryInformation>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic = {};
    PEB peb = {};
    RTL_USER_PROCESS_PARAMETERS parameters = {};
    if (!query || query(process, ProcessBasicInformation, &basic, sizeof(basic), nullptr) < 0 ||
        !::ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof(peb), nullptr) ||
        !::ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof(parameters),
                             nullptr))
        return {};
    std::wstring text(parameters.CommandLine.Length / sizeof(WCHAR), L'\0');
    if (!::ReadProcessMemory(process, parameters.CommandLine.Buffer, text.data(),
                             parameters.CommandLine.Length, nullptr))
        return {};
    return std::string(text.begin(), text.end());
}

TEST_F(SelfUpgradeTest, UpgradesTheInstalledProductAndRestartsIt) {
    ASSERT_EQ(0, RunSetup("/S /NOSTARTUP"));
    ServeUpgrade("signed");
    // B really differs where it should, so equal bytes below mean replaced.
    ASSERT_NE(ReadFileBytes(install_ + "\\Zema.exe"), ReadFileBytes(ReleaseFile("Zema.exe")));
    ASSERT_NE(ReadFileBytes(install_ + "\\Brightwick.exe"),
              ReadFileBytes(ReleaseFile("Brightwick.exe")));

    ChildProcess zema;
    HWND before = StartZema(zema);
    ASSERT_NE(nullptr, before) << "the installed Zema.exe did not start";
    CheckForNewVersion(before);
    EXPECT_TRUE(PumpUntil([] { return RegString(HKEY_LOCAL_MACHINE, kProductKey, "Version") ==
                                      ZG_VERSION_B_TEXT; },
                          120000))
        << "Version is still " << RegString(HKEY_LOCAL_MACHINE, kProductKey, "Version");
    EXPECT_NE(kStillRunning, zema.Wait(kZemaTimeoutMs)) << "the updater did not stop Zema";

    for (const char* name : {"Zema.exe", "Brightwick.exe", "QOR.dll"})
        EXPECT_TRUE(ReadFileBytes(install_ + "\\" + name) == ReadFileBytes(ReleaseFile(name)))
            << name << " is not B's";

    // The updater started the installed Zema again, telling it so.
    HWND after = nullptr;
    EXPECT_TRUE(PumpUntil([&] {
        after = ManagerWindow();
        return after && after != before && ::IsWindow(after);
    }, kZemaTimeoutMs)) << "Zema was not started again";
    ASSERT_NE(nullptr, after);
    DWORD id = 0;
    ::GetWindowThreadProcessId(after, &id);
    win::KernelHandle restarted(
        ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, id));
    ASSERT_TRUE(restarted);
    char image[MAX_PATH + 1] = {};
    DWORD imageSize = MAX_PATH;
    ASSERT_TRUE(::QueryFullProcessImageNameA(restarted.Get(), 0, image, &imageSize));
    EXPECT_EQ(Lower(install_ + "\\Zema.exe"), Lower(image));
    EXPECT_NE(std::string::npos, Lower(CommandLineOf(restarted.Get())).find("-updated"))
        << CommandLineOf(restarted.Get());

    // The updater closes its dialog by itself; then the uninstaller stops the
    // restarted Zema and leaves nothing of ours.
    ASSERT_TRUE(PumpUntil([] { return !UpdaterRunning(); }, 30000));
    ASSERT_EQ(0, RunUninstaller(""));
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(restarted.Get(), kZemaTimeoutMs));
    std::set<std::string> files;
    ListFiles(install_, "", files);
    EXPECT_EQ(std::set<std::string>(), files);
    EXPECT_FALSE(PathExists(tolvane_));
    EXPECT_FALSE(PathExists(dataFolder_));
    ExpectNoRegistrationLeft();
}

TEST_F(SelfUpgradeTest, ReleaseSignedWithAnotherKeyChangesNothing) {
    ASSERT_EQ(0, RunSetup("/S /NOSTARTUP"));
    ServeUpgrade("foreign");
    std::map<std::string, std::string> installed;
    for (const char* name : {"Zema.exe", "Brightwick.exe", "QOR.dll"})
        installed[name] = ReadFileBytes(install_ + "\\" + name);

    ChildProcess zema;
    HWND manager = StartZema(zema);
    ASSERT_NE(nullptr, manager) << "the installed Zema.exe did not start";
    const size_t logStart = AccessLogSize();
    CheckForNewVersion(manager);
    ASSERT_TRUE(PumpUntil([] { return !UpdaterRunning(); }, 60000)) << "the updater did not end";

    // It got as far as the list, and fetched no package on its word.
    PumpUntil([&] { return ServedRequests(logStart).find("/e2e-upgrade/foreign/filelist.xml.cpr") !=
                           std::string::npos; }, 5000);
    const std::string requests = ServedRequests(logStart);
    EXPECT_NE(std::string::npos, requests.find("/e2e-upgrade/foreign/filelist.xml.cpr")) << requests;
    EXPECT_EQ(std::string::npos, requests.find("/e2e-upgrade/foreign/Zema.exe.cpr")) << requests;

    for (const auto& [name, bytes] : installed)
        EXPECT_TRUE(ReadFileBytes(install_ + "\\" + name) == bytes) << name << " was changed";
    EXPECT_EQ(ZG_VERSION_TEXT, RegString(HKEY_LOCAL_MACHINE, kProductKey, "Version"));
    EXPECT_TRUE(zema.Running());
    EXPECT_EQ(manager, ManagerWindow());

    ::PostMessageA(manager, WM_COMMAND, zema::kCmdExit, 0);
    EXPECT_EQ(0, zema.Wait(kZemaTimeoutMs));
}
#endif  // ZG_VERSION_B_TEXT

}  // namespace
