// Winsock 2 must come before <windows.h>.
#include "netclient/transfer.h"

#include "brightwick/upgrade_run.h"

#include "brightwick/deployment.h"
#include "brightwick/file_io.h"
#include "brightwick/main_program.h"
#include "brightwick/package_fetcher.h"
#include "brightwick/release_signature.h"
#include "brightwick/version_check.h"
#include "netclient/file_checksum.h"
#include "netclient/file_utils.h"
#include "win/path.h"
#include "win/unique_handle.h"

namespace brightwick {
namespace {

constexpr char kUpdatingMutex[] = "Global\\ZEMAUpdating";
constexpr char kWorkFolderName[] = "Tolvane";
constexpr char kLocalFileList[] = "FileList.xml";
constexpr char kSignatureSuffix[] = ".sig";
// Beside the release folder, where no name of the list can reach.
constexpr char kBackupSuffix[] = ".replaced";
constexpr int kListAttempts = 3;
constexpr DWORD kListRetryPauseMs = 1000;
constexpr int kFileAttempts = 3;
constexpr DWORD kDeployPauseMs = 10;
constexpr size_t kMaxSignatureBytes = 4096;

class Upgrade {
public:
    Upgrade(const RunContext& context, UpgradeState& state, const RunListener& listener)
        : context_(context),
          state_(state),
          listener_(listener),
          fetcher_(context.http, context.ftp, context.cancelEvent, state.downloadedBytes,
                   [this] { Tell(UM_PROGRESS); }) {}

    int Run() {
        // While this is held the main program does not start.
        updating_.Reset(::CreateMutexA(nullptr, TRUE, kUpdatingMutex));
        state_.startTime = SecondsSince1970();
        // The release's download folder; every later step fails without it.
        netclient::MakeFolderPath(state_.releaseDir);

        FileList list;
        int code = FetchFileList(list);
        if (code != 1) return Fail(code);
        state_.listFetchedFraction = 1;
        Tell(UM_PROGRESS);

        std::vector<FileEntry> entries =
            ChangedEntries(list, state_.baseUrl, state_.releaseDir, context_.installFolder);
        {
            std::lock_guard<std::mutex> lock(state_.lock);
            state_.entries = entries;
        }
        state_.listParsedFraction = 1;
        state_.downloading = true;
        Tell(UM_PROGRESS);

        Tell(UM_DOWNLOADING);
        if (!DownloadEntries(entries)) return Fail(kListRejected);

        state_.downloading = false;
        StopMainProgram(context_.mainWindow ? context_.mainWindow() : 0);
        Tell(UM_DEPLOYING);
        Deployment deployment(context_.installFolder, state_.releaseDir + kBackupSuffix);
        if (deployment.Deploy(entries, [this](size_t index) {
                ::Sleep(kDeployPauseMs);
                state_.currentEntry = static_cast<int>(index);
                Tell(UM_PROGRESS);
            }) != kDeployed) {
            // The installation is as it was: let the main program run again.
            ReleaseUpdating();
            StartMainProgram(context_.installFolder, std::string());
            return Fail(kDeployFailed);
        }
        state_.deployedFraction = 1;
        Tell(UM_PROGRESS);

        ReleaseUpdating();
        StartMainProgram(context_.installFolder, "-updated");
        RecordUpdate(state_.startTime, state_.newVersion);
        Tell(UM_SUCCEEDED);
        return 1;
    }

private:
    void Tell(UINT message, WPARAM code = 0) {
        if (listener_) listener_(message, code);
    }

    int Fail(int code) {
        ReleaseUpdating();
        Tell(UM_FAILED, static_cast<WPARAM>(code));
        return code;
    }

    void Refuse(FailureReason reason) {
        std::lock_guard<std::mutex> lock(state_.lock);
        state_.failureReason = reason;
    }

    void ReleaseUpdating() {
        if (!updating_) return;
        ::ReleaseMutex(updating_.Get());
        updating_.Reset();
    }

    // The release's file list: fetched (with its signature when releases
    // are signed), unpacked, read, and checked against the offered version.
    int FetchFileList(FileList& list) {
        if (state_.fileListUrl.empty()) return kListNotFetched;
        std::vector<uint8_t> key;
        std::string signature;
        if (context_.requireSignature) {
            if (!ReleaseSignature::ParseKey(context_.releaseKey, key)) {
                Refuse(FailureReason::kBadSignature);
                return kListRejected;
            }
            if (!FetchSignature(signature)) {
                Refuse(FailureReason::kUnsigned);
                return kListRejected;
            }
        }
        auto checkPackage = [&](const std::string& packagePath) {
            if (!context_.requireSignature) return true;
            std::string bytes;
            return ReadWholeFile(packagePath, bytes) &&
                   ReleaseSignature::Verify(key, bytes, signature);
        };
        bool fetched = false;
        for (int attempt = 0; attempt < kListAttempts && !fetched; ++attempt) {
            if (attempt > 0) ::Sleep(kListRetryPauseMs);
            bool retry = true;
            bool refused = false;
            fetched = fetcher_.Fetch(state_.fileListUrl, state_.localFileList, true, retry,
                                     checkPackage, &refused);
            if (refused) {
                Refuse(FailureReason::kBadSignature);
                return kListRejected;
            }
            if (!fetched && !retry) break;
        }
        if (!fetched) return kListNotFetched;

        int code = LoadFileList(state_.localFileList, list);
        if (code != kListRead) return code;
        if (context_.requireSignature &&
            (list.version.empty() || CompareVersions(list.version, state_.newVersion) != 0 ||
             CompareVersions(list.version, context_.installedVersion) != 1)) {
            // A genuine older list replayed for a newer offer, or another one.
            Refuse(FailureReason::kVersionMismatch);
            return kListRejected;
        }
        return 1;
    }

    bool FetchSignature(std::string& signature) {
        std::string url = state_.fileListUrl + kSignatureSuffix;
        for (int attempt = 0; attempt < kListAttempts; ++attempt) {
            if (attempt > 0) ::Sleep(kListRetryPauseMs);
            bool retry = true;
            if (fetcher_.FetchToMemory(url, kMaxSignatureBytes, signature, retry)) return true;
            if (!retry) break;
        }
        return false;
    }

    // Every changed file into the release folder, each checked against the
    // list's checksum; false at the first that cannot be had whole.
    bool DownloadEntries(const std::vector<FileEntry>& entries) {
        uint64_t finished = 0;
        for (size_t i = 0; i < entries.size(); ++i) {
            const FileEntry& entry = entries[i];
            if (netclient::FileChecksum::OfFile(entry.localFile) != entry.item.md5) {
                ::DeleteFileA(entry.localFile.c_str());
                state_.currentEntry = static_cast<int>(i);
                for (int attempt = 0; attempt < kFileAttempts; ++attempt) {
                    bool retry = true;
                    if (fetcher_.Fetch(entry.downloadUrl, entry.localFile, entry.item.compressed,
                                       retry))
                        break;
                    if (!retry) break;
                }
                if (netclient::FileChecksum::OfFile(entry.localFile) != entry.item.md5) {
                    // A wrong file never stays where the next run would look.
                    ::DeleteFileA(entry.localFile.c_str());
                    return false;
                }
            }
            finished += entry.item.dlsize;
            state_.finishedBytes = finished;
            state_.downloadedBytes = 0;
            Tell(UM_PROGRESS);
        }
        Tell(UM_PROGRESS);
        return true;
    }

    const RunContext& context_;
    UpgradeState& state_;
    const RunListener& listener_;
    PackageFetcher fetcher_;
    win::KernelHandle updating_;
};

}  // namespace

bool RunCheck(const RunContext& context, UpgradeState& state, const RunListener& listener) {
    PackageFetcher fetcher(context.http, context.ftp, context.cancelEvent, state.downloadedBytes,
                           nullptr);
    netclient::TransferSettings settings =
        fetcher.SettingsFor(ValidateRequestUrl(context.upgradeServer, context.installedVersion));
    std::string answer;
    if (!RequestAnswer(settings, FailedPageUrl(context.upgradeServer), answer)) {
        if (listener) listener(UM_FAILED, static_cast<WPARAM>(kCheckFailed));
        return false;
    }
    UpgradeAnswer parts = SplitAnswer(answer);
    // The version names the release folder: it must not lead anywhere else.
    if (!parts.newVersion.empty() && !IsSafeFileName(parts.newVersion)) {
        if (listener) listener(UM_FAILED, static_cast<WPARAM>(kCheckFailed));
        return false;
    }
    state.answerUrl = answer;
    state.fileListUrl = parts.fileListUrl;
    state.baseUrl = parts.baseUrl;
    state.newVersion = parts.newVersion;
    state.releaseDir = context.workFolder + "\\" + parts.newVersion;
    state.localFileList = state.releaseDir + "\\" + kLocalFileList;
    if (listener) listener(UM_CHECKED, 0);
    return true;
}

int RunUpgrade(const RunContext& context, UpgradeState& state, const RunListener& listener) {
    Upgrade upgrade(context, state, listener);
    return upgrade.Run();
}

std::string WorkFolder() {
    char temp[MAX_PATH + 1] = {};
    DWORD n = ::GetTempPathA(MAX_PATH, temp);
    if (n == 0 || n > MAX_PATH) return std::string();
    return win::StripTrailingSeparators(temp) + "\\" + kWorkFolderName;
}

}  // namespace brightwick
