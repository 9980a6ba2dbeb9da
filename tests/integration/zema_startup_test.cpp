// Zema.exe as a process: single instance, the updater's mutex, reboot
// bookkeeping, starting the self-updater, and an unattended repair. These use
// the product's fixed registry key, registrations and mutex names, so CTest
// runs them one at a time.

#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/support/product_installation.h"
#include "win/com.h"
#include "win/unique_handle.h"
#include "zema/engine/update_engine.h"
#include "zema/core/ini_file.h"
#include "zema/core/messages.h"
#include "zema/core/settings_store.h"
#include "zema/core/system_utils.h"

namespace zema {
namespace {

using namespace testing_support;

constexpr DWORD kStartTimeoutMs = 20000;

class ZemaProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(product_.Ready());
        install_ = product_.InstallFolder();
        ini_ = IniFile(product_.ConfigIni());
        ini_.WriteInt("General", "VulnFoundAction", FOUND_ACTION_DO_NOTHING);
        zema_ = BinaryFolder() + "\\Zema.exe";
    }

    HWND ManagerWindow() const {
        return reinterpret_cast<HWND>(
            static_cast<INT_PTR>(ini_.ReadInt("General", "WindowHandle", 0)));
    }

    // Starts Zema.exe and waits until its manager window is published.
    HWND StartFirst(ChildProcess& process, const std::string& arguments) {
        EXPECT_TRUE(process.Start(zema_, arguments, install_));
        HWND hwnd = nullptr;
        PumpUntil([&] { return (hwnd = ManagerWindow()) != nullptr || !process.Running(); },
                  kStartTimeoutMs);
        EXPECT_NE(nullptr, hwnd) << "Zema.exe did not publish its manager window";
        return hwnd;
    }

    void ExitThroughMenu(ChildProcess& process, HWND hwnd) {
        PostMessageA(hwnd, WM_COMMAND, kCmdExit, 0);
        EXPECT_EQ(0, process.Wait(kStartTimeoutMs));
        EXPECT_EQ(nullptr, ManagerWindow()) << "the handle is withdrawn at exit";
    }

    win::ComInit com_;
    ProductInstallation product_;
    std::string install_;
    std::string zema_;
    IniFile ini_;
};

// A visible top-level window of the process, or null.
HWND VisibleWindowOf(DWORD processId) {
    struct Search {
        DWORD id;
        HWND found;
    } search = {processId, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner != s->id || !IsWindowVisible(hwnd)) return TRUE;
            s->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST_F(ZemaProcessTest, MainWindowOpensWhenNotStartedInTheTray) {
    ChildProcess process;
    HWND manager = StartFirst(process, "");
    ASSERT_NE(nullptr, manager);
    HWND main = nullptr;
    EXPECT_TRUE(PumpUntil([&] { return (main = VisibleWindowOf(process.Id())) != nullptr; },
                          kStartTimeoutMs));
    RECT rect = {};
    GetWindowRect(main, &rect);
    EXPECT_GT(rect.right - rect.left, 500) << "the main window, not some helper";
    ExitThroughMenu(process, manager);
}

// Records the show request that a second instance sends to the first.
struct ShowRequestProbe {
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == kMsgShowMainWindow) {
            auto* self = reinterpret_cast<ShowRequestProbe*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
            ++self->received;
            self->wParam = wParam;
            self->lParam = lParam;
            return 0;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    int received = 0;
    WPARAM wParam = 99;
    LPARAM lParam = 99;
};

TEST_F(ZemaProcessTest, SecondStartSignalsTheFirstInstanceAndEnds) {
    // This test plays the first instance: it owns the mutex and publishes a
    // window of its own.
    win::KernelHandle mutex(CreateMutexA(nullptr, TRUE, "Global\\ZEMAMutex"));
    ASSERT_TRUE(mutex);
    ASSERT_NE(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &ShowRequestProbe::Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ZemaTestFirstInstance";
    RegisterClassA(&wc);
    ShowRequestProbe probe;
    win::Window window(CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                       nullptr, wc.hInstance, nullptr));
    ASSERT_TRUE(window);
    SetWindowLongPtrA(window.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&probe));
    ini_.WriteInt("General", "WindowHandle",
                  static_cast<int>(reinterpret_cast<INT_PTR>(window.Get())));

    ChildProcess second;
    ASSERT_TRUE(second.Start(zema_, "", install_));
    int code = kStillRunning;
    PumpUntil([&] { return (code = second.Wait(0)) != kStillRunning; }, kStartTimeoutMs);
    EXPECT_EQ(-1, code);
    EXPECT_EQ(1, probe.received);
    EXPECT_EQ(0u, probe.wParam);
    EXPECT_EQ(0, probe.lParam);
}

TEST_F(ZemaProcessTest, SecondRealInstanceEndsWhileTheFirstKeepsRunning) {
    ChildProcess first;
    HWND hwnd = StartFirst(first, "-tray");
    ASSERT_NE(nullptr, hwnd);
    ChildProcess second;
    ASSERT_TRUE(second.Start(zema_, "/TRAY", install_));
    EXPECT_EQ(-1, second.Wait(kStartTimeoutMs));
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(hwnd, ManagerWindow());
    ExitThroughMenu(first, hwnd);
}

TEST_F(ZemaProcessTest, RefusesToStartWhileTheUpdaterRuns) {
    win::KernelHandle updating(CreateMutexA(nullptr, TRUE, "Global\\ZEMAUpdating"));
    ASSERT_TRUE(updating);
    ChildProcess zema;
    ASSERT_TRUE(zema.Start(zema_, "-tray", install_));
    EXPECT_EQ(-1, zema.Wait(kStartTimeoutMs));
    EXPECT_EQ(nullptr, ManagerWindow());
}

TEST_F(ZemaProcessTest, FailsQuietlyWithoutItsInstallation) {
    DeleteFileA((install_ + "\\res.xml").c_str());
    ChildProcess zema;
    ASSERT_TRUE(zema.Start(zema_, "-tray", install_));
    EXPECT_EQ(-1, zema.Wait(kStartTimeoutMs));
}

TEST_F(ZemaProcessTest, FailsQuietlyWithAMalformedSkin) {
    WriteFileBytes(install_ + "\\res.xml", "<?xml version=\"1.0\"?>\r\n<Resource><StringTable>");
    ChildProcess zema;
    ASSERT_TRUE(zema.Start(zema_, "-tray", install_));
    EXPECT_EQ(-1, zema.Wait(kStartTimeoutMs));
    EXPECT_EQ(nullptr, ManagerWindow());
}

TEST_F(ZemaProcessTest, RebootListSurvivesARestartWithoutReboot) {
    const int64_t bootTime = QueryBootTime();
    ASSERT_NE(0, bootTime);
    ini_.WriteInt64("General", "OSStartTime", bootTime);
    WriteFileBytes(install_ + "\\reboot.xml", "<UpdateList/>");
    ChildProcess zema;
    HWND hwnd = StartFirst(zema, "-tray -updated");
    ASSERT_NE(nullptr, hwnd);
    EXPECT_TRUE(PathExists(install_ + "\\reboot.xml"));
    ExitThroughMenu(zema, hwnd);
}

TEST_F(ZemaProcessTest, RebootListIsDroppedAfterTheMachineRestarted) {
    ini_.WriteInt64("General", "OSStartTime", 12345);
    WriteFileBytes(install_ + "\\reboot.xml", "<UpdateList/>");
    ChildProcess zema;
    HWND hwnd = StartFirst(zema, "-tray -updated");
    ASSERT_NE(nullptr, hwnd);
    EXPECT_FALSE(PathExists(install_ + "\\reboot.xml"));
    EXPECT_EQ(QueryBootTime(), ini_.ReadInt64("General", "OSStartTime", 0, 31));
    ExitThroughMenu(zema, hwnd);
}

// True once no process runs the file: a running image cannot be opened to write.
bool CopyIsFree(const std::string& path) {
    win::FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file);
}

TEST_F(ZemaProcessTest, StartsTheSelfUpdaterFromItsTemporaryCopy) {
    ASSERT_TRUE(CopyFileA((BinaryFolder() + "\\zg_record_args.exe").c_str(),
                          (install_ + "\\Brightwick.exe").c_str(), FALSE));
    ChildProcess zema;
    HWND hwnd = StartFirst(zema, "-tray");
    ASSERT_NE(nullptr, hwnd);
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string copy = std::string(temp) + "Tolvane\\Brightwick.exe";
    std::string record = copy + ".args.txt";
    DeleteFileA(record.c_str());

    PostMessageA(hwnd, WM_COMMAND, kCmdCheckNewVersion, 0);
    ASSERT_TRUE(PumpUntil([&] { return ReadFileBytes(record).find('\n') != std::string::npos; },
                          kStartTimeoutMs));
    EXPECT_EQ("\"" + copy + "\" -manual\n", ReadFileBytes(record));
    // Zema does not overwrite an updater copy that still runs, so the next
    // start waits until the first one has ended and its image is free.
    ASSERT_TRUE(PumpUntil([&] { return CopyIsFree(copy); }, kStartTimeoutMs));

    DeleteFileA(record.c_str());
    ini_.WriteInt("General", "AutoCheckNewVersion", 1);
    PostMessageA(hwnd, WM_TIMER, kTimerVersionCheck, 0);
    ASSERT_TRUE(PumpUntil([&] { return ReadFileBytes(record).find('\n') != std::string::npos; },
                          kStartTimeoutMs));
    EXPECT_EQ("\"" + copy + "\" -auto\n", ReadFileBytes(record));
    EXPECT_TRUE(PumpUntil([&] { return CopyIsFree(copy); }, kStartTimeoutMs));
    DeleteFileA(record.c_str());
    ExitThroughMenu(zema, hwnd);
}

// The visible tool window that the manager window owns: the notification.
HWND FindNotification(HWND manager) {
    struct Search {
        HWND manager;
        HWND found;
    } search = {manager, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            if (GetWindow(window, GW_OWNER) == s->manager && IsWindowVisible(window) &&
                (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW)) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST_F(ZemaProcessTest, TrayStartShowsTheIconAndNotifiesAfterTheTimedScan) {
    ini_.WriteInt("General", "VulnFoundAction", FOUND_ACTION_NOTIFY);
    ChildProcess zema;
    HWND hwnd = StartFirst(zema, "-tray -updated");
    ASSERT_NE(nullptr, hwnd);
    NOTIFYICONDATAA icon = {};
    icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    icon.hWnd = hwnd;
    icon.uID = 1278;
    // The shell answers a change only for an icon it shows.
    EXPECT_TRUE(PumpUntil([&] { return Shell_NotifyIconA(NIM_MODIFY, &icon) != FALSE; },
                          kStartTimeoutMs));
    EXPECT_EQ(nullptr, FindNotification(hwnd));

    // The delayed first scan, without waiting its three minutes.
    PostMessageA(hwnd, WM_TIMER, kTimerDelayedScan, 0);
    HWND notification = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (notification = FindNotification(hwnd)) != nullptr; },
                          60000));
    HWND pane = GetWindow(notification, GW_CHILD);
    ASSERT_NE(nullptr, pane);
    // The "found" kind: repair offered, no reboot.
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(pane, 1071)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(pane, 1073)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(pane, 1016)));
    ExitThroughMenu(zema, hwnd);
}

// The number of missing updates a fresh engine instance reports (its items
// are vulnerabilities; several may belong to one update).
int MissingUpdates() {
    win::ComPtr<IUpdateEngine> engine;
    if (FAILED(CoCreateInstance(CLSID_UpdateEngine, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(engine.GetAddressOf()))))
        return -1;
    win::Bstr folder(L"");
    win::ComPtr<IScanResult> scan;
    win::ComPtr<IDetectedItems> items;
    LONG count = 0;
    if (FAILED(engine->Open(folder.Get())) || FAILED(engine->Scan(scan.GetAddressOf())) ||
        FAILED(scan->get_DetectedItems(items.GetAddressOf())) || FAILED(items->get_Count(&count)))
        return -1;
    std::set<LONG> updates;
    for (LONG i = 0; i < count; ++i) {
        win::ComPtr<IDetectedItem> item;
        LONG id = 0;
        if (SUCCEEDED(items->get_Item(i, item.GetAddressOf())) && SUCCEEDED(item->get_UpdateID(&id)))
            updates.insert(id);
    }
    engine->Close();
    return static_cast<int>(updates.size());
}

TEST_F(ZemaProcessTest, TrayInstanceRepairsEverythingOnItsOwn) {
    ASSERT_EQ(3, MissingUpdates());
    ini_.WriteInt("General", "VulnFoundAction", FOUND_ACTION_REPAIR);
    ini_.WriteInt("General", "UpdateInstalledAction", INSTALLED_ACTION_DO_NOTHING);
    ChildProcess zema;
    HWND hwnd = StartFirst(zema, "-tray");
    ASSERT_NE(nullptr, hwnd);
    // The tray start scans after three minutes; the timer's message comes now.
    PostMessageA(hwnd, WM_TIMER, kTimerDelayedScan, 0);
    bool repaired = PumpUntil(
        [] {
            return ProductInstallation::MarkerSet(500102) &&
                   ProductInstallation::MarkerSet(500103) &&
                   ProductInstallation::MarkerSet(500104);
        },
        180000);
    EXPECT_TRUE(repaired);
    EXPECT_TRUE(PumpUntil([&] { return PathExists(product_.RebootXml()); }, 20000))
        << "the update that needs a reboot is remembered";
    ExitThroughMenu(zema, hwnd);
    EXPECT_EQ(0, MissingUpdates());
}

}  // namespace
}  // namespace zema
