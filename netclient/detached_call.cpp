#include "netclient/detached_call.h"

#include <atomic>
#include <new>
#include <utility>

namespace netclient {
namespace {

// Shared by the caller and the thread; whichever is last frees it.
struct Call {
    std::atomic<int> refs{2};
    std::function<void()> work;
    HANDLE done = nullptr;
    HMODULE module = nullptr;

    void Release() {
        if (--refs != 0) return;
        ::CloseHandle(done);
        delete this;
    }
};

DWORD WINAPI CallThread(void* param) {
    Call* call = static_cast<Call*>(param);
    call->work();
    // What the work captured goes with the work, on this thread, before the
    // caller learns that it is done.
    call->work = nullptr;
    ::SetEvent(call->done);
    const HMODULE module = call->module;
    call->Release();
    // The thread may outlive every caller: it holds the module that its code
    // lives in until its last instruction.
    ::FreeLibraryAndExitThread(module, 0);
    return 0;
}

}  // namespace

bool CallDetached(std::function<void()> work, HANDLE stopEvent, DWORD timeoutMs) {
    Call* call = new (std::nothrow) Call;
    if (!call) return false;
    call->work = std::move(work);
    call->done = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!call->done || !::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                             reinterpret_cast<LPCSTR>(&CallThread),
                                             &call->module)) {
        if (call->done) ::CloseHandle(call->done);
        delete call;
        return false;
    }
    HANDLE thread = ::CreateThread(nullptr, 0, &CallThread, call, 0, nullptr);
    if (!thread) {
        ::FreeLibrary(call->module);
        ::CloseHandle(call->done);
        delete call;
        return false;
    }
    ::CloseHandle(thread);
    HANDLE handles[2] = {call->done, stopEvent};
    const DWORD waited = ::WaitForMultipleObjects(stopEvent ? 2 : 1, handles, FALSE, timeoutMs);
    call->Release();
    return waited == WAIT_OBJECT_0;
}

}  // namespace netclient
