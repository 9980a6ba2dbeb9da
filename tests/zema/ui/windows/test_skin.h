#pragma once
// A small skin file for window tests: the texts the tests read, written to a
// private folder and loaded.

#include <string>

#include "tests/support/test_support.h"
#include "win/com.h"
#include "zema/ui/toolkit/skin_resources.h"

namespace zema {
namespace testing_ui {

class TestSkin {
public:
    TestSkin() {
        path_ = folder_.File("res.xml");
        testing_support::WriteFileBytes(
            path_,
            "<?xml version=\"1.0\"?><Resource><StringTable>"
            "<String name=\"rns_download_downloading\">Downloading</String>"
            "<String name=\"rns_download_failed\">Download failed</String>"
            "<String name=\"rns_install_installed\">Installed</String>"
            "<String name=\"rns_showby_product\">Product</String>"
            "<String name=\"rns_showby_severity\">Severity</String>"
            "<String name=\"rns_result_status_total\">Total: %d</String>"
            "<String name=\"rns_result_status_installed\">Installed: %d</String>"
            "<String name=\"rns_result_status_notinstall\">Not installed: %d</String>"
            "<String name=\"rns_result_status_failure\">Failed: %d</String>"
            "<String name=\"rns_idc_check_result_selectall\">Select &amp;all</String>"
            "<String name=\"rns_vulnerabilities\">Vulnerabilities</String>"
            "<String name=\"rns_secuirty_updates\">Security Updates</String>"
            "</StringTable><ColorTable>"
            "<Color name=\"rnc_window_background\">RGB(240,244,250)</Color>"
            "</ColorTable></Resource>");
        loaded_ = skin_.Load(path_);
    }
    bool Loaded() const { return loaded_; }
    const SkinResources& Get() const { return skin_; }

private:
    win::ComInit com_;  // the skin file is read through MSXML
    testing_support::TempFolder folder_;
    std::string path_;
    SkinResources skin_;
    bool loaded_ = false;
};

}  // namespace testing_ui
}  // namespace zema
