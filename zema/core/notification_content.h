#pragma once
// What the tray notification says and which of its controls it shows, for
// each kind. No window code: the notification window applies the result.

#include <windows.h>

#include <functional>
#include <string>

#include "zema/core/app_services.h"

namespace zema {

// Skin text by entry name; empty when the skin lacks it.
using SkinText = std::function<std::string(const char* name)>;

struct NotificationFacts {
    size_t vulnerabilitiesFound = 0;  // entries of the last scan's list
    RepairedCount repaired;           // as the reboot dialog counts them
    bool rebootPending = false;       // some record waits for a reboot
};

struct NotificationContent {
    std::string message;
    COLORREF color = RGB(0, 0, 0);
    bool showRepair = false;   // "Repair now"
    bool showDetails = true;   // "View details"
    bool showRebootCheck = false;
    bool showOk = false;
};

NotificationContent ComposeNotification(NotificationKind kind, const NotificationFacts& facts,
                                        const SkinText& text);

// The reboot dialog's message and controls from the same counts.
struct RebootDialogContent {
    std::string message;
    bool rebootOffered = false;  // false: check box disabled, OK hidden, Cancel reads "close"
};

RebootDialogContent ComposeRebootDialog(const RepairedCount& repaired, bool rebootPending,
                                        const SkinText& text);

}  // namespace zema
