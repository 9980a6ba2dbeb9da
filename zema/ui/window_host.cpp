#include "zema/ui/window_host.h"

#include "zema/core/application.h"
#include "zema/core/settings_store.h"
#include "zema/ui/engine_result_source.h"
#include "zema/ui/main_window.h"

namespace zema {

ZemaWindowHost::ZemaWindowHost(SettingsStore& settings, EngineSession& session,
                               const SkinResources& skin)
    : settings_(settings),
      session_(session),
      skin_(skin),
      source_(std::make_unique<EngineResultSource>(session)) {}

ZemaWindowHost::~ZemaWindowHost() { DestroyWindows(); }

void ZemaWindowHost::ShowMainWindow() {
    if (!main_) {
        MainWindowParts parts;
        parts.session = &session_;
        parts.source = source_.get();
        parts.skin = &skin_;
        parts.settings = &settings_;
        parts.manager = settings_.WindowHandle();
        auto window = std::make_unique<zema::MainWindow>(parts);
        if (!window->Create()) return;
        main_ = std::move(window);
    }
    main_->Show();
}

HWND ZemaWindowHost::MainWindow() const { return main_ ? main_->hwnd() : nullptr; }

void ZemaWindowHost::DestroyWindows() { main_.reset(); }

// The options dialog, the notifications and the reboot dialog come with
// their own windows; until then these do nothing.
bool ZemaWindowHost::OpenOptions(HWND) { return false; }
void ZemaWindowHost::ShowNotification(NotificationKind) {}
void ZemaWindowHost::OpenRebootDialog() {}

}  // namespace zema
