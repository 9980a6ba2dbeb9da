#pragma once
// What the tray notification and the reboot dialog say and which of their
// controls they show. No window code: the windows apply the result.

#include <windows.h>

#include <string>

#include "zema/core/app_services.h"

namespace zema {

class SkinResources;

struct NotificationFacts {
    size_t vulnerabilitiesFound = 0;  // entries of the last scan's list
    RepairedCount repaired;           // as the reboot dialog counts them
    bool rebootPending = false;       // some record waits for a reboot
};

// The counts of the session's records now.
NotificationFacts CurrentFacts(const UpdateSession& session);

// The red shield: what a notification shows when something is to repair,
// and in place of any newer icon a skin lacks.
constexpr char kAlertIcon[] = "rni_result_serious";

struct NotificationContent {
    std::string message;
    const char* icon = kAlertIcon;
    COLORREF color = RGB(0, 0, 0);
    bool showRepair = false;   // "Repair now"
    bool showDetails = true;   // "View details"
    bool showRebootCheck = false;
    bool showOk = false;
};

NotificationContent ComposeNotification(NotificationKind kind, const NotificationFacts& facts,
                                        const SkinResources& skin);

struct RebootDialogContent {
    std::string title;
    std::string message;
    const char* icon = kAlertIcon;
    bool rebootOffered = false;  // false: check box disabled, OK hidden, Cancel reads "close"
};

RebootDialogContent ComposeRebootDialog(const NotificationFacts& facts, const SkinResources& skin);

}  // namespace zema
