#include "zema/core/brightwick_launcher.h"

#include <windows.h>

#include <vector>

#include "win/unique_handle.h"

namespace zema {

FileBrightwickLauncher::FileBrightwickLauncher(std::string installFolder,
                                               std::string tempWorkFolder)
    : installFolder_(std::move(installFolder)), tempWorkFolder_(std::move(tempWorkFolder)) {}

bool FileBrightwickLauncher::Start(const std::string& switchText) {
    std::string source = installFolder_ + "\\Brightwick.exe";
    std::string target = tempWorkFolder_ + "\\Brightwick.exe";
    if (!::CopyFileA(source.c_str(), target.c_str(), FALSE)) return false;

    std::string command = "\"" + target + "\" " + switchText;
    std::vector<char> commandLine(command.begin(), command.end());
    commandLine.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &process))
        return false;
    win::KernelHandle processHandle(process.hProcess);
    win::KernelHandle threadHandle(process.hThread);
    return true;
}

}  // namespace zema
