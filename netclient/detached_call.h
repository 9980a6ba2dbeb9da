#pragma once
// Blocking system calls that must never hold their caller: a name lookup or
// a certificate's revocation check may not answer for half a minute, and a
// stop or an exit must not wait for them.

#include <windows.h>

#include <functional>

namespace netclient {

// Runs `work` on a thread of its own and waits until it ends, `stopEvent`
// (may be null) is set or `timeoutMs` passes. True only when the work ended
// in time; then whatever it wrote is the caller's to read. A thread left so
// ends by itself, holding what `work` captured (share its results through a
// shared_ptr) and the module its code lives in.
bool CallDetached(std::function<void()> work, HANDLE stopEvent, DWORD timeoutMs);

}  // namespace netclient
