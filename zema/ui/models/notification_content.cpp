#include "zema/ui/models/notification_content.h"

#include "zema/ui/toolkit/skin_resources.h"

namespace zema {
namespace {

constexpr COLORREF kScannedColor = RGB(0, 0, 0);
constexpr COLORREF kDoneColor = RGB(0, 100, 0);
// Dark red: the user still has to restart before the repair holds.
constexpr COLORREF kRebootColor = RGB(160, 0, 0);

std::string RebootMessage(const RepairedCount& repaired, const SkinResources& skin) {
    return skin.Format("rns_tray_installed_notify_reboot", "%d%d", repaired.total,
                       repaired.awaitingReboot);
}

std::string InstalledMessage(const RepairedCount& repaired, const SkinResources& skin) {
    if (repaired.awaitingReboot == 0)
        return skin.Format("rns_tray_installed_notify", "%d", repaired.total);
    return RebootMessage(repaired, skin);
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
        content.message = skin.Format("rns_tray_scanned_notify", "%d",
                                      static_cast<int>(facts.vulnerabilitiesFound));
        content.color = kScannedColor;
        break;
    case kNotifyDownloaded:
        content.showRepair = true;
        content.message = skin.GetString("rns_tray_downloaded_notify");
        content.color = kDoneColor;
        break;
    case kNotifyInstalled:
        content.showRebootCheck = content.showOk = facts.rebootPending;
        content.message = InstalledMessage(facts.repaired, skin);
        content.color = facts.rebootPending ? kRebootColor : kDoneColor;
        break;
    case kNotifyInstalledNeedsReboot:
        content.showRebootCheck = content.showOk = true;
        content.message = RebootMessage(facts.repaired, skin);
        content.color = kRebootColor;
        break;
    }
    return content;
}

RebootDialogContent ComposeRebootDialog(const NotificationFacts& facts, const SkinResources& skin) {
    RebootDialogContent content;
    content.rebootOffered = facts.rebootPending;
    content.message = facts.rebootPending ? RebootMessage(facts.repaired, skin)
                                          : skin.Format("rns_tray_installed_notify", "%d",
                                                        facts.repaired.total);
    return content;
}

}  // namespace zema
