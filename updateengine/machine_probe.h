#pragma once
// What a detection rule may ask of the machine: registry keys and values
// under HKEY_LOCAL_MACHINE, files and their version resources.

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

namespace updateengine {

// Four 16-bit parts, compared most significant first.
struct FileVersion {
    std::array<uint16_t, 4> parts{};

    // "a", "a.b", "a.b.c" or "a.b.c.d", each part 0 to 65535; missing parts
    // are 0. False for anything else.
    static bool Parse(const std::wstring& text, FileVersion& version);
    bool operator<(const FileVersion& o) const { return parts < o.parts; }
};

struct RegistryData {
    DWORD type = REG_NONE;
    std::wstring text;    // REG_SZ and REG_EXPAND_SZ, unexpanded
    uint64_t number = 0;  // REG_DWORD and REG_QWORD
};

class MachineProbe {
public:
    virtual ~MachineProbe() = default;
    virtual bool KeyExists(const std::wstring& key) const = 0;
    // False when the value is absent.
    virtual bool ReadValue(const std::wstring& key, const std::wstring& name,
                           RegistryData& data) const = 0;
    virtual bool FileExists(const std::wstring& path) const = 0;
    // False for a missing file or one without a version resource.
    virtual bool ReadFileVersion(const std::wstring& path, FileVersion& version) const = 0;
};

// This machine. Registry paths are relative to the root (HKEY_LOCAL_MACHINE
// for scans); file paths may hold %VARIABLES%.
class LocalMachineProbe : public MachineProbe {
public:
    explicit LocalMachineProbe(HKEY root = HKEY_LOCAL_MACHINE) : root_(root) {}

    bool KeyExists(const std::wstring& key) const override;
    bool ReadValue(const std::wstring& key, const std::wstring& name,
                   RegistryData& data) const override;
    bool FileExists(const std::wstring& path) const override;
    bool ReadFileVersion(const std::wstring& path, FileVersion& version) const override;

private:
    HKEY root_;
};

}  // namespace updateengine
