#pragma once
// Runs one update package: checks that it is the package the catalog names,
// starts it with its silent arguments and reads its exit code.

#include <windows.h>

#include <cstdint>
#include <string>

namespace updateengine {

struct InstallRequest {
    int32_t jobId = 0;
    std::wstring packagePath;
    std::wstring checkValue;  // the catalog's FileChecksum of the package
    std::wstring arguments;
};

enum class InstallResult {
    Installed,
    Failed,
    Canceled,
    Abandoned,  // the engine stopped while the package ran; nobody is told
};

struct InstallOutcome {
    InstallResult result = InstallResult::Failed;
    bool rebootNeeded = false;
    int32_t errorCode = 0;  // Failed only
};

// Exit codes as Windows installers report them: 0 installed; 3010 and 1641
// installed with a reboot needed; 1602 canceled by the user; any other code
// a failure with that code.
InstallOutcome OutcomeOfExitCode(DWORD exitCode);

class PackageRunner {
public:
    // Setting the stop event abandons a running package to finish alone.
    explicit PackageRunner(HANDLE stopEvent) : stopEvent_(stopEvent) {}

    // Unattended packages start hidden. A package that cannot be read,
    // whose checksum differs from the request's, or that cannot be started,
    // fails without running.
    InstallOutcome Run(const InstallRequest& request, bool unattended) const;

private:
    HANDLE stopEvent_;
};

}  // namespace updateengine
