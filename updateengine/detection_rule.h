#pragma once
// When an update is needed on this machine. A rule has two lists of
// conditions: the update applies when every Applies condition holds (an
// empty list always applies), and it is installed when every Installed
// condition holds (that list is never empty).

#include <string>
#include <vector>

#include "updateengine/machine_probe.h"

namespace updateengine {

enum class UpdateState {
    NotApplicable,
    Installed,
    Missing,
};

struct Condition {
    enum class Kind {
        All,            // every child holds
        Any,            // some child holds
        Not,            // its one child does not hold
        RegistryKey,    // the key exists
        RegistryValue,  // the value exists (and, with a expected text, equals it)
        File,           // the file exists
        FileVersion,    // the file's version is below (or at least) the given one
    };

    Kind kind = Kind::All;
    std::wstring key;   // RegistryKey, RegistryValue
    std::wstring name;  // RegistryValue
    bool compare = false;
    std::wstring equals;  // RegistryValue with compare set
    std::wstring path;    // File, FileVersion
    bool below = true;    // FileVersion: below the version, else at least
    FileVersion version;  // FileVersion
    std::vector<Condition> children;

    bool Holds(const MachineProbe& machine) const;
};

struct DetectionRule {
    std::vector<Condition> applies;
    std::vector<Condition> installed;

    UpdateState Evaluate(const MachineProbe& machine) const;
};

}  // namespace updateengine
