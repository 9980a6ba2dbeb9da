#include "tests/support/test_support.h"

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

namespace testing_support {
namespace {

std::atomic<int> g_counter{0};
constexpr DWORD kMaxValueName = 16384;
constexpr DWORD kMaxValueData = 65536;

std::string UniqueName(const char* prefix) {
    char name[96];
    snprintf(name, sizeof(name), "%s%lu_%lu_%d", prefix, ::GetCurrentProcessId(),
             ::GetTickCount(), g_counter++);
    return name;
}

}  // namespace

TempFolder::TempFolder() {
    char temp[MAX_PATH + 1] = {};
    ::GetTempPathA(MAX_PATH, temp);
    std::string base(temp);
    while (!base.empty() && base.back() == '\\') base.pop_back();
    path_ = base + "\\" + UniqueName("zgtest_");
    ::CreateDirectoryA(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() { RemovePath(path_); }

TestRegistryKey::TestRegistryKey() {
    path_ = "Software\\ZemaguardTests\\" + UniqueName("k");
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                          nullptr, &key, nullptr) == ERROR_SUCCESS)
        ::RegCloseKey(key);
}

TestRegistryKey::~TestRegistryKey() {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    ::RegDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
}

ChildProcess::~ChildProcess() { Kill(); }

bool ChildProcess::Start(const std::string& exe, const std::string& arguments,
                         const std::string& workingFolder) {
    std::string command = "\"" + exe + "\"";
    if (!arguments.empty()) command += " " + arguments;
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup,
                          &info))
        return false;
    ::CloseHandle(info.hThread);
    process_.Reset(info.hProcess);
    id_ = info.dwProcessId;
    return true;
}

int ChildProcess::Wait(DWORD timeoutMs) {
    if (!process_) return kStillRunning;
    if (::WaitForSingleObject(process_.Get(), timeoutMs) != WAIT_OBJECT_0) return kStillRunning;
    DWORD code = 0;
    ::GetExitCodeProcess(process_.Get(), &code);
    return static_cast<int>(code);
}

bool ChildProcess::Running() const {
    return process_ && ::WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT;
}

void ChildProcess::Kill() {
    if (Running()) {
        ::TerminateProcess(process_.Get(), 1);
        ::WaitForSingleObject(process_.Get(), 5000);
    }
    process_.Reset();
}

std::string BinaryFolder() {
    char path[MAX_PATH + 1] = {};
    DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of("\\/"));
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return;
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

std::string ReadFileBytes(const std::string& path) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return std::string();
    std::string out;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0) out.append(buffer, n);
    fclose(f);
    return out;
}

bool PathExists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemovePath(const std::string& path) {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::DeleteFileA(path.c_str());
        return;
    }
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((path + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name != "." && name != "..") RemovePath(path + "\\" + name);
        } while (::FindNextFileA(find, &data));
        ::FindClose(find);
    }
    ::RemoveDirectoryA(path.c_str());
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (done()) return true;
        if (::GetTickCount() - start >= timeoutMs) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

std::string ReadFromOutside(HWND window, const std::string& query) {
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return {};
    win::KernelHandle reader(readEnd);
    win::KernelHandle writer(writeEnd);
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    std::string command = "\"" + BinaryFolder() + "\\zg_read_controls.exe\" " +
                          std::to_string(reinterpret_cast<uintptr_t>(window)) + " " + query;
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = nullptr;
    PROCESS_INFORMATION started = {};
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                          nullptr, &startup, &started))
        return {};
    win::KernelHandle process(started.hProcess);
    win::KernelHandle thread(started.hThread);
    writer.Reset();
    if (!PumpUntil([&] { return ::WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0; },
                   20000)) {
        ::TerminateProcess(process.Get(), 1);
        return {};
    }
    std::string out;
    char buffer[512];
    DWORD got = 0;
    while (::ReadFile(reader.Get(), buffer, sizeof(buffer), &got, nullptr) && got > 0)
        out.append(buffer, got);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

AccessibleReading ReadAccessibleFromOutside(HWND window, int child) {
    std::string line = ReadFromOutside(window, "accessible " + std::to_string(child));
    AccessibleReading reading;
    long role = -1;
    unsigned long state = 0;
    int nameAt = -1;
    if (std::sscanf(line.c_str(), "role=%ld state=%lx name=%n", &role, &state, &nameAt) >= 2 &&
        nameAt >= 0) {
        reading.role = role;
        reading.state = state;
        reading.name = line.substr(static_cast<size_t>(nameAt));
    }
    return reading;
}

RegistryKeySnapshot::RegistryKeySnapshot(HKEY root, std::string path)
    : root_(root), path_(std::move(path)) {
    for (std::string key = path_; !key.empty();) {
        win::RegKey probe;
        if (::RegOpenKeyExA(root_, key.c_str(), 0, KEY_READ, probe.Put()) == ERROR_SUCCESS) break;
        missingKeys_.push_back(key);
        size_t slash = key.find_last_of('\\');
        key = slash == std::string::npos ? std::string() : key.substr(0, slash);
    }
    win::RegKey key;
    if (::RegOpenKeyExA(root_, path_.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return;
    std::vector<char> name(kMaxValueName);
    std::vector<BYTE> data(kMaxValueData);
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = kMaxValueName;
        DWORD dataLength = kMaxValueData;
        DWORD type = 0;
        if (::RegEnumValueA(key.Get(), i, name.data(), &nameLength, nullptr, &type, data.data(),
                            &dataLength) != ERROR_SUCCESS)
            break;
        values_.push_back({std::string(name.data(), nameLength), type,
                           std::string(reinterpret_cast<char*>(data.data()), dataLength)});
    }
}

void RegistryKeySnapshot::DeleteAllValues() const {
    win::RegKey key;
    if (::RegOpenKeyExA(root_, path_.c_str(), 0, KEY_ALL_ACCESS, key.Put()) != ERROR_SUCCESS)
        return;
    std::vector<char> name(kMaxValueName);
    for (;;) {
        DWORD nameLength = kMaxValueName;
        if (::RegEnumValueA(key.Get(), 0, name.data(), &nameLength, nullptr, nullptr, nullptr,
                            nullptr) != ERROR_SUCCESS ||
            ::RegDeleteValueA(key.Get(), name.data()) != ERROR_SUCCESS)
            break;
    }
}

RegistryKeySnapshot::~RegistryKeySnapshot() {
    DeleteAllValues();
    if (!values_.empty()) {
        win::RegKey key;
        if (::RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              key.Put(), nullptr) == ERROR_SUCCESS) {
            for (const Value& v : values_)
                ::RegSetValueExA(key.Get(), v.name.c_str(), 0, v.type,
                                 reinterpret_cast<const BYTE*>(v.data.data()),
                                 static_cast<DWORD>(v.data.size()));
        }
    }
    for (const std::string& key : missingKeys_) ::RegDeleteKeyA(root_, key.c_str());
}

bool SetRegString(HKEY root, const std::string& key, const char* name, const std::string& value) {
    HKEY h = nullptr;
    if (::RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                          nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = ::RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                               static_cast<DWORD>(value.size() + 1));
    ::RegCloseKey(h);
    return rc == ERROR_SUCCESS;
}

bool SetRegDword(HKEY root, const std::string& key, const char* name, DWORD value) {
    HKEY h = nullptr;
    if (::RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                          nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = ::RegSetValueExA(h, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                               sizeof(value));
    ::RegCloseKey(h);
    return rc == ERROR_SUCCESS;
}

bool CallServerEntry(const std::string& dll, const char* entry) {
    win::Module module(::LoadLibraryA(dll.c_str()));
    if (!module) return false;
    auto function = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(::GetProcAddress(module.Get(), entry)));
    return function && SUCCEEDED(function());
}

}  // namespace testing_support
