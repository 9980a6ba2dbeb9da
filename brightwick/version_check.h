#pragma once
// The version check: one GET of the upgrade server's validate page, whose
// answer is the address it redirects to; that address names the new
// version's file list and the new version.

#include <string>

#include "netclient/transfer.h"

namespace brightwick {

// What the redirect target carries.
struct UpgradeAnswer {
    std::string fileListUrl;  // empty when the target names no file list
    std::string baseUrl;      // the folder that holds the file list
    std::string newVersion;   // empty when the target names none
};

// "http://SERVER/zema/upgrade/validate.asp?Version=V&lang=en-us&n=N". A
// server named with an "http://" or "https://" prefix keeps its scheme.
std::string ValidateRequestUrl(const std::string& server, const std::string& installedVersion);
std::string FailedPageUrl(const std::string& server);

// Sends the request with redirects not followed. True with the lower-cased
// answer address when the server answered with a redirect (301 to 399) that
// is neither empty nor the failed page; without a Location header the answer
// is the request address itself.
bool RequestAnswer(netclient::TransferSettings settings, const std::string& failedPage,
                   std::string& answer);

// Takes an answer address apart; always succeeds.
UpgradeAnswer SplitAnswer(const std::string& answer);

// 1 when `newer` is higher than `installed`, -1 when lower, 0 when equal.
// Each is read as up to four dotted unsigned fields; missing ones are 0.
int CompareVersions(const std::string& newer, const std::string& installed);

}  // namespace brightwick
