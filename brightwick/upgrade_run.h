#pragma once
// The two jobs of one self-updater run, without any window: the version
// check and the upgrade (fetch the list and the changed files, verify them,
// stop the main program, deploy, restart it, record the update). Each tells
// its listener by message number what happened; the dialog posts those to
// itself, tests record them.

#include <windows.h>

#include <functional>
#include <string>

#include "brightwick/updater_settings.h"
#include "brightwick/upgrade_state.h"

namespace brightwick {

// Everything a run needs from the installation.
struct RunContext {
    std::string installFolder;
    std::string workFolder;        // %TEMP%\Tolvane
    std::string upgradeServer;     // host[:port] of the validate page
    std::string installedVersion;  // read at the check
    ProxySettings http;
    ProxySettings ftp;
    bool requireSignature = false;
    std::string releaseKey;        // hexadecimal X then Y
    HANDLE cancelEvent = nullptr;
    // The main program's manager window, read when it is to be stopped.
    std::function<uintptr_t()> mainWindow;
};

using RunListener = std::function<void(UINT message, WPARAM code)>;

// The check: fills the answer fields of the state. True with UM_CHECKED
// told, false with UM_FAILED(-1) told.
bool RunCheck(const RunContext& context, UpgradeState& state, const RunListener& listener);

// The upgrade, from taking the Updating mutex to recording the new version.
// Returns 1 with UM_SUCCEEDED told, or the failure code with UM_FAILED told.
// A failed deployment puts the installation back and restarts the main
// program before it reports.
int RunUpgrade(const RunContext& context, UpgradeState& state, const RunListener& listener);

// The system temporary folder + "\Tolvane".
std::string WorkFolder();

}  // namespace brightwick
