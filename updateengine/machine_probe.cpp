#include "updateengine/machine_probe.h"

#include <vector>

#include "win/unique_handle.h"

namespace updateengine {
namespace {

constexpr size_t kVersionParts = 4;
constexpr uint32_t kMaxVersionPart = 0xffff;
// Registry texts larger than this are not what a marker looks like.
constexpr DWORD kMaxValueBytes = 64 * 1024;

std::wstring ExpandPath(const std::wstring& path) {
    DWORD needed = ::ExpandEnvironmentStringsW(path.c_str(), nullptr, 0);
    if (needed == 0) return path;
    std::wstring expanded(needed, L'\0');
    DWORD written = ::ExpandEnvironmentStringsW(path.c_str(), &expanded[0], needed);
    if (written == 0 || written > needed) return path;
    expanded.resize(written - 1);
    return expanded;
}

}  // namespace

bool FileVersion::Parse(const std::wstring& text, FileVersion& version) {
    FileVersion parsed;
    size_t part = 0;
    size_t pos = 0;
    while (true) {
        if (part == kVersionParts || pos >= text.size() || !iswdigit(text[pos])) return false;
        uint32_t value = 0;
        for (; pos < text.size() && iswdigit(text[pos]); ++pos) {
            value = value * 10 + static_cast<uint32_t>(text[pos] - L'0');
            if (value > kMaxVersionPart) return false;
        }
        parsed.parts[part++] = static_cast<uint16_t>(value);
        if (pos == text.size()) break;
        if (text[pos] != L'.') return false;
        ++pos;
    }
    version = parsed;
    return true;
}

bool LocalMachineProbe::KeyExists(const std::wstring& key) const {
    win::RegKey handle;
    return ::RegOpenKeyExW(root_, key.c_str(), 0, KEY_READ, handle.Put()) == ERROR_SUCCESS;
}

bool LocalMachineProbe::ReadValue(const std::wstring& key, const std::wstring& name,
                                  RegistryData& data) const {
    win::RegKey handle;
    if (::RegOpenKeyExW(root_, key.c_str(), 0, KEY_READ, handle.Put()) != ERROR_SUCCESS)
        return false;
    DWORD type = REG_NONE;
    DWORD bytes = 0;
    if (::RegQueryValueExW(handle.Get(), name.c_str(), nullptr, &type, nullptr, &bytes) !=
        ERROR_SUCCESS)
        return false;
    RegistryData read;
    read.type = type;
    if (bytes > kMaxValueBytes) return true;  // present, but nothing to compare
    std::vector<BYTE> buffer(bytes + sizeof(wchar_t), 0);
    if (::RegQueryValueExW(handle.Get(), name.c_str(), nullptr, &type, buffer.data(), &bytes) !=
        ERROR_SUCCESS)
        return false;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        // The stored text may or may not end with its zero.
        const wchar_t* text = reinterpret_cast<const wchar_t*>(buffer.data());
        size_t length = bytes / sizeof(wchar_t);
        while (length > 0 && text[length - 1] == L'\0') --length;
        read.text.assign(text, length);
    } else if (type == REG_DWORD && bytes == sizeof(DWORD)) {
        DWORD value = 0;
        memcpy(&value, buffer.data(), sizeof(value));
        read.number = value;
    } else if (type == REG_QWORD && bytes == sizeof(uint64_t)) {
        memcpy(&read.number, buffer.data(), sizeof(read.number));
    }
    data = std::move(read);
    return true;
}

bool LocalMachineProbe::FileExists(const std::wstring& path) const {
    DWORD attributes = ::GetFileAttributesW(ExpandPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool LocalMachineProbe::ReadFileVersion(const std::wstring& path, FileVersion& version) const {
    std::wstring file = ExpandPath(path);
    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (size == 0) return false;
    std::vector<BYTE> info(size);
    if (!::GetFileVersionInfoW(file.c_str(), 0, size, info.data())) return false;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (!::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) ||
        !fixed || fixedSize < sizeof(VS_FIXEDFILEINFO))
        return false;
    version.parts = {HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                     HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)};
    return true;
}

}  // namespace updateengine
