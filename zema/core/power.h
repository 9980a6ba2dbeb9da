#pragma once
// Reboot and power-off: the one place Zema ends the Windows session.

#include <windows.h>

#include <functional>

namespace zema {

// Called with EWX_REBOOT or EWX_POWEROFF. Tests hand in their own.
using PowerAction = std::function<void(UINT exitFlags)>;

// Enables the shutdown privilege and asks Windows to end the session with
// the flags (no forcing flag). Failures are ignored by the callers.
BOOL ExitWindowsWithPrivilege(UINT exitFlags);

}  // namespace zema
