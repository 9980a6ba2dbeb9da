#pragma once
// What the dialog and its two workers share: the workers write it and then
// post one of the messages below; the dialog reads it when the message
// arrives.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "brightwick/file_list.h"

namespace brightwick {

constexpr UINT UM_FAILED = WM_USER + 222;
constexpr UINT UM_DOWNLOADING = WM_USER + 223;
constexpr UINT UM_DEPLOYING = WM_USER + 225;
constexpr UINT UM_CHECKED = WM_USER + 226;
constexpr UINT UM_SUCCEEDED = WM_USER + 227;
constexpr UINT UM_PROGRESS = WM_USER + 228;

// Failure codes carried by UM_FAILED.
constexpr int kCheckFailed = -1;
constexpr int kListNotFetched = -4;
// kListNotLoadable (-5) and kListRejected (-6) come from file_list.h;
// kDeployFailed (-7) from deployment.h.

// Why an upgrade failed beyond its code, for the dialog's failure text.
enum class FailureReason {
    kNone,
    kUnsigned,          // the release carries no signature
    kBadSignature,      // the signature does not verify with the product's key
    kVersionMismatch,   // the signed list is of another or an older version
};

struct UpgradeState {
    // Written by the check before UM_CHECKED.
    std::string answerUrl;
    std::string fileListUrl;
    std::string baseUrl;
    std::string newVersion;
    std::string releaseDir;
    std::string localFileList;

    // Written by the upgrade under the lock, read by the dialog under it.
    std::mutex lock;
    std::vector<FileEntry> entries;
    FailureReason failureReason = FailureReason::kNone;

    std::atomic<int> currentEntry{-1};
    std::atomic<bool> downloading{false};   // else deploying
    std::atomic<uint32_t> downloadedBytes{0};  // of the current entry
    std::atomic<uint64_t> finishedBytes{0};    // of the entries already fetched
    std::atomic<float> checkFraction{0};
    std::atomic<float> listFetchedFraction{0};
    std::atomic<float> listParsedFraction{0};
    std::atomic<float> downloadedFraction{0};
    std::atomic<float> deployedFraction{0};
    uint32_t startTime = 0;  // seconds since 1970, when the upgrade began
};

}  // namespace brightwick
