#include "zema/core/power.h"

#include "win/unique_handle.h"

namespace zema {
namespace {

bool EnableShutdownPrivilege() {
    win::KernelHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                            token.Put()))
        return false;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!::LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid))
        return false;
    if (!::AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr))
        return false;
    return ::GetLastError() == ERROR_SUCCESS;
}

}  // namespace

BOOL ExitWindowsWithPrivilege(UINT exitFlags) {
    EnableShutdownPrivilege();  // without it the call below fails, which is reported
    return ::ExitWindowsEx(exitFlags, 0);
}

}  // namespace zema
