#include "zema/core/instance_guard.h"

#include "zema/core/messages.h"

namespace zema {
namespace {

// A hung first instance must not hang the second one for ever.
constexpr UINT kSignalTimeoutMs = 10000;

struct WindowSearch {
    HWND target;
    bool found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    if (hwnd != search->target) return TRUE;
    search->found = true;
    return FALSE;
}

// Whether a top-level window lives on this thread's desktop. Enumerating the
// desktop's windows answers this alike everywhere, unlike comparing desktop
// handles, which are only meaningful inside the process that opened them.
bool IsOnThisDesktop(HWND window) {
    HDESK desktop = ::GetThreadDesktop(::GetCurrentThreadId());
    if (!desktop) return false;
    WindowSearch search = {window, false};
    ::EnumDesktopWindows(desktop, &MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

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
    if (!IsOnThisDesktop(window)) return false;
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutA(window, kMsgShowMainWindow, 0, 0,
                                 SMTO_NORMAL | SMTO_ABORTIFHUNG, kSignalTimeoutMs,
                                 &result) != 0;
}

}  // namespace zema
