#include "zema/options/options_opener.h"

#include <oleacc.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_support.h"
#include "tests/zema/core/private_settings.h"
#include "tests/zema/options/modal_script.h"
#include "win/com.h"
#include "zema/core/ini_file.h"
#include "zema/options/options_ids.h"
#include "zema/ui/toolkit/skin_resources.h"

namespace zema {
namespace {

using namespace testing_support;

constexpr int kGeneral = 0;
constexpr int kDownload = 1;
constexpr int kNetwork = 2;

class OptionsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(settings_.Loaded());
        ASSERT_TRUE(skin_.Load(settings_.Store().ResXmlPath()));
    }

    std::string Ini(const char* section, const char* key) {
        return IniFile(settings_.Store().ConfigIniPath()).ReadString(section, key, 2048, "<none>");
    }

    // Opens the window, runs `script` in it and returns what Open returned.
    bool OpenAnd(const std::function<void(HWND)>& script) {
        bool applied = false;
        EXPECT_TRUE(ModalScript::Run([&] { applied = opener_.Open(nullptr); }, script));
        return applied;
    }

    // The page's dialog, after choosing it in the page list as a user does.
    static HWND ShowPage(HWND window, int index) {
        HWND list = GetDlgItem(window, IDC_LIST_OPTION_PAGES);
        SendMessageA(list, LB_SETCURSEL, index, 0);
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_LIST_OPTION_PAGES, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
        for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            char name[16] = {};
            GetClassNameA(child, name, sizeof(name));
            if (std::string(name) == "#32770" && IsWindowVisible(child)) return child;
        }
        return nullptr;
    }

    static void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
    static void Type(HWND dialog, int id, const std::string& text) {
        SetDlgItemTextA(dialog, id, text.c_str());
    }
    static std::string TextOf(HWND dialog, int id) {
        char text[256] = {};
        GetDlgItemTextA(dialog, id, text, sizeof(text));
        return text;
    }
    static bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
    static int SelectedData(HWND dialog, int id) {
        HWND list = GetDlgItem(dialog, id);
        LRESULT index = SendMessageA(list, CB_GETCURSEL, 0, 0);
        return index == CB_ERR ? -1 : static_cast<int>(SendMessageA(list, CB_GETITEMDATA, index, 0));
    }
    static void Choose(HWND dialog, int id, int index) {
        HWND list = GetDlgItem(dialog, id);
        SendMessageA(list, CB_SETCURSEL, index, 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    }
    static void Press(HWND window, int id) { SendMessageA(window, WM_COMMAND, id, 0); }

    win::ComInit com_{COINIT_APARTMENTTHREADED};
    PrivateSettings settings_;
    SkinResources skin_;
    OptionsOpener opener_{skin_, settings_.Store()};
};

TEST_F(OptionsWindowTest, SecondOpenBringsTheOpenWindowForwardInsteadOfAnother) {
    bool secondApplied = true;
    bool applied = OpenAnd([&](HWND window) {
        EXPECT_EQ(window, opener_.Window());
        secondApplied = opener_.Open(nullptr);
        EXPECT_EQ(1u, ModalScript::ThreadDialogs().size());
        EXPECT_EQ(window, GetForegroundWindow());
        Press(window, IDCANCEL);
    });
    EXPECT_FALSE(secondApplied);
    EXPECT_FALSE(applied);
    EXPECT_EQ(nullptr, opener_.Window());
}

// What the dialog manager does with a key the modal loop takes from the queue.
bool Key(HWND window, UINT key) {
    MSG msg = {GetFocus(), WM_KEYDOWN, key, 0, 0, {}};
    return IsDialogMessageA(window, &msg) != FALSE;
}

TEST_F(OptionsWindowTest, TabEntersThePageEscapeCancelsEnterInAFieldIsOk) {
    bool applied = OpenAnd([&](HWND window) {
        EXPECT_EQ(GetDlgItem(window, IDC_LIST_OPTION_PAGES), GetFocus()) << "the page list first";
        HWND general = ShowPage(window, kGeneral);
        SetFocus(GetDlgItem(window, IDC_LIST_OPTION_PAGES));
        std::vector<int> stops;
        for (int i = 0; i < 16 && (stops.empty() || stops.back() != IDC_LIST_OPTION_PAGES); ++i) {
            ASSERT_TRUE(Key(window, VK_TAB));
            stops.push_back(GetDlgCtrlID(GetFocus()));
        }
        // Into the shown page, its fields top to bottom, the buttons left to right, back.
        EXPECT_EQ((std::vector<int>{IDC_CHECK_OPTION_GENERAL_STARTUP,
                                    IDC_COMBO_OPTION_GENERAL_CLOSEMAINWINDOW,
                                    IDC_COMBO_OPTION_GENERAL_VULNFOUND_ACTION,
                                    IDC_COMBO_OPTION_GENERAL_UPDATEINSTALLED_ACTION,
                                    IDC_CHECK_OPTION_GENERAL_DELINSTALLEDUPDATEFILE,
                                    IDC_CHECK_OPTION_GENERAL_AUTOCHECKNEWVERSION,
                                    IDC_COMBO_OPTION_GENERAL_CHECKNEWVERSION, IDAPPLY, IDOK,
                                    IDCANCEL, IDC_LIST_OPTION_PAGES}),
                  stops);
        EXPECT_EQ(GetDlgItem(window, IDC_LIST_OPTION_PAGES), GetFocus());
        EXPECT_EQ(GetDlgItem(general, IDC_CHECK_OPTION_GENERAL_STARTUP),
                  GetNextDlgTabItem(window, GetFocus(), FALSE));
        // The page list is read as a list of pages, the shown one selected.
        HWND pages = GetDlgItem(window, IDC_LIST_OPTION_PAGES);
        EXPECT_EQ(ROLE_SYSTEM_LIST, testing_support::ReadAccessibleFromOutside(pages).role);
        testing_support::AccessibleReading first =
            testing_support::ReadAccessibleFromOutside(pages, 1);
        EXPECT_EQ(ROLE_SYSTEM_LISTITEM, first.role);
        EXPECT_NE(0u, first.state & STATE_SYSTEM_SELECTED);
        // Another test's window may have been activated meanwhile.
        SetFocus(pages);
        Choose(general, IDC_COMBO_OPTION_GENERAL_VULNFOUND_ACTION, 0);
        ASSERT_TRUE(Key(window, VK_ESCAPE));
    });
    EXPECT_FALSE(applied);
    EXPECT_FALSE(PathExists(settings_.Store().ConfigIniPath())) << "Escape is Cancel";

    applied = OpenAnd([&](HWND window) {
        HWND network = ShowPage(window, kNetwork);
        Click(network, IDC_RADIO_OPTION_NETWORK_CONNECT_MODE_DIRECT);
        SetFocus(GetDlgItem(network, IDC_EDIT_OPTION_NETWORK_PROXY_PORT));
        ASSERT_TRUE(Key(window, VK_RETURN));
        EXPECT_FALSE(IsWindowVisible(window)) << "Enter is OK";
    });
    EXPECT_TRUE(applied);
    EXPECT_EQ("0", Ini("NetWorkHTTP", "ConnectMode"));
}

TEST_F(OptionsWindowTest, CancelAloneWritesNothingApplyThenCancelKeepsWhatWasApplied) {
    bool applied = OpenAnd([&](HWND window) {
        HWND general = ShowPage(window, kGeneral);
        Choose(general, IDC_COMBO_OPTION_GENERAL_VULNFOUND_ACTION, 3);
        Click(general, IDC_CHECK_OPTION_GENERAL_STARTUP);
        Press(window, IDCANCEL);
    });
    EXPECT_FALSE(applied) << "nothing to apply to the downloader";
    EXPECT_FALSE(PathExists(settings_.Store().ConfigIniPath()));
    EXPECT_FALSE(settings_.Store().IsStartupEnabled());

    applied = OpenAnd([&](HWND window) {
        HWND general = ShowPage(window, kGeneral);
        Choose(general, IDC_COMBO_OPTION_GENERAL_VULNFOUND_ACTION, 3);
        Press(window, IDAPPLY);
        EXPECT_TRUE(IsWindowVisible(window)) << "Apply keeps the window open";
        Click(general, IDC_CHECK_OPTION_GENERAL_AUTOCHECKNEWVERSION);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(general, IDC_COMBO_OPTION_GENERAL_CHECKNEWVERSION)));
        Press(window, IDCANCEL);
    });
    EXPECT_TRUE(applied) << "the downloader settings are applied again";
    EXPECT_EQ("3", Ini("General", "VulnFoundAction"));
    EXPECT_EQ("1", Ini("General", "AutoCheckNewVersion")) << "the change after Apply was cancelled";
    EXPECT_EQ("1", Ini("Download", "MaxDownloadJobCount")) << "Apply writes every page";
}

TEST_F(OptionsWindowTest, StartupWritesTheTrayIconAndAQuotedRunEntry) {
    settings_.Store().SetTrayIcon(0);
    settings_.Store().SetNewVersionCheckedAction(0x10001);  // compared on its low 16 bits
    bool applied = OpenAnd([&](HWND window) {
        HWND general = ShowPage(window, kGeneral);
        EXPECT_FALSE(IsChecked(general, IDC_CHECK_OPTION_GENERAL_SHOW_TRAYICON));
        EXPECT_EQ(1, SelectedData(general, IDC_COMBO_OPTION_GENERAL_CHECKNEWVERSION));
        Click(general, IDC_CHECK_OPTION_GENERAL_STARTUP);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(general, IDC_CHECK_OPTION_GENERAL_SHOW_TRAYICON)));
        Press(window, IDOK);
    });
    EXPECT_TRUE(applied);
    EXPECT_EQ("1", Ini("General", "TrayIcon"));
    EXPECT_EQ("1", Ini("General", "NewVersionCheckedAction"));
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    char data[MAX_PATH + 32] = {};
    DWORD size = sizeof(data);
    const SettingsLocation& where = settings_.Location();
    ASSERT_EQ(ERROR_SUCCESS, RegGetValueA(where.root, where.runKey.c_str(), "ZEMA", RRF_RT_REG_SZ,
                                          nullptr, data, &size));
    EXPECT_EQ("\"" + std::string(exe) + "\" -tray", std::string(data));
}

TEST_F(OptionsWindowTest, AdvancedDialogClampsItsRangesAndDefaultThenOkStoresTheDefaults) {
    auto advanced = [&](HWND download, const std::function<void(HWND)>& script) {
        EXPECT_TRUE(ModalScript::Run([&] { Click(download, IDC_BUTTON_OPTION_DOWNLOAD_ADVANCED); },
                                     script));
    };
    OpenAnd([&](HWND window) {
        HWND download = ShowPage(window, kDownload);
        advanced(download, [&](HWND dialog) {
            EXPECT_EQ("1", TextOf(dialog, IDC_EDIT_OPTION_DOWNLOAD_ADVANCED_JOBCOUNT));
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_EDIT_OPTION_DOWNLOAD_ADVANCED_BANDWIDTH)));
            Type(dialog, IDC_EDIT_OPTION_DOWNLOAD_ADVANCED_JOBCOUNT, "0");
            Type(dialog, IDC_EDIT_OPTION_DOWNLOAD_ADVANCED_PORTIONCOUNT, "4");
            Type(dialog, IDC_EDIT_OPTION_DOWNLOAD_ADVANCED_RETRYTIMES, "-1");
            Type(dialog, IDC_EDIT_OPTION_DOWNLOAD_ADVANCED_RETRYINTERVAL, "5000");
            Press(dialog, IDOK);
        });
        advanced(download, [&](HWND dialog) {
            EXPECT_EQ("1", TextOf(dialog, IDC_EDIT_OPTION_DOWNLOAD_ADVANCED_JOBCOUNT));
            EXPECT_EQ("3", TextOf(dialog, IDC_EDIT_OPTION_DOWNLOAD_ADVANCED_PORTIONCOUNT));
            EXPECT_EQ("0", TextOf(dialog, IDC_EDIT_OPTION_DOWNLOAD_ADVANCED_RETRYTIMES));
            EXPECT_EQ("1800", TextOf(dialog, IDC_EDIT_OPTION_DOWNLOAD_ADVANCED_RETRYINTERVAL));
            Type(dialog, IDC_EDIT_OPTION_DOWNLOAD_ADVANCED_JOBCOUNT, "9");
            Type(dialog, IDC_EDIT_OPTION_DOWNLOAD_ADVANCED_RETRYTIMES, "four");
            Press(dialog, IDOK);
            EXPECT_TRUE(IsWindowVisible(dialog)) << "a field without a number keeps the dialog open";
            EXPECT_EQ(GetDlgItem(dialog, IDC_EDIT_OPTION_DOWNLOAD_ADVANCED_RETRYTIMES), GetFocus());
            Type(dialog, IDC_EDIT_OPTION_DOWNLOAD_ADVANCED_RETRYTIMES, "4");
            Press(dialog, IDOK);
        });
        advanced(download, [&](HWND dialog) {
            EXPECT_EQ("5", TextOf(dialog, IDC_EDIT_OPTION_DOWNLOAD_ADVANCED_JOBCOUNT));
            Type(dialog, IDC_EDIT_OPTION_DOWNLOAD_ADVANCED_RETRYTIMES, "7");
            Press(dialog, IDCANCEL);
        });
        advanced(download, [&](HWND dialog) {
            EXPECT_EQ("4", TextOf(dialog, IDC_EDIT_OPTION_DOWNLOAD_ADVANCED_RETRYTIMES))
                << "Cancel keeps the values from before";
            Click(dialog, IDC_BUTTON_OPTION_DOWNLOAD_ADVANCED_DEFAULT);
            Press(dialog, IDOK);
        });
        EXPECT_EQ("<none>", Ini("Download", "MaxDownloadJobCount")) << "written only by Apply";
        Press(window, IDOK);
    });
    EXPECT_EQ("2", Ini("Download", "MaxDownloadJobCount"));
    EXPECT_EQ("2", Ini("Download", "MaxPortionCountPerJob"));
    EXPECT_EQ("1", Ini("Download", "MaxBandwidthPerJob")) << "the default 0 is clamped";
    EXPECT_EQ("0", Ini("Download", "LimitBandwidth"));
    EXPECT_EQ("3", Ini("Download", "MaxRetryTimes"));
    EXPECT_EQ("60", Ini("Download", "MinRetryInterval"));
    EXPECT_EQ("1", Ini("Download", "ResumeDownload"));
}

TEST_F(OptionsWindowTest, DownloadPageStoresTheFolderWithoutTrailingSeparatorsAndDisabledFields) {
    std::string folder = settings_.Folder().File("packages");
    OpenAnd([&](HWND window) {
        HWND download = ShowPage(window, kDownload);
        EXPECT_EQ(settings_.InstallFolder() + "\\Hotfix",
                  TextOf(download, IDC_EDIT_OPTION_DOWNLOAD_UPDATESAVE_PATH));
        Type(download, IDC_EDIT_OPTION_DOWNLOAD_UPDATESAVE_PATH, folder + "\\\\");
        Click(download, IDC_RADIO_OPTION_DOWNLOAD_CUSTOMIZE);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(download, IDC_EDIT_OPTION_DOWNLOAD_SERVER)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(download, IDC_EDIT_OPTION_DOWNLOAD_USERNAME)));
        Type(download, IDC_EDIT_OPTION_DOWNLOAD_SERVER, "http://mirror.example/updates");
        Click(download, IDC_CHECK_OPTION_DOWNLOAD_AUTH_NEED);
        Type(download, IDC_EDIT_OPTION_DOWNLOAD_USERNAME, "mirroruser");
        Type(download, IDC_EDIT_OPTION_DOWNLOAD_PASSWORD, "a-long-mirror-password");
        Choose(download, IDC_COMBO_OPTION_DOWNLOAD_DIRSTRUCT, 0);
        Click(download, IDC_RADIO_OPTION_DOWNLOAD_OFFICIAL);
        for (int id : {IDC_EDIT_OPTION_DOWNLOAD_SERVER, IDC_EDIT_OPTION_DOWNLOAD_PASSWORD,
                       IDC_COMBO_OPTION_DOWNLOAD_DIRSTRUCT})
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(download, id))) << id;
        Press(window, IDOK);
    });
    EXPECT_EQ(folder, Ini("Download", "UpdatesSavePath"));
    EXPECT_TRUE(PathExists(folder));
    EXPECT_EQ("0", Ini("Download", "UpdatesLocationType"));
    EXPECT_EQ("http://mirror.example/updates", Ini("Download", "UpdatesServer"));
    EXPECT_EQ("0", Ini("Download", "DownloadDIRStruct"));
    const DownloadGroup& stored = settings_.Store().GetDownloadGroup(true);
    EXPECT_EQ("a-long-mirror-password", stored.updatesServerPassword);
    EXPECT_EQ(folder, settings_.Store().SaveFolder());
}

TEST_F(OptionsWindowTest, NetworkPageKeepsBothProtocolsEditsAndWritesBoth) {
    IniFile ini(settings_.Store().ConfigIniPath());
    ini.WriteInt("NetWorkHTTP", "ProxyServerType", 2);  // an FTP proxy is no HTTP choice
    ini.WriteInt("NetWorkFTP", "ConnectMode", 2);
    ini.WriteInt("NetWorkFTP", "ProxyServerType", 6);
    ini.WriteInt("NetWorkFTP", "ProxyServerPort", 0);
    const std::string password = "a-proxy-password-of-30-chars!!";
    OpenAnd([&](HWND window) {
        HWND network = ShowPage(window, kNetwork);
        EXPECT_EQ(3, SelectedData(network, IDC_COMBO_OPTION_NETWORK_PROXY_TYPE));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(network, IDC_EDIT_OPTION_NETWORK_PROXY_ADDRESS)));
        Click(network, IDC_RADIO_OPTION_NETWORK_CONNECT_MODE_PROXY);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(network, IDC_EDIT_OPTION_NETWORK_PROXY_ADDRESS)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(network, IDC_EDIT_OPTION_NETWORK_PROXY_PASSWORD)));
        Type(network, IDC_EDIT_OPTION_NETWORK_PROXY_ADDRESS, "10.0.0.8");
        Type(network, IDC_EDIT_OPTION_NETWORK_PROXY_PORT, "70000");
        Click(network, IDC_CHECK_OPTION_NETWORK_PROXY_AUTH);
        Type(network, IDC_EDIT_OPTION_NETWORK_PROXY_USERNAME, "proxyuser");
        Type(network, IDC_EDIT_OPTION_NETWORK_PROXY_PASSWORD, password);

        Choose(network, IDC_COMBO_OPTION_NETWORK_PROTOCOL, 1);
        EXPECT_EQ(6, SelectedData(network, IDC_COMBO_OPTION_NETWORK_PROXY_TYPE));
        EXPECT_EQ("1080", TextOf(network, IDC_EDIT_OPTION_NETWORK_PROXY_PORT));
        EXPECT_EQ("", TextOf(network, IDC_EDIT_OPTION_NETWORK_PROXY_ADDRESS));
        Type(network, IDC_EDIT_OPTION_NETWORK_PROXY_ADDRESS, "ftp-gate");

        Choose(network, IDC_COMBO_OPTION_NETWORK_PROTOCOL, 0);
        EXPECT_EQ("10.0.0.8", TextOf(network, IDC_EDIT_OPTION_NETWORK_PROXY_ADDRESS));
        EXPECT_EQ("4464", TextOf(network, IDC_EDIT_OPTION_NETWORK_PROXY_PORT));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(network, IDC_EDIT_OPTION_NETWORK_PROXY_PASSWORD)));
        Click(network, IDC_BUTTON_OPTION_NETWORK_PROXY_PORT_DEFAULT);
        EXPECT_EQ("808", TextOf(network, IDC_EDIT_OPTION_NETWORK_PROXY_PORT));
        Type(network, IDC_EDIT_OPTION_NETWORK_PROXY_PORT, "70000");
        Press(window, IDOK);
    });
    EXPECT_EQ("2", Ini("NetWorkHTTP", "ConnectMode"));
    EXPECT_EQ("3", Ini("NetWorkHTTP", "ProxyServerType"));
    EXPECT_EQ("4464", Ini("NetWorkHTTP", "ProxyServerPort"));
    EXPECT_EQ("10.0.0.8", Ini("NetWorkHTTP", "ProxyServerIP"));
    EXPECT_EQ("6", Ini("NetWorkFTP", "ProxyServerType"));
    EXPECT_EQ("1080", Ini("NetWorkFTP", "ProxyServerPort"));
    EXPECT_EQ("ftp-gate", Ini("NetWorkFTP", "ProxyServerIP"));
    EXPECT_EQ(password, settings_.Store().GetHttpNetwork(true).proxyServerAuthPassword);
    EXPECT_EQ("proxyuser", settings_.Store().GetHttpNetwork(false).proxyServerAuthUserName);
}

}  // namespace
}  // namespace zema
