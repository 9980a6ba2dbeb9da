#include "brightwick/main_program.h"

#include <windows.h>

#include <ctime>

#include "brightwick/updater_settings.h"
#include "win/unique_handle.h"

namespace brightwick {
namespace {

constexpr UINT kTearDownTimeoutMs = 5000;
constexpr DWORD kExitWaitMs = 1000;
constexpr UINT kTerminatedExitCode = 1;

// Whether a process runs the main program, so that a stale handle reused by
// another program's window never makes the updater end that program.
bool RunsMainProgram(HANDLE process) {
    char path[MAX_PATH * 2] = {};
    DWORD size = sizeof(path);
    if (!::QueryFullProcessImageNameA(process, 0, path, &size)) return false;
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/') name = p + 1;
    return lstrcmpiA(name, kMainProgramName) == 0;
}

void WriteValue(const char* name, DWORD type, const void* data, DWORD size) {
    win::RegKey key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_SET_VALUE, key.Put()) !=
        ERROR_SUCCESS)
        return;
    ::RegSetValueExA(key.Get(), name, 0, type, static_cast<const BYTE*>(data), size);
}

}  // namespace

void StopMainProgram(uintptr_t handle) {
    HWND window = reinterpret_cast<HWND>(handle);
    if (!window || !::IsWindow(window)) return;
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    if (processId == 0) return;
    win::KernelHandle process(::OpenProcess(
        SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process || !RunsMainProgram(process.Get())) return;
    // A hung program must not hang the updater: the wait is bounded and the
    // program is terminated afterwards anyway.
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(window, WM_DESTROY, 0, 0, SMTO_ABORTIFHUNG, kTearDownTimeoutMs, &result);
    if (::WaitForSingleObject(process.Get(), kExitWaitMs) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.Get(), kTerminatedExitCode);
        ::WaitForSingleObject(process.Get(), kExitWaitMs);
    }
}

void StartMainProgram(const std::string& installFolder, const std::string& arguments) {
    std::string commandLine = "\"" + installFolder + "\\" + kMainProgramName + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info))
        return;
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
}

void RecordUpdate(uint32_t startTime, const std::string& version) {
    DWORD start = startTime;
    WriteValue("UpdateStartTime", REG_DWORD, &start, sizeof(start));
    DWORD end = SecondsSince1970();
    WriteValue("UpdateEndTime", REG_DWORD, &end, sizeof(end));
    WriteValue("Version", REG_SZ, version.c_str(), static_cast<DWORD>(version.size() + 1));
}

uint32_t SecondsSince1970() { return static_cast<uint32_t>(std::time(nullptr)); }

}  // namespace brightwick
