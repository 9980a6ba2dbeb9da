#include "tests/zema/options/modal_script.h"

#include <map>
#include <string>

namespace zema {
namespace {

constexpr UINT kPollMs = 20;
constexpr int kMaxPolls = 500;  // ten seconds

struct Pending {
    std::set<HWND> before;
    const std::function<void(HWND)>* script;
    int polls = 0;
    bool ran = false;
};
std::map<UINT_PTR, Pending*> pendings;

BOOL CALLBACK CollectDialog(HWND hwnd, LPARAM data) {
    char name[16] = {};
    ::GetClassNameA(hwnd, name, sizeof(name));
    if (std::string(name) == "#32770" && ::IsWindowVisible(hwnd))
        reinterpret_cast<std::set<HWND>*>(data)->insert(hwnd);
    return TRUE;
}

void CALLBACK Poll(HWND, UINT, UINT_PTR id, DWORD) {
    auto it = pendings.find(id);
    if (it == pendings.end()) return;
    Pending& pending = *it->second;
    HWND found = nullptr;
    for (HWND dialog : ModalScript::ThreadDialogs())
        if (!pending.before.count(dialog)) found = dialog;
    if (!found && ++pending.polls < kMaxPolls) return;
    ::KillTimer(nullptr, id);
    pendings.erase(it);
    if (!found) return;
    pending.ran = true;
    (*pending.script)(found);
    if (::IsWindow(found) && ::IsWindowVisible(found)) ::PostMessageA(found, WM_COMMAND, IDCANCEL, 0);
}

}  // namespace

std::set<HWND> ModalScript::ThreadDialogs() {
    std::set<HWND> dialogs;
    ::EnumThreadWindows(::GetCurrentThreadId(), CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
    return dialogs;
}

bool ModalScript::Run(const std::function<void()>& open, const std::function<void(HWND)>& script) {
    Pending pending;
    pending.before = ThreadDialogs();
    pending.script = &script;
    UINT_PTR id = ::SetTimer(nullptr, 0, kPollMs, Poll);
    if (!id) return false;
    pendings[id] = &pending;
    open();
    if (pendings.erase(id)) ::KillTimer(nullptr, id);
    return pending.ran;
}

}  // namespace zema
