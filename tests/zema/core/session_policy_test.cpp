#include "zema/core/session_policy.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/test_support.h"
#include "tests/zema/core/private_settings.h"
#include "zema/core/settings_store.h"

namespace zema {
namespace {

using namespace testing_support;

// A session holding plain records; downloads and installations are only
// recorded.
class RecordingSession : public UpdateSession {
public:
    bool Connect() override { return true; }
    void Shutdown() override {}
    bool StartScan(HWND) override { return true; }
    bool IsScanning() const override { return false; }
    bool DownloadsActive() const override { return downloading; }
    bool InstallationsActive() const override { return installing; }
    const UpdateList& Updates() const override { return records; }
    StartResult StartDownload(UpdateRecord& record, bool forceOfficial) override {
        downloads.push_back(record.id);
        officialForced = forceOfficial;
        return StartResult::Started;
    }
    int CancelDownload(UpdateRecord&) override { return 1; }
    StartResult StartInstallation(UpdateRecord& record) override {
        installs.push_back(record.id);
        return StartResult::Started;
    }
    int CancelInstallation(UpdateRecord&) override { return 1; }
    size_t VulnerabilityCount() const override { return 3; }
    RepairedCount CountRepairedVulnerabilities() const override { return {}; }
    void ApplyDownloaderSettings() override {}
    void AddListener(SessionListener*, bool) override {}
    void RemoveListener(SessionListener*) override {}

    UpdateRecord& Add(int32_t id, UpdateStatus status) {
        records.push_back(std::make_unique<UpdateRecord>());
        records.back()->id = id;
        records.back()->status = status;
        records.back()->fileName = "kb" + std::to_string(id) + ".exe";
        return *records.back();
    }

    UpdateList records;
    bool downloading = false;
    bool installing = false;
    bool officialForced = true;
    std::vector<int32_t> downloads;
    std::vector<int32_t> installs;
};

class RecordingUi : public SessionUi {
public:
    bool MainWindowHidden() const override { return hidden; }
    void ShowNotification(NotificationKind kind) override { notifications.push_back(kind); }
    void OpenRebootDialog() override { ++dialogs; }
    bool TrayIconShown() const override { return trayShown; }
    void StartTrayAnimation() override { animation.push_back(true); }
    void StopTrayAnimation() override { animation.push_back(false); }

    bool hidden = true;
    bool trayShown = true;
    std::vector<NotificationKind> notifications;
    std::vector<bool> animation;
    int dialogs = 0;
};

class SessionPolicyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(private_.Loaded());
        settings_ = &private_.Store();
        policy_ = std::make_unique<SessionPolicy>(
            session_, *settings_, ui_, [this](UINT flags) { power_.push_back(flags); }, self_);
    }

    void Policies(int found, int installed) {
        settings_->SetVulnFoundAction(found);
        settings_->SetUpdateInstalledAction(installed);
    }

    // The change of `record` to `status`, as the session reports it.
    void Change(UpdateRecord& record, UpdateStatus status) {
        record.status = status;
        policy_->AfterChange(record);
    }

    PrivateSettings private_;
    SettingsStore* settings_ = nullptr;
    RecordingSession session_;
    RecordingUi ui_;
    std::vector<UINT> power_;
    HWND self_ = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1111));
    HWND mainWindow_ = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x2222));
    std::unique_ptr<SessionPolicy> policy_;
};

TEST_F(SessionPolicyTest, NotifyPolicyTellsOfFoundUpdatesOnlyAfterAGoodScan) {
    Policies(FOUND_ACTION_NOTIFY, INSTALLED_ACTION_NOTIFY);
    policy_->AfterScan(self_, 0);
    EXPECT_TRUE(ui_.notifications.empty()) << "nothing found, nothing to tell";
    session_.Add(1, UpdateStatus::NotDownloaded);
    policy_->AfterScan(self_, 254);
    EXPECT_TRUE(ui_.notifications.empty()) << "a failed scan triggers no policy";
    policy_->AfterScan(self_, 0);
    ASSERT_EQ(1u, ui_.notifications.size());
    EXPECT_EQ(kNotifyScanned, ui_.notifications[0]);
    EXPECT_FALSE(ui_.animation.empty());
    EXPECT_FALSE(ui_.animation.back()) << "a finished scan stops the tray animation";
}

TEST_F(SessionPolicyTest, RepairPolicyDownloadsThenInstallsAndInstallsPresentPackages) {
    Policies(FOUND_ACTION_REPAIR, INSTALLED_ACTION_DO_NOTHING);
    UpdateRecord& missing = session_.Add(1, UpdateStatus::NotDownloaded);
    session_.Add(2, UpdateStatus::DownloadCanceled);
    session_.Add(3, UpdateStatus::DownloadFailed);
    session_.Add(4, UpdateStatus::AlreadyDownloaded);
    session_.Add(5, UpdateStatus::InstallFailed);
    session_.Add(6, UpdateStatus::InstalledNeedsReboot);
    session_.Add(7, UpdateStatus::Downloading);
    policy_->AfterScan(self_, 0);
    EXPECT_EQ((std::vector<int32_t>{1, 2, 3}), session_.downloads);
    EXPECT_FALSE(session_.officialForced);
    EXPECT_TRUE(missing.installAfterDownload);
    EXPECT_EQ((std::vector<int32_t>{4, 5}), session_.installs);
}

TEST_F(SessionPolicyTest, ExcludedUpdatesAreNeitherFetchedNorInstalledByAnyPolicy) {
    Policies(FOUND_ACTION_REPAIR, INSTALLED_ACTION_DO_NOTHING);
    for (UpdateStatus status : {UpdateStatus::NotDownloaded, UpdateStatus::DownloadCanceled,
                                UpdateStatus::DownloadFailed, UpdateStatus::AlreadyDownloaded,
                                UpdateStatus::InstallFailed})
        session_.Add(static_cast<int32_t>(status), status).excluded = true;
    session_.Add(100, UpdateStatus::NotDownloaded);
    policy_->AfterScan(self_, 0);
    EXPECT_EQ((std::vector<int32_t>{100}), session_.downloads);
    EXPECT_TRUE(session_.installs.empty());

    session_.downloads.clear();
    session_.records.back()->status = UpdateStatus::DownloadCompleted;
    Policies(FOUND_ACTION_NOTIFY_AFTER_DOWNLOAD, INSTALLED_ACTION_DO_NOTHING);
    policy_->AfterScan(self_, 0);
    EXPECT_TRUE(session_.downloads.empty());
    EXPECT_EQ((std::vector<NotificationKind>{kNotifyDownloaded}), ui_.notifications)
        << "excluded updates are not waited for";
}

TEST_F(SessionPolicyTest, NothingRunsByItselfWhileTheUserWatchesAScanTheyStarted) {
    Policies(FOUND_ACTION_REPAIR, INSTALLED_ACTION_DO_NOTHING);
    session_.Add(1, UpdateStatus::NotDownloaded);
    session_.Add(2, UpdateStatus::AlreadyDownloaded);
    ui_.hidden = false;
    policy_->AfterScanStarted(mainWindow_);
    policy_->AfterScan(mainWindow_, 0);
    EXPECT_TRUE(session_.downloads.empty());
    EXPECT_TRUE(session_.installs.empty());

    Policies(FOUND_ACTION_NOTIFY_AFTER_DOWNLOAD, INSTALLED_ACTION_DO_NOTHING);
    policy_->AfterScan(mainWindow_, 0);
    EXPECT_TRUE(session_.downloads.empty());

    // The manager's own scan (the tray's delayed scan) may act even then.
    Policies(FOUND_ACTION_REPAIR, INSTALLED_ACTION_DO_NOTHING);
    policy_->AfterScan(self_, 0);
    EXPECT_EQ((std::vector<int32_t>{1}), session_.downloads);
    EXPECT_EQ((std::vector<int32_t>{2}), session_.installs);
}

TEST_F(SessionPolicyTest, DownloadPolicyNotifiesAtOnceWhenNothingIsLeftToFetch) {
    Policies(FOUND_ACTION_NOTIFY_AFTER_DOWNLOAD, INSTALLED_ACTION_DO_NOTHING);
    session_.Add(1, UpdateStatus::AlreadyDownloaded);
    session_.Add(2, UpdateStatus::InstalledNeedsReboot);
    policy_->AfterScan(self_, 0);
    EXPECT_TRUE(session_.downloads.empty());
    EXPECT_EQ((std::vector<NotificationKind>{kNotifyDownloaded}), ui_.notifications);

    ui_.notifications.clear();
    session_.Add(3, UpdateStatus::NotDownloaded);
    policy_->AfterScan(self_, 0);
    EXPECT_EQ((std::vector<int32_t>{3}), session_.downloads);
    EXPECT_TRUE(ui_.notifications.empty()) << "one download still to go";
}

TEST_F(SessionPolicyTest, CompletedDownloadIsInstalledOrAnnouncedByPolicy) {
    UpdateRecord& record = session_.Add(1, UpdateStatus::Downloading);
    Policies(FOUND_ACTION_REPAIR, INSTALLED_ACTION_DO_NOTHING);
    Change(record, UpdateStatus::DownloadCompleted);
    EXPECT_EQ((std::vector<int32_t>{1}), session_.installs);

    Policies(FOUND_ACTION_NOTIFY_AFTER_DOWNLOAD, INSTALLED_ACTION_DO_NOTHING);
    session_.downloading = true;
    Change(record, UpdateStatus::DownloadCompleted);
    EXPECT_TRUE(ui_.notifications.empty()) << "others are still downloading";
    session_.downloading = false;
    Change(record, UpdateStatus::DownloadCompleted);
    EXPECT_EQ((std::vector<NotificationKind>{kNotifyDownloaded}), ui_.notifications);
}

TEST_F(SessionPolicyTest, FailedDownloadStillAnnouncesWhatDidArrive) {
    Policies(FOUND_ACTION_NOTIFY_AFTER_DOWNLOAD, INSTALLED_ACTION_DO_NOTHING);
    UpdateRecord& failed = session_.Add(1, UpdateStatus::Downloading);
    Change(failed, UpdateStatus::DownloadFailed);
    EXPECT_TRUE(ui_.notifications.empty()) << "nothing arrived";
    session_.Add(2, UpdateStatus::DownloadCompleted);
    Change(failed, UpdateStatus::DownloadCanceled);
    EXPECT_EQ((std::vector<NotificationKind>{kNotifyDownloaded}), ui_.notifications);
}

TEST_F(SessionPolicyTest, FailedDownloadAfterRepairsNeverOpensTheRebootDialog) {
    Policies(FOUND_ACTION_REPAIR, INSTALLED_ACTION_NOTIFY);
    ui_.hidden = false;
    session_.Add(1, UpdateStatus::Installed);
    UpdateRecord& failed = session_.Add(2, UpdateStatus::Downloading);
    Change(failed, UpdateStatus::DownloadFailed);
    EXPECT_EQ(0, ui_.dialogs);
    EXPECT_EQ((std::vector<NotificationKind>{kNotifyInstalled}), ui_.notifications);

    ui_.notifications.clear();
    Policies(FOUND_ACTION_REPAIR, INSTALLED_ACTION_NOTIFY_WHEN_REBOOT);
    Change(failed, UpdateStatus::DownloadFailed);
    EXPECT_TRUE(ui_.notifications.empty()) << "no reboot pending";
    session_.Add(3, UpdateStatus::InstalledNeedsReboot);
    Change(failed, UpdateStatus::DownloadFailed);
    EXPECT_EQ((std::vector<NotificationKind>{kNotifyInstalledNeedsReboot}), ui_.notifications);
    EXPECT_EQ(0, ui_.dialogs);
}

struct InstalledCase {
    int action;
    bool rebootPending;
    bool mainWindowHidden;
    std::vector<NotificationKind> notifications;
    int dialogs;
    std::vector<UINT> power;
};

class InstalledActionTest : public SessionPolicyTest,
                            public ::testing::WithParamInterface<InstalledCase> {};

TEST_P(InstalledActionTest, LastInstallationAppliesTheInstalledAction) {
    const InstalledCase& c = GetParam();
    Policies(FOUND_ACTION_DO_NOTHING, c.action);
    ui_.hidden = c.mainWindowHidden;
    session_.Add(1, UpdateStatus::Installed);
    if (c.rebootPending) session_.Add(2, UpdateStatus::InstalledNeedsReboot);
    UpdateRecord& last = session_.Add(3, UpdateStatus::Installing);
    Change(last, UpdateStatus::InstallFailed);
    EXPECT_EQ(c.notifications, ui_.notifications);
    EXPECT_EQ(c.dialogs, ui_.dialogs);
    EXPECT_EQ(c.power, power_);
}

INSTANTIATE_TEST_SUITE_P(
    EveryAction, InstalledActionTest,
    ::testing::Values(
        InstalledCase{INSTALLED_ACTION_DO_NOTHING, true, true, {}, 0, {}},
        InstalledCase{INSTALLED_ACTION_NOTIFY, false, true, {kNotifyInstalled}, 0, {}},
        InstalledCase{INSTALLED_ACTION_NOTIFY, false, false, {}, 1, {}},
        InstalledCase{INSTALLED_ACTION_NOTIFY_WHEN_REBOOT, false, true, {}, 0, {}},
        InstalledCase{INSTALLED_ACTION_NOTIFY_WHEN_REBOOT, true, true,
                      {kNotifyInstalledNeedsReboot}, 0, {}},
        InstalledCase{INSTALLED_ACTION_NOTIFY_WHEN_REBOOT, true, false, {}, 1, {}},
        InstalledCase{INSTALLED_ACTION_REBOOT_WHEN_NEED, false, true, {}, 0, {}},
        InstalledCase{INSTALLED_ACTION_REBOOT_WHEN_NEED, true, true, {}, 0, {EWX_REBOOT}},
        InstalledCase{INSTALLED_ACTION_REBOOT_FORCE, false, true, {}, 0, {EWX_REBOOT}},
        InstalledCase{INSTALLED_ACTION_SHUTDOWN, false, false, {}, 0, {EWX_POWEROFF}}),
    [](const ::testing::TestParamInfo<InstalledCase>& info) {
        const InstalledCase& c = info.param;
        return "Action" + std::to_string(c.action) + (c.rebootPending ? "RebootPending" : "") +
               (c.mainWindowHidden ? "Hidden" : "Shown");
    });

TEST_F(SessionPolicyTest, InstalledActionWaitsUntilEverythingIsQuiet) {
    Policies(FOUND_ACTION_DO_NOTHING, INSTALLED_ACTION_REBOOT_FORCE);
    UpdateRecord& record = session_.Add(1, UpdateStatus::Installing);
    session_.installing = true;
    Change(record, UpdateStatus::Installed);
    session_.installing = false;
    session_.downloading = true;
    Change(record, UpdateStatus::Installed);
    EXPECT_TRUE(power_.empty());
    session_.downloading = false;
    Change(record, UpdateStatus::Installed);
    EXPECT_EQ((std::vector<UINT>{EWX_REBOOT}), power_);
}

TEST_F(SessionPolicyTest, NothingInstalledMeansNoInstalledAction) {
    Policies(FOUND_ACTION_DO_NOTHING, INSTALLED_ACTION_REBOOT_FORCE);
    UpdateRecord& record = session_.Add(1, UpdateStatus::Installing);
    Change(record, UpdateStatus::InstallFailed);
    Change(record, UpdateStatus::InstallCanceled);
    EXPECT_TRUE(power_.empty());
}

TEST_F(SessionPolicyTest, InstalledPackagesAreDeletedOnlyWhenAsked) {
    Policies(FOUND_ACTION_DO_NOTHING, INSTALLED_ACTION_DO_NOTHING);
    CreateDirectoryA(settings_->SaveFolder().c_str(), nullptr);
    UpdateRecord& a = session_.Add(1, UpdateStatus::Installing);
    UpdateRecord& b = session_.Add(2, UpdateStatus::Installing);
    std::string pathA = settings_->SaveFolder() + "\\" + a.fileName;
    std::string pathB = settings_->SaveFolder() + "\\" + b.fileName;
    WriteFileBytes(pathA, "a");
    WriteFileBytes(pathB, "b");
    Change(a, UpdateStatus::Installed);
    EXPECT_TRUE(PathExists(pathA));
    settings_->SetDeleteInstalledUpdateFile(1);
    Change(a, UpdateStatus::InstalledNeedsReboot);
    Change(b, UpdateStatus::InstallFailed);
    EXPECT_FALSE(PathExists(pathA));
    EXPECT_TRUE(PathExists(pathB)) << "a failed installation keeps its package";
}

TEST_F(SessionPolicyTest, TrayAnimatesWhileWorkRunsButIgnoresProgress) {
    Policies(FOUND_ACTION_DO_NOTHING, INSTALLED_ACTION_DO_NOTHING);
    UpdateRecord& record = session_.Add(1, UpdateStatus::DownloadWaiting);
    session_.downloading = true;
    Change(record, UpdateStatus::DownloadStarted);
    EXPECT_EQ((std::vector<bool>{true}), ui_.animation);
    session_.downloading = false;
    Change(record, UpdateStatus::Downloading);
    EXPECT_EQ((std::vector<bool>{true}), ui_.animation) << "a progress event changes nothing";
    Change(record, UpdateStatus::DownloadCompleted);
    EXPECT_EQ((std::vector<bool>{true, false}), ui_.animation);
    ui_.trayShown = false;
    Change(record, UpdateStatus::DownloadCanceled);
    EXPECT_EQ((std::vector<bool>{true, false}), ui_.animation) << "no tray icon, no animation";
}

}  // namespace
}  // namespace zema
