#include "updateengine/detection_rule.h"

#include <cerrno>
#include <cwchar>

namespace updateengine {
namespace {

bool AllHold(const std::vector<Condition>& conditions, const MachineProbe& machine) {
    for (const Condition& c : conditions) {
        if (!c.Holds(machine)) return false;
    }
    return true;
}

// Texts compare without regard to case, numbers by value.
bool ValueEquals(const RegistryData& data, const std::wstring& expected) {
    switch (data.type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        return ::CompareStringOrdinal(data.text.c_str(), static_cast<int>(data.text.size()),
                                      expected.c_str(), static_cast<int>(expected.size()),
                                      TRUE) == CSTR_EQUAL;
    case REG_DWORD:
    case REG_QWORD: {
        if (expected.empty() || expected.find_first_not_of(L"0123456789") != std::wstring::npos)
            return false;
        wchar_t* end = nullptr;
        errno = 0;
        unsigned long long value = wcstoull(expected.c_str(), &end, 10);
        return errno == 0 && value == data.number;
    }
    default:
        return false;
    }
}

}  // namespace

bool Condition::Holds(const MachineProbe& machine) const {
    switch (kind) {
    case Kind::All:
        return AllHold(children, machine);
    case Kind::Any:
        for (const Condition& c : children) {
            if (c.Holds(machine)) return true;
        }
        return false;
    case Kind::Not:
        return children.size() == 1 && !children[0].Holds(machine);
    case Kind::RegistryKey:
        return machine.KeyExists(key);
    case Kind::RegistryValue: {
        RegistryData data;
        if (!machine.ReadValue(key, name, data)) return false;
        return !compare || ValueEquals(data, equals);
    }
    case Kind::File:
        return machine.FileExists(path);
    case Kind::FileVersion: {
        FileVersion actual;
        if (!machine.ReadFileVersion(path, actual)) return false;
        return below ? actual < version : !(actual < version);
    }
    }
    return false;
}

UpdateState DetectionRule::Evaluate(const MachineProbe& machine) const {
    if (!AllHold(applies, machine)) return UpdateState::NotApplicable;
    // A rule without installed conditions would call every update installed.
    if (installed.empty() || !AllHold(installed, machine)) return UpdateState::Missing;
    return UpdateState::Installed;
}

}  // namespace updateengine
