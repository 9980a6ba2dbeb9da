#pragma once
// A complete installation of the product for tests that run the real thing:
// an install folder with res.xml, a VDF folder holding the sample catalog and
// its packages, the product's registry key, the stand-in engine and the
// downloader registered, and the sample updates not installed. Everything is
// put back when it goes. Tests using it take RESOURCE_LOCK prefix_state.

#include <windows.h>

#include <memory>
#include <string>

#include "tests/support/test_support.h"

namespace testing_support {

class ProductInstallation {
public:
    ProductInstallation();
    ~ProductInstallation();
    ProductInstallation(const ProductInstallation&) = delete;
    ProductInstallation& operator=(const ProductInstallation&) = delete;

    // False when any part could not be set up (the test should stop).
    bool Ready() const { return ready_; }

    const std::string& InstallFolder() const { return install_; }
    const std::string& VdfFolder() const { return vdf_; }
    std::string SaveFolder() const { return install_ + "\\Hotfix"; }
    std::string ConfigIni() const { return install_ + "\\config.ini"; }
    std::string RebootXml() const { return install_ + "\\reboot.xml"; }
    std::string SamplePackage(int updateId) const;

    // Whether a sample package has left its installed marker.
    static bool MarkerSet(int updateId);

private:
    class ServerRegistration;

    TempFolder folder_;
    std::string install_;
    std::string vdf_;
    RegistryKeySnapshot product_;
    RegistryKeySnapshot markers_;
    std::unique_ptr<ServerRegistration> engine_;
    std::unique_ptr<ServerRegistration> downloader_;
    bool ready_ = false;
};

}  // namespace testing_support
