#pragma once
// An installation of version 2.0.0.9 in a folder of its own, the product's
// registry key pointing at it (put back afterwards), and the releases that
// the peers' nginx serves under /upgrade/ (see make_releases).

#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "brightwick/upgrade_run.h"
#include "tests/netclient/peer_config.h"
#include "tests/support/test_support.h"

namespace brightwick_tests {

constexpr char kVersionA[] = "2.0.0.9";
constexpr char kVersionB[] = "2.0.0.10";

class UpgradeFixture : public netclient_tests::PeerTest {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string InstallFolder() const { return install_.Path(); }
    std::string ConfigIni() const { return install_.File("config.ini"); }
    std::string WorkFolder() const { return work_.Path(); }
    // A file the release builder wrote, as this program sees it.
    std::string ReleasePath(const std::string& relative) const;
    std::string ReleaseText(const std::string& relative) const;
    // "127.0.0.1:PORT/up/NAME": a host whose validate page answers as NAME.
    std::string UpgradeServer(const std::string& answer) const;

    // The context of a run against this installation, direct connections.
    brightwick::RunContext Context() const;
    // Points the state at one of the upload folders as a check would.
    void Offer(brightwick::UpgradeState& state, const std::string& folder,
               const std::string& version = kVersionB) const;

    // Every file below a folder with its bytes, by relative path.
    static std::map<std::string, std::string> Contents(const std::string& folder);
    // The product's files in the installation, without the stand-in's own.
    std::map<std::string, std::string> Installed() const;
    std::map<std::string, std::string> Release(const char* source) const;

    // The stand-in main program, started from the installation folder.
    bool StartZema();
    std::string ZemaArguments() const;
    // Waits until the stand-in has been started again with these arguments.
    bool WaitForZemaStart(const std::string& argumentsContaining, DWORD timeoutMs) const;

    HRESULT com_ = E_FAIL;
    testing_support::TempFolder install_;
    testing_support::TempFolder work_;
    std::unique_ptr<testing_support::RegistryKeySnapshot> productKey_;
    testing_support::ChildProcess zema_;
};

}  // namespace brightwick_tests
