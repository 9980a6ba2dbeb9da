#include "tests/brightwick/upgrade_fixture.h"

#include <objbase.h>

#include "brightwick/updater_settings.h"
#include "netclient/file_utils.h"

namespace brightwick_tests {
namespace {

using testing_support::ReadFileBytes;

void Collect(const std::string& root, const std::string& relative,
             std::map<std::string, std::string>& files) {
    std::string folder = relative.empty() ? root : root + "\\" + relative;
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        std::string rel = relative.empty() ? name : relative + "\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            Collect(root, rel, files);
        else
            files[rel] = ReadFileBytes(root + "\\" + rel);
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
}

}  // namespace

void UpgradeFixture::SetUp() {
    // The upgrade reads its file list with MSXML, as its own thread does.
    com_ = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    PeerTest::SetUp();
    if (HasFatalFailure()) return;
    productKey_ = std::make_unique<testing_support::RegistryKeySnapshot>(HKEY_LOCAL_MACHINE,
                                                                         brightwick::kProductKey);
    productKey_->DeleteAllValues();
    ASSERT_TRUE(testing_support::SetRegString(HKEY_LOCAL_MACHINE, brightwick::kProductKey,
                                              "InstallPath", InstallFolder() + "\\"));
    ASSERT_TRUE(testing_support::SetRegString(HKEY_LOCAL_MACHINE, brightwick::kProductKey,
                                              "VDFPath", WorkFolder()));
    ASSERT_TRUE(testing_support::SetRegString(HKEY_LOCAL_MACHINE, brightwick::kProductKey,
                                              "Version", kVersionA));
    for (const auto& file : Release("src-a")) {
        std::string target = InstallFolder() + "\\" + file.first;
        ASSERT_TRUE(netclient::MakeFolderPath(target.substr(0, target.find_last_of('\\'))));
        testing_support::WriteFileBytes(target, file.second);
    }
    ASSERT_TRUE(::CopyFileA((testing_support::BinaryFolder() + "\\zg_fake_zema.exe").c_str(),
                            (InstallFolder() + "\\ZEMA.exe").c_str(), FALSE));
    testing_support::WriteFileBytes(ConfigIni(), "[General]\r\nWindowHandle=0\r\n");
}

void UpgradeFixture::TearDown() {
    // The updater may have started the stand-in again: end whatever runs.
    // Under Wine a child shares the test's output, so one left running
    // would hold the test open.
    auto window = [this] {
        int64_t handle = win::IniFile(ConfigIni()).ReadInt64("General", "WindowHandle", 0, 32);
        return reinterpret_cast<HWND>(static_cast<uintptr_t>(handle));
    };
    if (!ZemaArguments().empty())
        testing_support::PumpUntil([&] { return window() && ::IsWindow(window()); }, 10000);
    HWND published = window();
    DWORD pid = 0;
    if (published && ::IsWindow(published) && ::GetWindowThreadProcessId(published, &pid) && pid) {
        win::KernelHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
        if (process) {
            ::TerminateProcess(process.Get(), 0);
            ::WaitForSingleObject(process.Get(), 5000);
        }
    }
    zema_.Kill();
    productKey_.reset();
    if (SUCCEEDED(com_)) ::CoUninitialize();
}

std::string UpgradeFixture::ReleasePath(const std::string& relative) const {
    std::string path = peers_.DocumentPath("upgrade/" + relative);
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string UpgradeFixture::ReleaseText(const std::string& relative) const {
    return ReadFileBytes(ReleasePath(relative));
}

std::string UpgradeFixture::UpgradeServer(const std::string& answer) const {
    return "127.0.0.1:" + std::to_string(peers_.Port("nginx")) + "/up/" + answer;
}

brightwick::RunContext UpgradeFixture::Context() const {
    brightwick::RunContext context;
    context.installFolder = InstallFolder();
    context.workFolder = WorkFolder();
    context.upgradeServer = UpgradeServer("good");
    context.installedVersion = kVersionA;
    context.http.connectMode = 0;
    context.ftp.connectMode = 0;
    context.cancelEvent = stop_.Get();
    std::string config = ConfigIni();
    context.mainWindow = [config] {
        return static_cast<uintptr_t>(win::IniFile(config).ReadInt64("General", "WindowHandle", 0, 32));
    };
    return context;
}

void UpgradeFixture::Offer(brightwick::UpgradeState& state, const std::string& folder,
                           const std::string& version) const {
    state.baseUrl = peers_.HttpUrl("nginx", "/upgrade/" + folder);
    state.fileListUrl = state.baseUrl + "/filelist.xml.cpr";
    state.newVersion = version;
    state.releaseDir = WorkFolder() + "\\" + version;
    state.localFileList = state.releaseDir + "\\FileList.xml";
}

std::map<std::string, std::string> UpgradeFixture::Contents(const std::string& folder) {
    std::map<std::string, std::string> files;
    Collect(folder, std::string(), files);
    return files;
}

std::map<std::string, std::string> UpgradeFixture::Installed() const {
    std::map<std::string, std::string> files = Contents(InstallFolder());
    for (const char* own : {"ZEMA.exe", "ZEMA.exe.args.txt", "config.ini"}) files.erase(own);
    return files;
}

std::map<std::string, std::string> UpgradeFixture::Release(const char* source) const {
    return Contents(ReleasePath(source));
}

bool UpgradeFixture::StartZema() {
    return zema_.Start(InstallFolder() + "\\ZEMA.exe", "-tray") &&
           WaitForZemaStart("-tray", 20000);
}

std::string UpgradeFixture::ZemaArguments() const {
    return ReadFileBytes(InstallFolder() + "\\ZEMA.exe.args.txt");
}

bool UpgradeFixture::WaitForZemaStart(const std::string& argumentsContaining,
                                      DWORD timeoutMs) const {
    return testing_support::PumpUntil(
        [&] {
            return ZemaArguments().find(argumentsContaining) != std::string::npos &&
                   win::IniFile(ConfigIni()).ReadInt("General", "WindowHandle", 0) != 0;
        },
        timeoutMs);
}

}  // namespace brightwick_tests
