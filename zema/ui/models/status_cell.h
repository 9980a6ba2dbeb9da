#pragma once
// What the status columns of the result view show for a record: skin entry
// names for the text and colour, and an image index. Plain data, so every
// state can be checked without a window.

#include <string>

#include "zema/core/update_record.h"

namespace zema {

// Images of the update list, in image-list order.
enum UpdateImage {
    kImageUpdate = 0,
    kImageCategory = 1,
    kImageNull = 2,
    kImageInstalled = 3,
    kImageInstallReboot = 4,
    kImageInstalling = 5,
    kImageDownloaded = 6,
    kImageError = 7,
    kImageFirstFrame = 8,   // the installing animation: frames 8..18
    kImageLastFrame = 18,
};

// Images of the vulnerability list.
enum VulnerabilityImage {
    kVulnImageVuln = 0,
    kVulnImageNull = 1,
    kVulnImageInstalling = 2,
    kVulnImageInstalled = 3,
    kVulnImageInstallReboot = 4,
    kVulnImageError = 5,
};

struct StatusLook {
    const char* text;    // string entry; null: empty text
    const char* colour;  // colour entry; null: black
    int image;
};

StatusLook UpdateStatusLook(const UpdateRecord& record);
StatusLook RepairStatusLook(UpdateStatus status);

// The status text of a running download with its progress: "(50.0%)" below
// one, "(100%)" from one on, with no blank before the bracket.
std::string DownloadProgressText(const std::string& statusText, float fraction);

// Whether a status cell shows a progress bar under its text.
inline bool ShowsDownloadProgress(UpdateStatus s) { return IsDownloadActive(s); }

}  // namespace zema
