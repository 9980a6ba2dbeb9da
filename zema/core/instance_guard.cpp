#include "zema/core/instance_guard.h"

#include "zema/core/messages.h"

namespace zema {
namespace {

// A hung first instance must not hang the second one for ever.
constexpr UINT kSignalTimeoutMs = 10000;

bool MutexWasThere(const win::KernelHandle& handle, DWORD error) {
    return handle ? error == ERROR_ALREADY_EXISTS : error == ERROR_ACCESS_DENIED;
}

}  // namespace

win::KernelHandle AcquireInstanceMutex(bool& alreadyRunning) {
    win::KernelHandle mutex(::CreateMutexA(nullptr, TRUE, kInstanceMutexName));
    alreadyRunning = MutexWasThere(mutex, ::GetLastError()) || !mutex;
    return mutex;
}

bool IsUpdaterRunning() {
    win::KernelHandle mutex(::CreateMutexA(nullptr, FALSE, kUpdatingMutexName));
    return MutexWasThere(mutex, ::GetLastError());
}

bool SignalFirstInstance(HWND window) {
    if (!window || !::IsWindow(window)) return false;
    DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
    if (!thread) return false;
    if (::GetThreadDesktop(thread) != ::GetThreadDesktop(::GetCurrentThreadId())) return false;
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutA(window, kMsgShowMainWindow, 0, 0,
                                 SMTO_NORMAL | SMTO_ABORTIFHUNG, kSignalTimeoutMs,
                                 &result) != 0;
}

}  // namespace zema
