#include "qor/com/typelib_rules.h"

#include <oleauto.h>

#include "qor/qor.h"

namespace qor {
namespace {

// stdole2.tlb, the library that holds IUnknown and IDispatch.
constexpr GUID kStdOle = {0x00020430, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr int kPointerSize = 8;
constexpr int kDispatchSlots = 7;  // IUnknown's three and IDispatch's four

struct Event {
    const char* name;
    int32_t dispid;
};
constexpr Event kEvents[] = {
    {"DownlodJobBegin", 1},       {"DownloadJobCompleted", 2},
    {"DownloadJobWaiting", 3},    {"DownloadJobCanceled", 4},
    {"DownloadJobPaused", 5},     {"DownloadJobError", 6},
    {"DownloadJobInProgress", 7}, {"DownloadJobWaitingForRetry", 8},
    {"DownloadJobBeginReadData", 9},
};

bool IsInterfaceKind(int kind) { return kind == TKIND_INTERFACE || kind == TKIND_DISPATCH; }

void CheckImports(const TypeLibFile& file, std::vector<std::string>& problems) {
    for (const TypeLibFile::Import& imp : file.Imports()) {
        const std::string at = "import at " + std::to_string(imp.offset) + ": ";
        if (!imp.byGuid || imp.guidOffset < 0)
            problems.push_back(at + "not named by a GUID");
        else if (imp.guid == GUID_NULL)
            problems.push_back(at + "names GUID_NULL");
        if (!IsInterfaceKind(imp.typeKind))
            problems.push_back(at + "not an interface (kind " + std::to_string(imp.typeKind) + ")");
    }
    if (file.DispatchRef() != -1) {
        const TypeLibFile::Import* imp = file.ImportOf(file.DispatchRef());
        if (!imp || imp->guid != IID_IDispatch || imp->libraryGuid != kStdOle)
            problems.push_back("the library's IDispatch reference is not stdole2's IDispatch");
    }
}

void CheckDual(const TypeLibFile& file, const TypeLibFile::Type& t,
               std::vector<std::string>& problems) {
    const TypeLibFile::Import* base = file.ImportOf(t.baseRef);
    if (!base || !base->byGuid || base->guid != IID_IDispatch || base->libraryGuid != kStdOle)
        problems.push_back(t.name + ": base is not stdole2's IDispatch imported by its GUID");
    const int slots = kDispatchSlots + static_cast<int>(t.functions.size());
    if (t.vtableSize != slots * kPointerSize)
        problems.push_back(t.name + ": vtable size " + std::to_string(t.vtableSize) +
                           ", expected " + std::to_string(slots * kPointerSize));
}

void CheckEvents(const TypeLibFile::Type& t, std::vector<std::string>& problems) {
    if (t.typeKind != TKIND_DISPATCH || (t.flags & TYPEFLAG_FDUAL))
        problems.push_back(t.name + ": not a pure dispinterface");
    if (t.baseRef != -1) problems.push_back(t.name + ": has an implemented type");
    const size_t count = sizeof(kEvents) / sizeof(kEvents[0]);
    if (t.functions.size() != count) {
        problems.push_back(t.name + ": " + std::to_string(t.functions.size()) +
                           " functions, expected " + std::to_string(count));
        return;
    }
    for (size_t i = 0; i < count; ++i)
        if (t.functions[i].name != kEvents[i].name || t.functions[i].memid != kEvents[i].dispid)
            problems.push_back(t.name + ": method " + std::to_string(i) + " is " +
                               t.functions[i].name + " (" + std::to_string(t.functions[i].memid) +
                               ")");
    if (t.vtableSize != static_cast<int>(count) * kPointerSize)
        problems.push_back(t.name + ": vtable size " + std::to_string(t.vtableSize) +
                           ", expected " + std::to_string(count * kPointerSize));
}

}  // namespace

std::vector<std::string> CheckQorTypeLib(const TypeLibFile& file) {
    std::vector<std::string> problems;
    if (file.LibraryGuid() != LIBID_QOR) problems.push_back("library GUID is not QOR's");
    CheckImports(file, problems);
    bool sawEvents = false;
    for (const TypeLibFile::Type& t : file.Types()) {
        if (IsInterfaceKind(t.typeKind)) {
            if (t.alignment != kPointerSize || t.size != kPointerSize)
                problems.push_back(t.name + ": alignment " + std::to_string(t.alignment) +
                                   " and size " + std::to_string(t.size) + ", expected 8 and 8");
            if (t.flags & TYPEFLAG_FDUAL) {
                CheckDual(file, t, problems);
            } else if (t.hasGuid && t.guid == DIID__IQORDownloadJobEvents) {
                sawEvents = true;
                CheckEvents(t, problems);
            }
        } else if (t.typeKind == TKIND_ENUM) {
            if (t.size != 4 || t.alignment != 4)
                problems.push_back(t.name + ": size " + std::to_string(t.size) + " and alignment " +
                                   std::to_string(t.alignment) + ", expected 4 and 4");
            for (const TypeLibFile::Member& m : t.variables)
                if (m.help.empty()) problems.push_back(t.name + "." + m.name + ": no help string");
        }
    }
    if (!sawEvents) problems.push_back("no events dispinterface");
    return problems;
}

std::vector<std::string> CheckQorTypeLibBytes(const std::string& bytes) {
    TypeLibFile file;
    std::string error;
    if (!file.Parse(bytes, error)) return {error};
    return CheckQorTypeLib(file);
}

}  // namespace qor
