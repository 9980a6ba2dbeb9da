#include "zema/ui/windows/window_host.h"

#include "zema/core/application.h"
#include "zema/core/settings_store.h"
#include "zema/ui/windows/engine_result_source.h"
#include "zema/core/catalog_facts.h"
#include "zema/core/engine_session.h"
#include "zema/ui/windows/about_box.h"
#include "zema/ui/windows/details_dialog.h"
#include "zema/ui/windows/main_window.h"
#include "zema/ui/windows/notification_window.h"
#include "zema/ui/windows/reboot_dialog.h"

namespace zema {

ZemaWindowHost::ZemaWindowHost(SettingsStore& settings, EngineSession& session,
                               const SkinResources& skin, PowerAction power)
    : settings_(settings),
      session_(session),
      skin_(skin),
      source_(std::make_unique<EngineResultSource>(session)),
      power_(std::move(power)),
      options_(skin, settings) {}

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
        OpenDetailsWith(*main_);
    }
    main_->Show();
}

HWND ZemaWindowHost::MainWindow() const { return main_ ? main_->hwnd() : nullptr; }

void ZemaWindowHost::OpenDetailsWith(zema::MainWindow& main) {
    catalog_ = std::make_unique<EngineCatalogFacts>(session_.Catalog());
    details_ = std::make_unique<DetailsDialog>(skin_, *catalog_);
    if (!details_->Create(main.hwnd())) {
        details_.reset();
        return;
    }
    DetailsDialog* details = details_.get();
    main.View().SetDetailsHook([details](UpdateRecord* record, bool toggle) {
        HWND window = details->hwnd();
        if (toggle) {
            details->ShowRecord(record);
            if (record) details->Present();
        } else if (::IsWindowVisible(window)) {
            // Follows the selection while it is open.
            details->ShowRecord(record);
        }
    });
}

void ZemaWindowHost::DestroyWindows() {
    notification_.reset();
    details_.reset();
    main_.reset();
}

bool ZemaWindowHost::OpenOptions(HWND owner) { return options_.Open(owner); }

void ZemaWindowHost::ShowNotification(NotificationKind kind) {
    if (!notification_) {
        NotificationParts parts;
        parts.skin = &skin_;
        parts.manager = settings_.WindowHandle();
        parts.session = &session_;
        parts.power = power_;
        notification_ = std::make_unique<NotificationWindow>(parts);
    }
    notification_->Show(kind);
}

void ZemaWindowHost::HideNotification() {
    if (notification_) notification_->Hide();
}

void ZemaWindowHost::OpenRebootDialog() {
    HWND owner = MainWindow() ? MainWindow() : settings_.WindowHandle();
    RebootDialog dialog(skin_, session_, power_);
    dialog.RunModal(owner, RebootDialog::Layout(skin_));
}

void ZemaWindowHost::ShowAbout(HWND owner) {
    AboutBox about(skin_, AboutFacts::FromSettings(settings_));
    about.RunModal(owner, AboutBox::Layout(skin_));
}

}  // namespace zema
