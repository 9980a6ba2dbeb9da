#include "updateengine/package_runner.h"

#include <vector>

#include "updateengine/package_checksum.h"
#include "win/unique_handle.h"
#include "zema/engine/update_engine.h"

namespace updateengine {
namespace {

InstallOutcome Failure(int32_t code) {
    InstallOutcome outcome;
    outcome.result = InstallResult::Failed;
    outcome.errorCode = code;
    return outcome;
}

InstallOutcome LastErrorFailure() {
    return Failure(static_cast<int32_t>(HRESULT_FROM_WIN32(::GetLastError())));
}

std::wstring FolderOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace

InstallOutcome OutcomeOfExitCode(DWORD exitCode) {
    InstallOutcome outcome;
    switch (exitCode) {
    case ERROR_SUCCESS:
        outcome.result = InstallResult::Installed;
        break;
    case ERROR_SUCCESS_REBOOT_REQUIRED:
    case ERROR_SUCCESS_REBOOT_INITIATED:
        outcome.result = InstallResult::Installed;
        outcome.rebootNeeded = true;
        break;
    case ERROR_INSTALL_USEREXIT:
        outcome.result = InstallResult::Canceled;
        break;
    default:
        outcome = Failure(static_cast<int32_t>(exitCode));
        break;
    }
    return outcome;
}

InstallOutcome PackageRunner::Run(const InstallRequest& request, bool unattended) const {
    // The package stays open against writers from the checksum until the
    // process has started, so the file that runs is the file that was
    // checked.
    win::FileHandle package(::CreateFileW(request.packagePath.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!package) return LastErrorFailure();
    std::wstring checksum;
    HRESULT hr = ComputeFileChecksum(package.Get(), checksum);
    if (FAILED(hr)) return Failure(static_cast<int32_t>(hr));
    if (checksum != request.checkValue)
        return Failure(zema::engine::kInstallErrorChecksumMismatch);

    std::wstring command = L"\"" + request.packagePath + L"\"";
    if (!request.arguments.empty()) command += L" " + request.arguments;
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(L'\0');
    std::wstring folder = FolderOf(request.packagePath);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = unattended ? SW_HIDE : SW_SHOWNORMAL;
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessW(request.packagePath.c_str(), line.data(), nullptr, nullptr, FALSE, 0,
                          nullptr, folder.empty() ? nullptr : folder.c_str(), &startup, &info))
        return LastErrorFailure();
    win::KernelHandle process(info.hProcess);
    win::KernelHandle thread(info.hThread);
    package.Reset();

    HANDLE waits[] = {process.Get(), stopEvent_};
    DWORD count = stopEvent_ ? 2 : 1;
    DWORD woke = ::WaitForMultipleObjects(count, waits, FALSE, INFINITE);
    if (woke == WAIT_OBJECT_0 + 1) {
        InstallOutcome abandoned;
        abandoned.result = InstallResult::Abandoned;
        return abandoned;
    }
    if (woke != WAIT_OBJECT_0) return LastErrorFailure();
    DWORD exitCode = 0;
    if (!::GetExitCodeProcess(process.Get(), &exitCode)) return LastErrorFailure();
    return OutcomeOfExitCode(exitCode);
}

}  // namespace updateengine
