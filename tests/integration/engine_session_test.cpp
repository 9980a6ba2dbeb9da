// The engine session against the real stand-in engine and the real
// downloader: scans, downloads from file sources, installations and the
// policies that follow them.

#include "zema/core/engine_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/product_installation.h"
#include "win/text.h"
#include "zema/core/manager_window.h"
#include "zema/core/brightwick_launcher.h"
#include "zema/core/ini_file.h"
#include "zema/core/messages.h"
#include "zema/core/settings_store.h"
#include "zema/core/update_list_file.h"

namespace zema {
namespace {

using namespace testing_support;

constexpr DWORD kScanTimeoutMs = 60000;
constexpr DWORD kWorkTimeoutMs = 120000;

// Records what the session tells its listeners.
class RecordingListener : public SessionListener {
public:
    void OnUpdateChanged(UpdateRecord* record) override {
        auto& statuses = history[record->id];
        if (statuses.empty() || statuses.back() != record->status) statuses.push_back(record->status);
        if (onChange) onChange(*record);
    }
    void OnScanStarted(HWND requester) override { started.push_back(requester); }
    void OnScanCompleted(HWND requester, int result) override {
        completed.push_back(requester);
        results.push_back(result);
    }

    std::map<int32_t, std::vector<UpdateStatus>> history;
    std::function<void(const UpdateRecord&)> onChange;
    std::vector<HWND> started;
    std::vector<HWND> completed;
    std::vector<int> results;
};

class NoLauncher : public BrightwickLauncher {
public:
    bool Start(const std::string&) override { return true; }
};

// A main window the user is looking at.
class VisibleMainWindow : public WindowHost {
public:
    VisibleMainWindow()
        : window_(CreateWindowExA(0, "STATIC", "main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                  200, 100, nullptr, nullptr, nullptr, nullptr)) {}
    void ShowMainWindow() override {}
    HWND MainWindow() const override { return window_.Get(); }
    void DestroyWindows() override {}
    bool OpenOptions(HWND) override { return false; }
    void ShowNotification(NotificationKind) override {}
    void HideNotification() override {}
    void OpenRebootDialog() override {}
    void ShowAbout(HWND) override {}

private:
    win::Window window_;
};

class EngineSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(product_.Ready());
        ini_ = IniFile(product_.ConfigIni());
    }

    void TearDown() override {
        if (session_) session_->Shutdown();
        session_.reset();
        settings_.reset();
    }

    void Connect() {
        settings_ = std::make_unique<SettingsStore>();
        ASSERT_TRUE(settings_->Load());
        session_ = std::make_unique<EngineSession>(*settings_);
        ASSERT_TRUE(session_->Connect());
        session_->AddListener(&listener_, false);
    }

    void Scan(HWND requester = nullptr) {
        size_t before = listener_.completed.size();
        ASSERT_TRUE(session_->StartScan(requester));
        ASSERT_TRUE(PumpUntil([&] { return listener_.completed.size() > before; }, kScanTimeoutMs));
        ASSERT_EQ(0, listener_.results.back());
    }

    UpdateRecord& Record(int32_t id) {
        UpdateRecord* record = session_->FindRecord(id);
        EXPECT_NE(nullptr, record) << "update " << id;
        static UpdateRecord none;
        return record ? *record : none;
    }

    bool WaitQuiet(DWORD timeoutMs = kWorkTimeoutMs) {
        return PumpUntil(
            [&] { return !session_->DownloadsActive() && !session_->InstallationsActive(); },
            timeoutMs);
    }

    std::string JobText(const UpdateRecord& record,
                        HRESULT (STDMETHODCALLTYPE IQORDownloadJob::*getter)(BSTR*)) {
        win::ComPtr<IQORDownloadJob> job = session_->DownloadJob(record);
        win::Bstr text;
        if (!job || FAILED((job.Get()->*getter)(text.Put()))) return "<no job>";
        return win::FromBstr(text.Get());
    }

    win::ComInit com_;
    ProductInstallation product_;
    IniFile ini_;
    std::unique_ptr<SettingsStore> settings_;
    std::unique_ptr<EngineSession> session_;
    RecordingListener listener_;
};

TEST_F(EngineSessionTest, ScanFindsEveryMissingSampleUpdateWithItsPackageAndGroups) {
    Connect();
    Scan();
    std::vector<int32_t> ids;
    for (const auto& record : session_->Updates()) ids.push_back(record->id);
    EXPECT_EQ((std::vector<int32_t>{500102, 500103, 500104}), ids);
    for (const auto& record : session_->Updates()) {
        EXPECT_EQ(UpdateStatus::NotDownloaded, record->status);
        EXPECT_EQ("zg-kb" + std::to_string(record->id) + ".exe", record->fileName);
        EXPECT_EQ(16u, record->checkValue.size());
        EXPECT_FALSE(record->updatePoints.empty());
    }
    const UpdateRecord& cumulative = Record(500104);
    ASSERT_EQ(2u, cumulative.updatePoints.size());
    EXPECT_EQ(700105, cumulative.updatePoints[0].id);
    ASSERT_EQ(1u, cumulative.updatePoints[0].supersededPoints.size());
    EXPECT_EQ(700101, cumulative.updatePoints[0].supersededPoints[0].id);
    EXPECT_EQ(700106, cumulative.updatePoints[1].id);

    const GroupingSets& groups = session_->Groups();
    for (const std::vector<int32_t>* set :
         {&groups.products, &groups.severities, &groups.impacts, &groups.languages}) {
        EXPECT_FALSE(set->empty());
        EXPECT_TRUE(std::is_sorted(set->begin(), set->end()));
        EXPECT_EQ(set->end(), std::adjacent_find(set->begin(), set->end()));
    }
    EXPECT_GT(session_->VulnerabilityCount(), 0u);
    std::vector<int32_t> cves;
    for (const VulnerabilityEntry& e : session_->Vulnerabilities()) cves.push_back(e.vulnerabilityId);
    std::sort(cves.begin(), cves.end());
    EXPECT_EQ(cves.end(), std::adjacent_find(cves.begin(), cves.end())) << "each listed once";
}

TEST_F(EngineSessionTest, ListenersHearOfTheScanInOrder) {
    Connect();
    RecordingListener front;
    session_->AddListener(&front, true);
    session_->AddListener(&front, true);  // added once only
    HWND requester = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x77));
    Scan(requester);
    EXPECT_EQ((std::vector<HWND>{requester}), front.started);
    EXPECT_EQ((std::vector<HWND>{requester}), listener_.completed);
    EXPECT_EQ((std::vector<int>{0}), front.results);
    session_->RemoveListener(&front);
}

TEST_F(EngineSessionTest, SecondScanIsRefusedWhileOneOrAnyWorkRuns) {
    Connect();
    ASSERT_TRUE(session_->StartScan(nullptr));
    EXPECT_TRUE(session_->IsScanning());
    EXPECT_FALSE(session_->StartScan(nullptr));
    ASSERT_TRUE(PumpUntil([&] { return !listener_.completed.empty(); }, kScanTimeoutMs));
    EXPECT_FALSE(session_->IsScanning());
    EXPECT_EQ(3u, session_->Updates().size()) << "the refused request changed nothing";

    ASSERT_EQ(StartResult::Started, session_->StartDownload(Record(500102), false));
    EXPECT_TRUE(session_->DownloadsActive());
    EXPECT_FALSE(session_->StartScan(nullptr));
    ASSERT_TRUE(WaitQuiet());
    EXPECT_TRUE(session_->StartScan(nullptr));
    ASSERT_TRUE(PumpUntil([&] { return listener_.completed.size() == 2; }, kScanTimeoutMs));
}

TEST_F(EngineSessionTest, RecordsAwaitingRebootKeepTheirStateAndPoints) {
    UpdateList saved;
    saved.push_back(std::make_unique<UpdateRecord>());
    UpdateRecord& waiting = *saved.back();
    waiting.id = 500102;
    waiting.status = UpdateStatus::InstalledNeedsReboot;
    waiting.fileName = "zg-kb500102.exe";
    UpdatePoint point;
    point.id = 4242;
    point.updateId = 500102;
    waiting.updatePoints.push_back(point);
    ASSERT_TRUE(SaveUpdateList(product_.RebootXml(), saved));
    Connect();
    Scan();
    const UpdateRecord& record = Record(500102);
    EXPECT_EQ(UpdateStatus::InstalledNeedsReboot, record.status);
    ASSERT_EQ(1u, record.updatePoints.size()) << "no new points for a record waiting for reboot";
    EXPECT_EQ(4242, record.updatePoints[0].id);
    EXPECT_EQ(UpdateStatus::NotDownloaded, Record(500103).status);
}

TEST_F(EngineSessionTest, UpdatesListedInTheFilterAreMarkedExcluded) {
    WriteFileBytes(product_.InstallFolder() + "\\filter.xml",
                   "<Filter><Group><UpdateID>500103</UpdateID></Group>"
                   "<UpdateID> 999 </UpdateID><UpdateID>x</UpdateID></Filter>");
    Connect();
    EXPECT_EQ((std::set<int32_t>{500103, 999}), session_->ExcludedUpdates());
    Scan();
    EXPECT_TRUE(Record(500103).excluded);
    EXPECT_FALSE(Record(500102).excluded);
}

TEST_F(EngineSessionTest, ScanWhoseEngineCannotOpenEndsAndSaysSo) {
    Connect();
    SetRegString(HKEY_LOCAL_MACHINE, "Software\\tolvane\\ZEMA", "VDFPath",
                 product_.VdfFolder() + "\\gone");
    ASSERT_TRUE(session_->StartScan(nullptr));
    ASSERT_TRUE(PumpUntil([&] { return !listener_.completed.empty(); }, kScanTimeoutMs));
    EXPECT_NE(0, listener_.results.back());
    EXPECT_FALSE(session_->IsScanning()) << "a failed scan does not leave the session scanning";
    EXPECT_TRUE(session_->Updates().empty());
    SetRegString(HKEY_LOCAL_MACHINE, "Software\\tolvane\\ZEMA", "VDFPath", product_.VdfFolder());
    Scan();
    EXPECT_EQ(3u, session_->Updates().size()) << "and the next scan works";
}

TEST_F(EngineSessionTest, JobsCarryTheDownloadSettings) {
    ini_.WriteInt("Download", "MaxPortionCountPerJob", 3);
    ini_.WriteInt("Download", "MaxRetryTimes", 5);
    ini_.WriteInt("Download", "MinRetryInterval", 7);
    ini_.WriteInt("Download", "MaxBandwidthPerJob", 64);
    ini_.WriteInt("Download", "LimitBandwidth", 0);
    ini_.WriteString("Download", "UpdatesServerUserName", "mirror-user");
    Connect();
    Scan();
    UpdateRecord& record = Record(500102);
    ASSERT_EQ(StartResult::Started, session_->StartDownload(record, false));
    win::ComPtr<IQORDownloadJob> job = session_->DownloadJob(record);
    ASSERT_TRUE(job);
    long value = 0;
    short retries = 0;
    VARIANT_BOOL resume = VARIANT_FALSE;
    job->get_MaxThreadCount(&value);
    EXPECT_EQ(3, value);
    job->get_RetryTimes(&retries);
    EXPECT_EQ(5, retries);
    job->get_RetryElapse(&value);
    EXPECT_EQ(7000, value) << "seconds become milliseconds";
    job->get_Bandwidth(&value);
    EXPECT_EQ(0, value) << "no limit unless LimitBandwidth is set";
    job->get_ResumeBreakpoint(&resume);
    EXPECT_EQ(VARIANT_TRUE, resume);
    EXPECT_EQ("mirror-user", JobText(record, &IQORDownloadJob::get_ServerUserName));
    EXPECT_EQ("zg-kb500102.exe", JobText(record, &IQORDownloadJob::get_FileName));
    EXPECT_EQ(product_.SaveFolder(), JobText(record, &IQORDownloadJob::get_SavePath));
    EXPECT_TRUE(record.officialSource);
    ASSERT_TRUE(WaitQuiet());

    ini_.WriteInt("Download", "LimitBandwidth", 1);
    settings_->GetDownloadLimits(true);
    UpdateRecord& second = Record(500103);
    ASSERT_EQ(StartResult::Started, session_->StartDownload(second, false));
    job = session_->DownloadJob(second);
    ASSERT_TRUE(job);
    job->get_Bandwidth(&value);
    EXPECT_EQ(64 * 1024, value);
    ASSERT_TRUE(WaitQuiet());
}

TEST_F(EngineSessionTest, PresentPackageStartsNothingAndTwiceStartedDownloadKeepsItsJob) {
    CreateDirectoryA(product_.SaveFolder().c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(product_.SamplePackage(500103).c_str(),
                          (product_.SaveFolder() + "\\zg-kb500103.exe").c_str(), FALSE));
    Connect();
    Scan();
    UpdateRecord& present = Record(500103);
    EXPECT_EQ(UpdateStatus::AlreadyDownloaded, present.status);
    EXPECT_EQ(StartResult::NothingToDo, session_->StartDownload(present, false));
    EXPECT_FALSE(session_->DownloadsActive());

    UpdateRecord& missing = Record(500102);
    ASSERT_EQ(StartResult::Started, session_->StartDownload(missing, false));
    win::ComPtr<IQORDownloadJob> first = session_->DownloadJob(missing);
    ASSERT_EQ(StartResult::Started, session_->StartDownload(missing, false));
    EXPECT_EQ(first.Get(), session_->DownloadJob(missing).Get()) << "the job is reused";
    ASSERT_TRUE(WaitQuiet());
    EXPECT_EQ(UpdateStatus::DownloadCompleted, missing.status);
    EXPECT_EQ(ReadFileBytes(product_.SamplePackage(500102)),
              ReadFileBytes(product_.SaveFolder() + "\\zg-kb500102.exe"));
}

TEST_F(EngineSessionTest, MirrorInTheFlatLayoutIsUsedAndMarksTheRecord) {
    std::string mirror = product_.InstallFolder() + "\\mirror";
    CreateDirectoryA(mirror.c_str(), nullptr);
    WriteFileBytes(mirror + "\\zg-kb500102.exe", "mirror copy");
    ini_.WriteInt("Download", "UpdatesLocationType", 1);
    ini_.WriteInt("Download", "DownloadDIRStruct", 0);
    ini_.WriteString("Download", "UpdatesServer", mirror + "\\");
    Connect();
    Scan();
    UpdateRecord& record = Record(500102);
    ASSERT_EQ(StartResult::Started, session_->StartDownload(record, false));
    EXPECT_FALSE(record.officialSource);
    std::string expected = mirror + "/zg-kb500102.exe";
    EXPECT_EQ(expected, JobText(record, &IQORDownloadJob::get_DownloadURL));
    ASSERT_TRUE(WaitQuiet());
    EXPECT_EQ(UpdateStatus::DownloadCompleted, record.status);
    EXPECT_EQ("mirror copy", ReadFileBytes(product_.SaveFolder() + "\\zg-kb500102.exe"));
}

TEST_F(EngineSessionTest, EmptyMirrorAddressKeepsTheOfficialSource) {
    ini_.WriteInt("Download", "UpdatesLocationType", 1);
    ini_.WriteString("Download", "UpdatesServer", "");
    Connect();
    Scan();
    UpdateRecord& record = Record(500102);
    ASSERT_EQ(StartResult::Started, session_->StartDownload(record, false));
    EXPECT_TRUE(record.officialSource);
    ASSERT_TRUE(WaitQuiet());
    EXPECT_EQ(UpdateStatus::DownloadCompleted, record.status);
}

TEST_F(EngineSessionTest, MirrorFailureFallsBackOnceToTheOfficialSource) {
    ini_.WriteInt("Download", "UpdatesLocationType", 1);
    ini_.WriteInt("Download", "DownloadDIRStruct", 0);
    ini_.WriteString("Download", "UpdatesServer", product_.InstallFolder() + "\\no-mirror");
    ini_.WriteInt("Download", "MaxRetryTimes", 0);
    Connect();
    Scan();
    UpdateRecord& rescued = Record(500102);
    ASSERT_EQ(StartResult::Started, session_->StartDownload(rescued, false));
    ASSERT_TRUE(WaitQuiet());
    EXPECT_EQ(UpdateStatus::DownloadCompleted, rescued.status);
    EXPECT_TRUE(rescued.officialSource);
    const auto& road = listener_.history[500102];
    EXPECT_EQ(road.end(), std::find(road.begin(), road.end(), UpdateStatus::DownloadFailed))
        << "the mirror's failure is not shown";

    // Both sources fail: the second failure is final.
    DeleteFileA(product_.SamplePackage(500103).c_str());
    UpdateRecord& lost = Record(500103);
    ASSERT_EQ(StartResult::Started, session_->StartDownload(lost, false));
    ASSERT_TRUE(WaitQuiet());
    EXPECT_EQ(UpdateStatus::DownloadFailed, lost.status);
    EXPECT_TRUE(lost.officialSource);
}

TEST_F(EngineSessionTest, RecordTravelsFromDownloadToRebootAndIsSavedAtOnce) {
    Connect();
    Scan();
    UpdateRecord& record = Record(500104);  // its package asks for a reboot
    bool savedWhenReported = false;
    listener_.onChange = [&](const UpdateRecord& changed) {
        if (changed.id == 500104 && changed.status == UpdateStatus::InstalledNeedsReboot)
            savedWhenReported = PathExists(product_.RebootXml());
    };
    // One download at a time: a job begun while another runs waits first.
    ASSERT_EQ(StartResult::Started, session_->StartDownload(Record(500102), false));
    record.installAfterDownload = true;
    ASSERT_EQ(StartResult::Started, session_->StartDownload(record, false));
    ASSERT_TRUE(WaitQuiet());
    EXPECT_EQ(UpdateStatus::DownloadCompleted, Record(500102).status) << "not to be installed";
    std::vector<UpdateStatus> road = listener_.history[500104];
    // Progress may repeat "downloading"; the road itself is fixed.
    std::vector<UpdateStatus> expected = {
        UpdateStatus::DownloadWaiting,   UpdateStatus::DownloadStarted,
        UpdateStatus::Downloading,       UpdateStatus::DownloadCompleted,
        UpdateStatus::InstallWaiting,    UpdateStatus::Installing,
        UpdateStatus::InstalledNeedsReboot};
    EXPECT_EQ(expected, road);
    EXPECT_TRUE(savedWhenReported);
    EXPECT_TRUE(ProductInstallation::MarkerSet(500104));
    UpdateList reloaded;
    ASSERT_TRUE(LoadUpdateList(product_.RebootXml(), reloaded));
    ASSERT_EQ(1u, reloaded.size());
    EXPECT_EQ(500104, reloaded[0]->id);
    RepairedCount repaired = session_->CountRepairedVulnerabilities();
    EXPECT_GT(repaired.awaitingReboot, 0);
    EXPECT_EQ(repaired.total, repaired.awaitingReboot);
}

TEST_F(EngineSessionTest, InstallationNeedsThePackageAndIsQueuedOnce) {
    Connect();
    Scan();
    UpdateRecord& record = Record(500102);
    EXPECT_EQ(StartResult::NoJob, session_->StartInstallation(record)) << "nothing downloaded yet";
    ASSERT_EQ(StartResult::Started, session_->StartDownload(record, false));
    ASSERT_TRUE(WaitQuiet());
    ASSERT_EQ(StartResult::Started, session_->StartInstallation(record));
    EXPECT_EQ(StartResult::Started, session_->StartInstallation(record)) << "already queued";
    ASSERT_TRUE(WaitQuiet());
    EXPECT_EQ(UpdateStatus::Installed, record.status);
    const auto& road = listener_.history[500102];
    EXPECT_EQ(1, std::count(road.begin(), road.end(), UpdateStatus::Installing));
}

// The session as the manager window drives it: the policies with the real
// engine and downloader.
class ManagedSessionTest : public EngineSessionTest {
protected:
    void Manage(WindowHost* windows = nullptr) {
        Connect();
        ManagerWindowParts parts;
        parts.settings = settings_.get();
        parts.launcher = &launcher_;
        parts.session = session_.get();
        parts.windows = windows;
        parts.traySwitch = true;
        parts.updatedSwitch = true;
        parts.power = [this](UINT flags) { power_.push_back(flags); };
        manager_ = std::make_unique<ManagerWindow>(parts);
        ASSERT_TRUE(manager_->Create());
    }

    void TearDown() override {
        manager_.reset();
        MSG msg;
        while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        EngineSessionTest::TearDown();
    }

    void DelayedScan() {
        size_t before = listener_.completed.size();
        SendMessageA(manager_->hwnd(), WM_TIMER, kTimerDelayedScan, 0);
        ASSERT_TRUE(PumpUntil([&] { return listener_.completed.size() > before; }, kScanTimeoutMs));
    }

    NoLauncher launcher_;
    std::unique_ptr<VisibleMainWindow> main_;  // outlives the manager window
    std::unique_ptr<ManagerWindow> manager_;
    std::vector<UINT> power_;
};

TEST_F(ManagedSessionTest, RepairPolicyFixesEverythingAndTheNextScanFindsNothingMissing) {
    ini_.WriteInt("General", "VulnFoundAction", FOUND_ACTION_REPAIR);
    ini_.WriteInt("General", "UpdateInstalledAction", INSTALLED_ACTION_DO_NOTHING);
    Manage();
    DelayedScan();
    ASSERT_TRUE(WaitQuiet());
    for (const auto& record : session_->Updates())
        EXPECT_TRUE(IsDone(record->status)) << record->id << " ends in " << int(record->status);
    EXPECT_EQ(UpdateStatus::InstalledNeedsReboot, Record(500104).status);
    EXPECT_TRUE(power_.empty());

    DelayedScan();
    for (const auto& record : session_->Updates())
        EXPECT_EQ(UpdateStatus::InstalledNeedsReboot, record->status)
            << record->id << " should only be the one waiting for its reboot";
}

TEST_F(ManagedSessionTest, UpdateListedInTheFilterIsNeverDownloadedOrInstalled) {
    WriteFileBytes(product_.InstallFolder() + "\\filter.xml",
                   "<Filter><UpdateID>500103</UpdateID></Filter>");
    ini_.WriteInt("General", "VulnFoundAction", FOUND_ACTION_REPAIR);
    ini_.WriteInt("General", "UpdateInstalledAction", INSTALLED_ACTION_DO_NOTHING);
    Manage();
    DelayedScan();
    ASSERT_TRUE(WaitQuiet());
    UpdateRecord& excluded = Record(500103);
    EXPECT_EQ(UpdateStatus::NotDownloaded, excluded.status);
    EXPECT_TRUE(IsDone(Record(500102).status)) << "the others are repaired";
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES,
              GetFileAttributesA((product_.SaveFolder() + "\\zg-kb500103.exe").c_str()));

    // Nor when a view asks for it directly, even with its package present.
    EXPECT_EQ(StartResult::Refused, session_->StartDownload(excluded, true));
    CreateDirectoryA(product_.SaveFolder().c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(product_.SamplePackage(500103).c_str(),
                          (product_.SaveFolder() + "\\zg-kb500103.exe").c_str(), FALSE));
    EXPECT_EQ(StartResult::Refused, session_->StartInstallation(excluded));
    EXPECT_FALSE(session_->InstallationsActive());
}

TEST_F(ManagedSessionTest, RepairPolicyWaitsForTheUserWhenTheyStartedTheScan) {
    ini_.WriteInt("General", "VulnFoundAction", FOUND_ACTION_REPAIR);
    main_ = std::make_unique<VisibleMainWindow>();
    ASSERT_TRUE(IsWindowVisible(main_->MainWindow()));
    Manage(main_.get());
    Scan(main_->MainWindow());  // the user asked for it in the main window
    PumpFor(500);
    EXPECT_FALSE(session_->DownloadsActive());
    for (const auto& record : session_->Updates())
        EXPECT_EQ(UpdateStatus::NotDownloaded, record->status);
}

struct InstalledPowerCase {
    int action;
    std::vector<UINT> power;
};

class InstalledPowerTest : public ManagedSessionTest,
                           public ::testing::WithParamInterface<InstalledPowerCase> {};

TEST_P(InstalledPowerTest, LastInstallationEndsInTheChosenPowerAction) {
    // KB500102's package needs no reboot.
    CreateDirectoryA(product_.SaveFolder().c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(product_.SamplePackage(500102).c_str(),
                          (product_.SaveFolder() + "\\zg-kb500102.exe").c_str(), FALSE));
    ini_.WriteInt("General", "VulnFoundAction", FOUND_ACTION_DO_NOTHING);
    ini_.WriteInt("General", "UpdateInstalledAction", GetParam().action);
    Manage();
    DelayedScan();
    ASSERT_EQ(StartResult::Started, session_->StartInstallation(Record(500102)));
    ASSERT_TRUE(WaitQuiet());
    EXPECT_EQ(UpdateStatus::Installed, Record(500102).status);
    EXPECT_EQ(GetParam().power, power_);
}

INSTANTIATE_TEST_SUITE_P(
    Actions, InstalledPowerTest,
    ::testing::Values(InstalledPowerCase{INSTALLED_ACTION_REBOOT_WHEN_NEED, {}},
                      InstalledPowerCase{INSTALLED_ACTION_REBOOT_FORCE, {EWX_REBOOT}},
                      InstalledPowerCase{INSTALLED_ACTION_SHUTDOWN, {EWX_POWEROFF}}),
    [](const ::testing::TestParamInfo<InstalledPowerCase>& info) {
        return "InstalledAction" + std::to_string(info.param.action);
    });

}  // namespace
}  // namespace zema
