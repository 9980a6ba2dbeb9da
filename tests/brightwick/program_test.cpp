// Brightwick.exe as Zema starts it: its exit codes, its silent automatic
// runs, and a whole upgrade from 2.0.0.9 to 2.0.0.10 with the stand-in main
// program running.

#include <gtest/gtest.h>

#include "brightwick/updater_settings.h"
#include "tests/brightwick/upgrade_fixture.h"
#include "win/registry.h"

namespace brightwick_tests {
namespace {

using testing_support::ChildProcess;
using testing_support::SetRegString;

constexpr int kQuitCode = 2;
constexpr DWORD kRunTimeoutMs = 60000;

struct WindowSearch {
    DWORD processId;
    bool visible;
};

// Whether a process shows any top-level window.
bool ShowsWindow(DWORD processId) {
    WindowSearch search{processId, false};
    ::EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<WindowSearch*>(param);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(hwnd, &owner);
            if (owner == s->processId && ::IsWindowVisible(hwnd)) s->visible = true;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.visible;
}

class ProgramTest : public UpgradeFixture {
protected:
    void SetUp() override {
        UpgradeFixture::SetUp();
        if (HasFatalFailure()) return;
        UseServer("good");
        // The program's own work folder: nothing left from another run.
        testing_support::RemovePath(brightwick::WorkFolder());
    }
    void TearDown() override {
        testing_support::RemovePath(brightwick::WorkFolder());
        UpgradeFixture::TearDown();
    }

    void UseServer(const std::string& answer) {
        ASSERT_TRUE(SetRegString(HKEY_LOCAL_MACHINE, brightwick::kProductKey, "UpgradeServer",
                                 UpgradeServer(answer)));
    }

    bool Start(ChildProcess& process, const std::string& arguments) {
        return process.Start(testing_support::BinaryFolder() + "\\Brightwick.exe", arguments);
    }

    // Runs to its end, noting whether it ever showed a window.
    int RunWatching(const std::string& arguments, bool& showed, DWORD& tookMs) {
        ChildProcess process;
        if (!Start(process, arguments)) return -2000;
        DWORD started = ::GetTickCount();
        showed = false;
        testing_support::PumpUntil(
            [&] {
                showed = showed || ShowsWindow(process.Id());
                return !process.Running();
            },
            kRunTimeoutMs);
        tookMs = ::GetTickCount() - started;
        return process.Wait(1000);
    }
};

TEST_F(ProgramTest, SecondInstanceEndsWithOne) {
    UseServer("current");
    ChildProcess first;
    ASSERT_TRUE(Start(first, "-manual"));
    ASSERT_TRUE(testing_support::PumpUntil([&] { return ShowsWindow(first.Id()); }, 20000));
    ChildProcess second;
    ASSERT_TRUE(Start(second, "-manual"));
    EXPECT_EQ(1, second.Wait(20000));
    first.Kill();
}

TEST_F(ProgramTest, MissingSettingsEndWithMinusOne) {
    productKey_->DeleteAllValues();
    ASSERT_TRUE(SetRegString(HKEY_LOCAL_MACHINE, brightwick::kProductKey, "InstallPath", InstallFolder()));
    ChildProcess process;
    ASSERT_TRUE(Start(process, "-manual"));
    EXPECT_EQ(-1, process.Wait(20000));  // no VDFPath

    ASSERT_TRUE(SetRegString(HKEY_LOCAL_MACHINE, brightwick::kProductKey, "VDFPath", WorkFolder()));
    ASSERT_TRUE(SetRegString(HKEY_LOCAL_MACHINE, brightwick::kProductKey, "InstallPath",
                             InstallFolder() + "\\missing"));
    ASSERT_TRUE(Start(process, "-manual"));
    EXPECT_EQ(-1, process.Wait(20000));
}

TEST_F(ProgramTest, AutomaticRunWithTheProductCurrentShowsNothingAndEnds) {
    UseServer("current");
    bool showed = true;
    DWORD took = 0;
    EXPECT_EQ(kQuitCode, RunWatching("-auto", showed, took));
    EXPECT_FALSE(showed);
    EXPECT_LT(took, 4000u);  // closed at once, not by the 5 s timer
}

TEST_F(ProgramTest, AutomaticRunWithAFailedCheckEndsByItselfAfterFiveSeconds) {
    UseServer("failed");
    bool showed = true;
    DWORD took = 0;
    EXPECT_EQ(kQuitCode, RunWatching("/x -AUTO", showed, took));
    EXPECT_FALSE(showed);
    EXPECT_GE(took, 4500u);
}

TEST_F(ProgramTest, UpgradesWithoutAClickWhenTheSettingsSaySo) {
    ASSERT_TRUE(StartZema());
    testing_support::WriteFileBytes(
        ConfigIni(), "[General]\r\nNewVersionCheckedAction=1\r\nWindowHandle=" +
                         std::to_string(win::IniFile(ConfigIni()).ReadInt64("General", "WindowHandle", 0, 32)) +
                         "\r\n");
    DWORD before = static_cast<DWORD>(time(nullptr));
    bool showed = false;
    DWORD took = 0;
    EXPECT_EQ(kQuitCode, RunWatching("-auto", showed, took));
    EXPECT_TRUE(showed);  // a found version is shown even in an automatic run

    auto expected = Release("src-b");
    expected["docs\\old.txt"] = Release("src-a")["docs\\old.txt"];
    EXPECT_EQ(expected, Installed());
    win::RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, brightwick::kProductKey, 0,
                                             KEY_READ, key.Put()));
    EXPECT_EQ(kVersionB, win::QueryRegString(key.Get(), "Version", 64));
    DWORD start = 0, end = 0;
    ASSERT_TRUE(win::QueryRegDword(key.Get(), "UpdateStartTime", start));
    ASSERT_TRUE(win::QueryRegDword(key.Get(), "UpdateEndTime", end));
    EXPECT_GE(start + 1, before);
    EXPECT_GE(end, start);
    EXPECT_EQ(0, zema_.Wait(5000));
    EXPECT_TRUE(WaitForZemaStart("-updated", 20000)) << ZemaArguments();
}

}  // namespace
}  // namespace brightwick_tests
