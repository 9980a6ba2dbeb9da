#include "tests/zema/ui/windows/tray_test_skin.h"

namespace zema {
namespace {

const std::map<std::string, std::string> kStrings = {
    {"rns_main_title", "Zemaguard"},
    {"rns_tray_window_title", "Zemaguard"},
    {"rns_tray_scanned_notify", "Found %d vulnerabilities."},
    {"rns_tray_downloaded_notify", "Downloaded."},
    {"rns_tray_installed_notify", "Repaired %d."},
    {"rns_tray_installed_notify_reboot", "Repaired %d, %d after a restart."},
    {"rns_tray_installed_notify_one", "Repaired %d vulnerability."},
    {"rns_rboot_dialog_title", "Restart required"},
    {"rns_rboot_dialog_title_done", "Installed"},
    {"rns_idc_check_reboot", "Restart now"},
    {"rns_idc_static_repair", "Repair now"},
    {"rns_idc_static_view_detail", "View details"},
    {"rns_idok", "OK"},
    {"rns_idcancel", "Cancel"},
    {"rns_idclose", "Close"},
    {"rns_menu_tray_about", "About"},
    {"rns_menu_tray_showmainwindow", "Show"},
    {"rns_menu_tray_exit", "Exit"},
};

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '\'') out += "&apos;";
        else out += c;
    }
    return out;
}

}  // namespace

TrayTestSkin::TrayTestSkin(const std::map<std::string, std::string>& strings) {
    std::map<std::string, std::string> all = kStrings;
    for (const auto& entry : strings) all[entry.first] = entry.second;
    std::string xml = "<?xml version=\"1.0\"?>\n<Skin>\n<StringTable>\n";
    for (const auto& entry : all)
        xml += "<String name='" + Escape(entry.first) + "'>" + Escape(entry.second) + "</String>\n";
    xml += "</StringTable>\n<ColorTable>\n<Color name='rnc_window_background'>RGB(248,248,248)</Color>\n"
           "</ColorTable>\n</Skin>\n";
    std::string path = folder_.File("res.xml");
    testing_support::WriteFileBytes(path, xml);
    skin_.Load(path);
}

}  // namespace zema
