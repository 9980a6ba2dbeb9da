#pragma once
// Environment owners for tests: temporary folders, private registry keys,
// child processes and message pumping. Each removes what it made.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "win/unique_handle.h"

namespace testing_support {

// A fresh folder under the temporary folder, removed with its content.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// A private key under HKEY_CURRENT_USER\Software\ZemaguardTests, removed with
// its subtree.
class TestRegistryKey {
public:
    TestRegistryKey();
    ~TestRegistryKey();
    TestRegistryKey(const TestRegistryKey&) = delete;
    TestRegistryKey& operator=(const TestRegistryKey&) = delete;

    HKEY Root() const { return HKEY_CURRENT_USER; }
    const std::string& Path() const { return path_; }
    std::string Sub(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// A started program that is killed if the test leaves before it ends.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(ChildProcess&&) = default;
    ChildProcess& operator=(ChildProcess&&) = default;

    bool Start(const std::string& exe, const std::string& arguments,
               const std::string& workingFolder = std::string());
    // The exit code, or -1000 when it did not end in time.
    int Wait(DWORD timeoutMs);
    bool Running() const;
    void Kill();
    DWORD Id() const { return id_; }
    HANDLE Handle() const { return process_.Get(); }

private:
    win::KernelHandle process_;
    DWORD id_ = 0;
};

constexpr int kStillRunning = -1000;

// Folder of the running test program; every built program and library of
// the tree lands there.
std::string BinaryFolder();

void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
bool PathExists(const std::string& path);
// Removes a file or a folder tree; missing is fine.
void RemovePath(const std::string& path);

// Dispatches this thread's messages until `done` holds or the time is up.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
void PumpFor(DWORD ms);

// What zg_read_controls prints for `query` about `window`, read from its own
// process while this thread goes on dispatching (the window answers on it);
// "" when it could not run.
std::string ReadFromOutside(HWND window, const std::string& query);
// The accessible role, state and name of `window` (child 0) or one of its
// items, read from outside; role -1 when it could not be read.
struct AccessibleReading {
    long role = -1;
    unsigned long state = 0;
    std::string name;
};
AccessibleReading ReadAccessibleFromOutside(HWND window, int child = 0);

// Keeps a key's values and whether it (and its parents) existed, and puts
// exactly that back when it goes, for tests that must use a fixed key.
class RegistryKeySnapshot {
public:
    RegistryKeySnapshot(HKEY root, std::string path);
    ~RegistryKeySnapshot();
    RegistryKeySnapshot(const RegistryKeySnapshot&) = delete;
    RegistryKeySnapshot& operator=(const RegistryKeySnapshot&) = delete;

    void DeleteAllValues() const;

private:
    struct Value {
        std::string name;
        DWORD type;
        std::string data;
    };
    HKEY root_;
    std::string path_;
    std::vector<std::string> missingKeys_;  // deepest first
    std::vector<Value> values_;
};

// Calls a COM server's DllRegisterServer or DllUnregisterServer.
bool CallServerEntry(const std::string& dll, const char* entry);

// Writes REG_SZ / REG_DWORD values, creating the key.
bool SetRegString(HKEY root, const std::string& key, const char* name, const std::string& value);
bool SetRegDword(HKEY root, const std::string& key, const char* name, DWORD value);

}  // namespace testing_support
