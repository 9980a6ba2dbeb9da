#include "zema/ui/models/notification_content.h"

#include "zema/ui/toolkit/skin_resources.h"

namespace zema {
namespace {

constexpr COLORREF kScannedColor = RGB(0, 0, 0);
constexpr COLORREF kDoneColor = RGB(0, 100, 0);
// Dark red: the user still has to restart before the repair holds.
constexpr COLORREF kRebootColor = RGB(160, 0, 0);

// The texts for one vulnerability are newer than the plural ones: a skin
// without them keeps the plural text.
std::string RebootMessage(const RepairedCount& repaired, const SkinResources& skin) {
    if (repaired.total == 1 && skin.HasString("rns_tray_installed_notify_reboot_one"))
        return skin.Format("rns_tray_installed_notify_reboot_one", "%d", repaired.total);
    if (repaired.awaitingReboot == 1 &&
        skin.HasString("rns_tray_installed_notify_reboot_one_restart"))
        return skin.Format("rns_tray_installed_notify_reboot_one_restart", "%d%d",
                           repaired.total, repaired.awaitingReboot);
    return skin.Format("rns_tray_installed_notify_reboot", "%d%d", repaired.total,
                       repaired.awaitingReboot);
}

std::string RepairedMessage(const RepairedCount& repaired, const SkinResources& skin) {
    if (repaired.total == 1 && skin.HasString("rns_tray_installed_notify_one"))
        return skin.Format("rns_tray_installed_notify_one", "%d", repaired.total);
    return skin.Format("rns_tray_installed_notify", "%d", repaired.total);
}

std::string InstalledMessage(const RepairedCount& repaired, const SkinResources& skin) {
    if (repaired.awaitingReboot == 0) return RepairedMessage(repaired, skin);
    return RebootMessage(repaired, skin);
}

std::string FoundMessage(int found, const SkinResources& skin) {
    if (found == 1 && skin.HasString("rns_tray_scanned_notify_one"))
        return skin.Format("rns_tray_scanned_notify_one", "%d", found);
    return skin.Format("rns_tray_scanned_notify", "%d", found);
}

}  // namespace

NotificationFacts CurrentFacts(const UpdateSession& session) {
    NotificationFacts facts;
    facts.vulnerabilitiesFound = session.VulnerabilityCount();
    facts.repaired = session.CountRepairedVulnerabilities();
    for (const auto& record : session.Updates())
        if (record->status == UpdateStatus::InstalledNeedsReboot) facts.rebootPending = true;
    return facts;
}

NotificationContent ComposeNotification(NotificationKind kind, const NotificationFacts& facts,
                                        const SkinResources& skin) {
    NotificationContent content;
    switch (kind) {
    case kNotifyScanned:
        content.showRepair = true;
        content.message = FoundMessage(static_cast<int>(facts.vulnerabilitiesFound), skin);
        content.color = kScannedColor;
        content.icon = kAlertIcon;
        break;
    case kNotifyDownloaded:
        content.showRepair = true;
        content.message = skin.GetString("rns_tray_downloaded_notify");
        content.color = kDoneColor;
        content.icon = "rni_notify_downloaded";
        break;
    case kNotifyInstalled:
        content.showRebootCheck = content.showOk = facts.rebootPending;
        content.message = InstalledMessage(facts.repaired, skin);
        content.color = facts.rebootPending ? kRebootColor : kDoneColor;
        content.icon = facts.rebootPending ? "rni_notify_restart" : "rni_notify_installed";
        break;
    case kNotifyInstalledNeedsReboot:
        content.showRebootCheck = content.showOk = true;
        content.message = RebootMessage(facts.repaired, skin);
        content.color = kRebootColor;
        content.icon = "rni_notify_restart";
        break;
    }
    return content;
}

RebootDialogContent ComposeRebootDialog(const NotificationFacts& facts, const SkinResources& skin) {
    RebootDialogContent content;
    content.rebootOffered = facts.rebootPending;
    // Only a pending restart makes it "required"; a skin without the other
    // title keeps its one title.
    content.title = skin.GetString(!facts.rebootPending &&
                                           skin.HasString("rns_rboot_dialog_title_done")
                                       ? "rns_rboot_dialog_title_done"
                                       : "rns_rboot_dialog_title");
    content.message = facts.rebootPending ? RebootMessage(facts.repaired, skin)
                                          : RepairedMessage(facts.repaired, skin);
    content.icon = facts.rebootPending ? "rni_notify_restart" : "rni_notify_installed";
    return content;
}

}  // namespace zema
