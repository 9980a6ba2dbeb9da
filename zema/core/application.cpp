#include "zema/core/application.h"

#include "zema/core/brightwick_launcher.h"
#include "zema/core/instance_guard.h"
#include "zema/core/manager_window.h"
#include "zema/core/power.h"
#include "zema/core/settings_store.h"
#include "zema/core/system_utils.h"

namespace zema {
namespace {

Application* g_current = nullptr;

}  // namespace

Application::Application(ApplicationModules modules)
    : modules_(std::move(modules)), commandLine_("") {}

Application::~Application() = default;

Application* Application::Current() { return g_current; }

int Application::Run(const std::string& commandLine) {
    g_current = this;
    commandLine_ = CommandLine(commandLine);
    int code = Initialize() ? RunLoop() : -1;
    Terminate();
    g_current = nullptr;
    return code;
}

bool Application::Initialize() {
    settings_ = std::make_unique<SettingsStore>();
    if (!settings_->Load()) return false;
    if (!CheckSingleInstance()) return false;
    if (IsUpdaterRunning()) return false;
    if (modules_.makeSkin) {
        skin_ = modules_.makeSkin();
        if (!skin_ || !skin_->Load(settings_->ResXmlPath())) return false;
    }
    if (modules_.makeSession) {
        session_ = modules_.makeSession(*settings_);
        if (!session_ || !session_->Connect()) return false;
    }
    RebootBookkeeping();
    return true;
}

bool Application::CheckSingleInstance() {
    bool alreadyRunning = false;
    win::KernelHandle mutex = AcquireInstanceMutex(alreadyRunning);
    if (!alreadyRunning) {
        instanceMutex_ = std::move(mutex);
        return true;
    }
    HWND first = settings_->WindowHandle();
    if (first) SignalFirstInstance(first);
    return false;
}

void Application::RebootBookkeeping() {
    int64_t bootTime = QueryBootTime();
    if (settings_->OSStartTime() == bootTime) return;
    // The machine restarted since reboot.xml was written: its installations
    // are complete now.
    ::DeleteFileA(settings_->RebootXmlPath().c_str());
    settings_->SetOSStartTime(bootTime);
}

int Application::RunLoop() {
    launcher_ = std::make_unique<FileBrightwickLauncher>(settings_->InstallFolder(),
                                                         settings_->TempWorkFolder());
    if (modules_.makeTray) tray_ = modules_.makeTray(*settings_, session_.get());
    if (modules_.makeWindows) windows_ = modules_.makeWindows(*settings_, session_.get());

    ManagerWindowParts parts;
    parts.settings = settings_.get();
    parts.launcher = launcher_.get();
    parts.session = session_.get();
    parts.tray = tray_.get();
    parts.windows = windows_.get();
    parts.traySwitch = commandLine_.Tray();
    parts.updatedSwitch = commandLine_.Updated();
    parts.power = [](UINT exitFlags) { ExitWindowsWithPrivilege(exitFlags); };
    managerWindow_ = std::make_unique<ManagerWindow>(parts);
    if (!managerWindow_->Create()) return -1;

    MSG msg;
    for (;;) {
        BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) break;
        if (got == -1) return -1;
        if (modules_.preTranslate && modules_.preTranslate(msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void Application::Terminate() {
    managerWindow_.reset();
    windows_.reset();
    tray_.reset();
    if (session_) {
        session_->Shutdown();
        session_.reset();
    }
    if (skin_) {
        skin_->Release();
        skin_.reset();
    }
    settings_.reset();
    instanceMutex_.Reset();
}

}  // namespace zema
