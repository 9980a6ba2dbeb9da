// Scenes of the Options window: each page with settings that show its
// controls in use, and the Advanced download dialog.

#include <windows.h>
#include <shlwapi.h>

#include <memory>
#include <string>

#include "tools/gallery/gallery.h"
#include "zema/core/ini_file.h"
#include "zema/core/settings_store.h"
#include "zema/options/advanced_download_dialog.h"
#include "zema/options/download_page.h"
#include "zema/options/general_page.h"
#include "zema/options/network_page.h"
#include "zema/options/options_window.h"

namespace {

using namespace zema;

constexpr char kGalleryKey[] = "Software\\ZemaguardGallery";

// A throw-away installation for the pages to read: an install folder with a
// config.ini and a registry key of its own, both removed afterwards.
class GalleryInstallation {
public:
    GalleryInstallation() {
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "ZemaguardGallery";
        ::CreateDirectoryA(folder_.c_str(), nullptr);
        ::CreateDirectoryA((folder_ + "\\vdf").c_str(), nullptr);
        HANDLE res = ::CreateFileA((folder_ + "\\res.xml").c_str(), GENERIC_WRITE, 0, nullptr,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (res != INVALID_HANDLE_VALUE) ::CloseHandle(res);
        location_.root = HKEY_CURRENT_USER;
        location_.productKey = std::string(kGalleryKey) + "\\ZEMA";
        location_.runKey = std::string(kGalleryKey) + "\\Run";
        ::RegSetKeyValueA(HKEY_CURRENT_USER, location_.productKey.c_str(), "InstallPath", REG_SZ,
                          folder_.c_str(), static_cast<DWORD>(folder_.size() + 1));
        std::string vdf = folder_ + "\\vdf";
        ::RegSetKeyValueA(HKEY_CURRENT_USER, location_.productKey.c_str(), "VDFPath", REG_SZ,
                          vdf.c_str(), static_cast<DWORD>(vdf.size() + 1));
        store_ = std::make_unique<SettingsStore>(location_);
    }
    ~GalleryInstallation() {
        store_.reset();
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kGalleryKey);
        ::DeleteFileA((folder_ + "\\config.ini").c_str());
        ::DeleteFileA((folder_ + "\\res.xml").c_str());
        ::RemoveDirectoryA((folder_ + "\\vdf").c_str());
        ::RemoveDirectoryA((folder_ + "\\Hotfix").c_str());
        ::RemoveDirectoryA(folder_.c_str());
    }

    IniFile Ini() const { return IniFile(folder_ + "\\config.ini"); }
    SettingsStore& Loaded() {
        store_->Load();
        return *store_;
    }

private:
    std::string folder_;
    SettingsLocation location_;
    std::unique_ptr<SettingsStore> store_;
};

HWND ShowOptions(gallery::SceneContext& context, int page,
                 void (*configure)(const IniFile& ini)) {
    auto& installation = context.Keep(std::make_unique<GalleryInstallation>());
    if (configure) configure(installation.Ini());
    SettingsStore& settings = installation.Loaded();
    const SkinResources& skin = context.skin();
    std::vector<std::unique_ptr<OptionsPage>> pages;
    pages.push_back(std::make_unique<GeneralPage>(skin, settings));
    pages.push_back(std::make_unique<DownloadPage>(skin, settings));
    pages.push_back(std::make_unique<NetworkPage>(skin, settings));
    auto& window = context.Keep(std::make_unique<OptionsWindow>(skin, std::move(pages)));
    HWND hwnd = window.Show(nullptr);
    if (hwnd) window.SelectPage(page);
    return hwnd;
}

}  // namespace

ZG_GALLERY_SCENE(options_general, "options_general") {
    return ShowOptions(context, 0, [](const IniFile& ini) {
        ini.WriteInt("General", "VulnFoundAction", 2);
        ini.WriteInt("General", "UpdateInstalledAction", 3);
        ini.WriteInt("General", "DeleteInstalledUpdateFile", 1);
    });
}

ZG_GALLERY_SCENE(options_download, "options_download") {
    return ShowOptions(context, 1, [](const IniFile& ini) {
        ini.WriteInt("Download", "UpdatesLocationType", 1);
        ini.WriteInt("Download", "UpdatesServerAuth", 1);
        ini.WriteString("Download", "UpdatesServer", "http://updates.example.lan/security");
        ini.WriteString("Download", "UpdatesServerUserName", "deploy");
    });
}

ZG_GALLERY_SCENE(options_download_official, "options_download_official") {
    return ShowOptions(context, 1, nullptr);
}

ZG_GALLERY_SCENE(options_network, "options_network") {
    return ShowOptions(context, 2, [](const IniFile& ini) {
        ini.WriteInt("NetWorkHTTP", "ConnectMode", 2);
        ini.WriteInt("NetWorkHTTP", "ProxyServerType", 6);
        ini.WriteString("NetWorkHTTP", "ProxyServerIP", "proxy.example.lan");
        ini.WriteInt("NetWorkHTTP", "ProxyServerAuth", 1);
        ini.WriteString("NetWorkHTTP", "ProxyServerAuthUserName", "alice");
    });
}

ZG_GALLERY_SCENE(options_network_direct, "options_network_direct") {
    return ShowOptions(context, 2, [](const IniFile& ini) {
        ini.WriteInt("NetWorkHTTP", "ConnectMode", 0);
    });
}

ZG_GALLERY_SCENE(options_advanced, "options_advanced") {
    DownloadLimits limits;
    limits.maxDownloadJobCount = 2;
    limits.maxBandwidthPerJob = 256;
    limits.limitBandwidth = 1;
    auto& dialog = context.Keep(std::make_unique<AdvancedDownloadDialog>(context.skin(), limits));
    return dialog.Show(nullptr);
}
