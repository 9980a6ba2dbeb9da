// Reads a window of another process as a screen reader or test automation
// does: through window messages that carry no pointers and through the
// window's accessible object. Prints one line for the query:
//   read_controls <hwnd> style              "style=<hex> exstyle=<hex>"
//   read_controls <hwnd> listview-style     the list view's extended style, hex
//   read_controls <hwnd> item-state <row>   the row's state image index
//   read_controls <hwnd> check              BM_GETCHECK
//   read_controls <hwnd> accessible <child> "role=<n> state=<hex> name=<text>"
//   read_controls <hwnd> children           the accessible object's child count

#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "win/com.h"
#include "win/text.h"

namespace {

int Accessible(HWND hwnd, const char* what, long child) {
    win::ComPtr<IAccessible> object;
    HRESULT hr = ::AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT),
                                              __uuidof(IAccessible),
                                              reinterpret_cast<void**>(object.GetAddressOf()));
    if (FAILED(hr) || !object) {
        std::printf("error=%08lx\n", static_cast<unsigned long>(hr));
        return 2;
    }
    if (std::string(what) == "children") {
        LONG count = -1;
        object->get_accChildCount(&count);
        std::printf("%ld\n", static_cast<long>(count));
        return 0;
    }
    VARIANT id;
    ::VariantInit(&id);
    id.vt = VT_I4;
    id.lVal = child;
    VARIANT role;
    VARIANT state;
    ::VariantInit(&role);
    ::VariantInit(&state);
    win::Bstr name;
    object->get_accRole(id, &role);
    object->get_accState(id, &state);
    object->get_accName(id, name.Put());
    std::printf("role=%ld state=%lx name=%s\n", role.vt == VT_I4 ? static_cast<long>(role.lVal) : -1L,
                state.vt == VT_I4 ? static_cast<unsigned long>(state.lVal) : 0UL,
                win::FromBstr(name.Get()).c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 1;
    HWND hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(argv[1], nullptr, 0)));
    if (!::IsWindow(hwnd)) return 3;
    std::string query = argv[2];
    long argument = argc > 3 ? std::strtol(argv[3], nullptr, 0) : 0;
    if (query == "style") {
        std::printf("style=%lx exstyle=%lx\n",
                    static_cast<unsigned long>(::GetWindowLongA(hwnd, GWL_STYLE)),
                    static_cast<unsigned long>(::GetWindowLongA(hwnd, GWL_EXSTYLE)));
    } else if (query == "listview-style") {
        std::printf("%lx\n", static_cast<unsigned long>(
                                 ::SendMessageA(hwnd, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0)));
    } else if (query == "item-state") {
        LRESULT state = ::SendMessageA(hwnd, LVM_GETITEMSTATE, argument, LVIS_STATEIMAGEMASK);
        std::printf("%ld\n", static_cast<long>((state & LVIS_STATEIMAGEMASK) >> 12));
    } else if (query == "check") {
        std::printf("%ld\n", static_cast<long>(::SendMessageA(hwnd, BM_GETCHECK, 0, 0)));
    } else if (query == "accessible" || query == "children") {
        win::ComInit com;
        return Accessible(hwnd, query.c_str(), argument);
    } else {
        return 1;
    }
    return 0;
}
