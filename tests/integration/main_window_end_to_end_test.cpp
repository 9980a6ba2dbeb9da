// The main window with the real engine session, downloader and stand-in
// engine: the manager opens it, a scan fills it, Repair walks every row
// through download and installation, all shown in the list.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "tests/support/product_installation.h"
#include "win/com.h"
#include "zema/core/brightwick_launcher.h"
#include "zema/core/engine_session.h"
#include "zema/core/ini_file.h"
#include "zema/core/manager_window.h"
#include "zema/core/settings_store.h"
#include "zema/ui/models/status_cell.h"
#include "zema/ui/toolkit/skin_resources.h"
#include "zema/ui/windows/main_window.h"
#include "zema/ui/windows/window_host.h"

namespace zema {
namespace {

using namespace testing_support;

constexpr DWORD kScanTimeoutMs = 60000;
constexpr DWORD kWorkTimeoutMs = 120000;

class NoLauncher : public BrightwickLauncher {
public:
    bool Start(const std::string&) override { return true; }
};

// What each row of the list showed, status by status.
class RowWatcher : public SessionListener {
public:
    explicit RowWatcher(UpdateTreeList& list) : list_(list) {}
    void OnUpdateChanged(UpdateRecord* record) override {
        for (int row = 0; row < list_.RowCount(); ++row) {
            const TreeNode* node = list_.NodeAt(row);
            if (reinterpret_cast<UpdateRecord*>(node->value) != record) continue;
            auto& seen = shown[record->id];
            std::string text = list_.GetText(node, kColumnStatus);
            if (seen.empty() || seen.back() != text) seen.push_back(text);
        }
    }
    void OnScanStarted(HWND) override {}
    void OnScanCompleted(HWND, int) override { ++scans; }

    std::map<int32_t, std::vector<std::string>> shown;
    int scans = 0;

private:
    UpdateTreeList& list_;
};

TEST(MainWindowEndToEnd, ScanFillsTheListAndRepairWalksEveryRowToInstalled) {
    win::ComInit com;
    ProductInstallation product;
    ASSERT_TRUE(product.Ready());
    IniFile ini(product.ConfigIni());
    ini.WriteInt("General", "VulnFoundAction", FOUND_ACTION_DO_NOTHING);
    ini.WriteInt("General", "UpdateInstalledAction", INSTALLED_ACTION_DO_NOTHING);
    SkinResources skin;
    ASSERT_TRUE(skin.Load(BinaryFolder() + "\\..\\skin\\res.xml"));
    SettingsStore settings;
    ASSERT_TRUE(settings.Load());
    EngineSession session(settings);
    ASSERT_TRUE(session.Connect());
    NoLauncher launcher;
    {
        // The prefix is never rebooted by a test.
        ZemaWindowHost windows(settings, session, skin, [](UINT) {});
        ManagerWindowParts parts;
        parts.settings = &settings;
        parts.launcher = &launcher;
        parts.session = &session;
        parts.windows = &windows;
        parts.updatedSwitch = true;
        ManagerWindow manager(parts);
        ASSERT_TRUE(manager.Create());  // shows the main window and scans
        ASSERT_NE(nullptr, windows.Main());
        ASSERT_TRUE(IsWindowVisible(windows.MainWindow()));
        ResultView& view = windows.Main()->View();
        RowWatcher watcher(view.UpdateList());
        session.AddListener(&watcher, false);

        ASSERT_TRUE(PumpUntil([&] { return watcher.scans > 0; }, kScanTimeoutMs));
        ASSERT_FALSE(session.Updates().empty());
        EXPECT_EQ(static_cast<int>(session.Updates().size()), view.UpdateList().RowCount())
            << "one row per missing sample update";

        SendMessageA(view.hwnd(), WM_COMMAND, MAKEWPARAM(kIdRepair, BN_CLICKED),
                     reinterpret_cast<LPARAM>(view.Item(kIdRepair)));
        ASSERT_TRUE(PumpUntil(
            [&] { return !session.DownloadsActive() && !session.InstallationsActive(); },
            kWorkTimeoutMs));
        const std::string installing = skin.GetString("rns_install_installing");
        for (const auto& record : session.Updates()) {
            EXPECT_TRUE(IsDone(record->status)) << record->id << " ends in " << int(record->status);
            const auto& seen = watcher.shown[record->id];
            EXPECT_NE(seen.end(), std::find(seen.begin(), seen.end(), installing))
                << record->id << " was shown installing";
            ASSERT_FALSE(seen.empty());
            EXPECT_EQ(skin.GetString(UpdateStatusLook(*record).text), seen.back());
        }
        session.RemoveListener(&watcher);
        DestroyWindow(manager.hwnd());
    }
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    session.Shutdown();
}

}  // namespace
}  // namespace zema
