#include "zema/core/notification_content.h"

#include "zema/core/text_format.h"

namespace zema {
namespace {

constexpr COLORREF kScannedColor = RGB(0, 0, 0);
constexpr COLORREF kDoneColor = RGB(0, 100, 0);
// Dark red: the user still has to act (reboot) before the repair holds.
constexpr COLORREF kRebootColor = RGB(160, 0, 0);

std::string InstalledMessage(const RepairedCount& repaired, const SkinText& text) {
    if (repaired.awaitingReboot == 0)
        return FormatNumbers(text("rns_tray_installed_notify"), {repaired.total});
    return FormatNumbers(text("rns_tray_installed_notify_reboot"),
                         {repaired.total, repaired.awaitingReboot});
}

}  // namespace

NotificationContent ComposeNotification(NotificationKind kind, const NotificationFacts& facts,
                                        const SkinText& text) {
    NotificationContent content;
    switch (kind) {
    case kNotifyScanned:
        content.showRepair = true;
        content.message = FormatNumbers(text("rns_tray_scanned_notify"),
                                        {static_cast<long long>(facts.vulnerabilitiesFound)});
        content.color = kScannedColor;
        break;
    case kNotifyDownloaded:
        content.showRepair = true;
        content.message = text("rns_tray_downloaded_notify");
        content.color = kDoneColor;
        break;
    case kNotifyInstalled:
        content.showRebootCheck = content.showOk = facts.rebootPending;
        content.message = InstalledMessage(facts.repaired, text);
        content.color = facts.rebootPending ? kRebootColor : kDoneColor;
        break;
    case kNotifyInstalledNeedsReboot:
        content.showRebootCheck = content.showOk = true;
        content.message = FormatNumbers(text("rns_tray_installed_notify_reboot"),
                                        {facts.repaired.total, facts.repaired.awaitingReboot});
        content.color = kRebootColor;
        break;
    }
    return content;
}

RebootDialogContent ComposeRebootDialog(const RepairedCount& repaired, bool rebootPending,
                                        const SkinText& text) {
    RebootDialogContent content;
    content.rebootOffered = rebootPending;
    content.message = rebootPending
                          ? FormatNumbers(text("rns_tray_installed_notify_reboot"),
                                          {repaired.total, repaired.awaitingReboot})
                          : FormatNumbers(text("rns_tray_installed_notify"), {repaired.total});
    return content;
}

}  // namespace zema
