#pragma once
// A machine for detection tests: a few registry entries and file versions.

#include <map>
#include <set>
#include <string>
#include <utility>

#include "updateengine/machine_probe.h"

namespace updateengine_test {

using updateengine::FileVersion;
using updateengine::RegistryData;

class FakeMachine : public updateengine::MachineProbe {
public:
    std::set<std::wstring> keys;
    std::map<std::pair<std::wstring, std::wstring>, RegistryData> values;
    std::map<std::wstring, FileVersion> files;  // a zero version: no version resource

    void SetText(const std::wstring& key, const std::wstring& name, const std::wstring& text) {
        RegistryData d;
        d.type = REG_SZ;
        d.text = text;
        values[{key, name}] = d;
    }
    void SetNumber(const std::wstring& key, const std::wstring& name, uint64_t n,
                   DWORD type = REG_DWORD) {
        RegistryData d;
        d.type = type;
        d.number = n;
        values[{key, name}] = d;
    }

    bool KeyExists(const std::wstring& key) const override { return keys.count(key) > 0; }
    bool ReadValue(const std::wstring& key, const std::wstring& name,
                   RegistryData& data) const override {
        auto it = values.find({key, name});
        if (it == values.end()) return false;
        data = it->second;
        return true;
    }
    bool FileExists(const std::wstring& path) const override { return files.count(path) > 0; }
    bool ReadFileVersion(const std::wstring& path, FileVersion& version) const override {
        auto it = files.find(path);
        if (it == files.end() || it->second.parts == FileVersion().parts) return false;
        version = it->second;
        return true;
    }
};

}  // namespace updateengine_test
