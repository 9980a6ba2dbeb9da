// The installer as Zema drives it: jobs, their events on the caller's
// thread, real packages, checksums and cancellation.

#include <olectl.h>

#include <gtest/gtest.h>

#include "tests/updateengine/engine_fixture.h"
#include "tests/updateengine/test_catalog.h"
#include "win/text.h"

namespace updateengine_test {
namespace {

using namespace testing_support;
using namespace zema::engine;
using win::ComPtr;

std::vector<DISPID> Ids(const std::vector<RecordedEvent>& events) {
    std::vector<DISPID> ids;
    for (const RecordedEvent& e : events) ids.push_back(e.id);
    return ids;
}

// An update description that no definitions know.
class ForeignUpdate : public IUpdateInfo {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = (iid == IID_IUnknown || iid == IID_IUpdateInfo) ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }   // lives on the test's stack
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP get_DownloadURL(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP get_CheckValue(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP get_Language(ICatalogEntry**) override { return E_NOTIMPL; }
    STDMETHODIMP get_Title(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP get_Size(ULONGLONG*) override { return E_NOTIMPL; }
    STDMETHODIMP get_RebootBehavior(LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP get_ID(LONG* id) override {
        *id = 424242;
        return S_OK;
    }
};

class InstallerTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        if (HasFatalFailure()) return;
        saveFolder_ = folder_.File("save");
        ::CreateDirectoryA(saveFolder_.c_str(), nullptr);
    }

    void TearDown() override {
        if (connection_ && cookie_) connection_->Unadvise(cookie_);
        connection_.Reset();
        installer_.Reset();
        catalog_.Reset();
        if (engine_) engine_->Close();
        engine_.Reset();
        EngineTest::TearDown();
    }

    // Opens the engine on the current definitions and subscribes the sink.
    void Connect() {
        engine_ = OpenEngine();
        ASSERT_TRUE(engine_);
        catalog_ = CatalogOf(engine_.Get());
        ASSERT_EQ(S_OK, engine_->GetInstaller(installer_.GetAddressOf()));
        ComPtr<IConnectionPointContainer> container;
        ASSERT_EQ(S_OK, installer_.As(&container));
        ASSERT_EQ(S_OK, container->FindConnectionPoint(DIID_IInstallJobEvents,
                                                       connection_.GetAddressOf()));
        ASSERT_EQ(S_OK, connection_->Advise(sink_.Get(), &cookie_));
        ASSERT_EQ(S_OK, installer_->SetOption(kInstallerUnattended));
    }

    // A package as a download leaves it in the save folder.
    std::string Download(const std::string& update, const std::string& extra = "") {
        std::string path = saveFolder_ + "\\zg-" + update + ".exe";
        WriteFileBytes(path, ReadFileBytes(SamplePackage(update)) + extra);
        return path;
    }

    ComPtr<IInstallJob> Job(LONG updateId, const std::string& package) {
        ComPtr<IInstallJob> job;
        EXPECT_EQ(S_OK, installer_->CreateInstallJob(job.GetAddressOf()));
        if (!job) return job;
        ComPtr<IUpdateInfo> update;
        EXPECT_EQ(S_OK, catalog_->GetUpdate(updateId, update.GetAddressOf()));
        EXPECT_EQ(S_OK, job->SetMode(kInstallModeInstall));
        EXPECT_EQ(S_OK, job->put_Update(update.Get()));
        win::Bstr path = win::ToBstr(package);
        EXPECT_EQ(S_OK, job->put_PackagePath(path.Get()));
        return job;
    }

    LONG IdOf(IInstallJob* job) {
        LONG id = 0;
        EXPECT_EQ(S_OK, job->get_ID(&id));
        return id;
    }

    // Definitions whose one update, KB500102, runs its package with these
    // arguments.
    void UseArguments(const std::string& arguments) {
        TestUpdate u;
        u.checkValue = PackageChecksum(SamplePackage("KB500102"));
        u.arguments = arguments;
        UseDefinitions(WriteDefinitions(CatalogXml(UpdateXml(u))));
    }

    std::string saveFolder_;
    ComPtr<EventSink> sink_ = EventSink::Create();
    ComPtr<IUpdateEngine> engine_;
    ComPtr<IUpdateCatalog> catalog_;
    ComPtr<IUpdateInstaller> installer_;
    ComPtr<IConnectionPoint> connection_;
    DWORD cookie_ = 0;
};

TEST_F(InstallerTest, InstalledPackageLeavesTheNextScan) {
    Connect();
    ComPtr<IInstallJob> job = Job(500104, Download("KB500104"));
    ASSERT_TRUE(job);
    const LONG handle = 77;  // the caller's own 32-bit value
    ASSERT_EQ(S_OK, job->put_Tag(handle));
    LONG id = IdOf(job.Get());
    ASSERT_EQ(S_OK, installer_->QueueJob(job.Get()));
    ASSERT_TRUE(sink_->WaitForEnd(id));

    std::vector<RecordedEvent> events = sink_->Of(id);
    EXPECT_EQ((std::vector<DISPID>{kEventWaiting, kEventInstalling, kEventInstalled}), Ids(events));
    for (const RecordedEvent& e : events) {
        EXPECT_TRUE(e.wellFormed);
        EXPECT_EQ(::GetCurrentThreadId(), e.thread);
    }
    EXPECT_TRUE(events.back().rebootNeeded);  // the package ends with 3010
    LONG tag = 0;
    EXPECT_EQ(S_OK, job->get_Tag(&tag));
    EXPECT_EQ(handle, tag);
    EXPECT_TRUE(MarkerExists("KB500104"));

    // KB500101 goes too: the installed KB500104 replaces it.
    EXPECT_EQ((std::vector<std::string>{"700102", "700103", "700104"}), ScanIds());
}

struct ExitCase {
    const char* name;
    const char* arguments;
    DISPID event;
    bool rebootNeeded;
    LONG errorCode;
    bool installed;
};

class InstallerExitCodes : public InstallerTest, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(InstallerExitCodes, DecideTheFinalEventAndTheNextScan) {
    const ExitCase& c = GetParam();
    UseArguments(c.arguments);
    Connect();
    ComPtr<IInstallJob> job = Job(500102, Download("KB500102"));
    ASSERT_TRUE(job);
    LONG id = IdOf(job.Get());
    ASSERT_EQ(S_OK, installer_->QueueJob(job.Get()));
    ASSERT_TRUE(sink_->WaitForEnd(id));

    std::vector<RecordedEvent> events = sink_->Of(id);
    EXPECT_EQ((std::vector<DISPID>{kEventWaiting, kEventInstalling, c.event}), Ids(events));
    EXPECT_TRUE(events.back().wellFormed);
    EXPECT_EQ(c.rebootNeeded, events.back().rebootNeeded);
    EXPECT_EQ(c.errorCode, events.back().errorCode);
    EXPECT_EQ(c.installed, MarkerExists("KB500102"));
    EXPECT_EQ(c.installed ? std::vector<std::string>{} : std::vector<std::string>{"700102"},
              ScanIds());
}

INSTANTIATE_TEST_SUITE_P(
    Codes, InstallerExitCodes,
    ::testing::Values(ExitCase{"Success", "/quiet", kEventInstalled, false, 0, true},
                      ExitCase{"RebootRequired", "/quiet /exitcode:3010", kEventInstalled, true, 0,
                               true},
                      ExitCase{"RebootInitiated", "/exitcode:1641", kEventInstalled, true, 0, true},
                      ExitCase{"UserExit", "/exitcode:1602", kEventCanceled, false, 0, false},
                      ExitCase{"FatalError", "/exitcode:1603", kEventFailed, false, 1603, false},
                      ExitCase{"OtherCode", "/exitcode:2", kEventFailed, false, 2, false}),
    [](const ::testing::TestParamInfo<ExitCase>& info) { return std::string(info.param.name); });

TEST_F(InstallerTest, PackageThatIsNotTheCatalogsFailsAndIsNotRun) {
    Connect();
    ComPtr<IInstallJob> job = Job(500102, Download("KB500102", "tampered"));
    ASSERT_TRUE(job);
    LONG id = IdOf(job.Get());
    ASSERT_EQ(S_OK, installer_->QueueJob(job.Get()));
    ASSERT_TRUE(sink_->WaitForEnd(id));

    std::vector<RecordedEvent> events = sink_->Of(id);
    EXPECT_EQ((std::vector<DISPID>{kEventWaiting, kEventInstalling, kEventFailed}), Ids(events));
    EXPECT_EQ(kInstallErrorChecksumMismatch, events.back().errorCode);
    EXPECT_FALSE(MarkerExists("KB500102"));
    EXPECT_EQ(5u, ScanIds().size());
}

TEST_F(InstallerTest, MissingPackageFails) {
    Connect();
    ComPtr<IInstallJob> job = Job(500102, saveFolder_ + "\\zg-kb500102.exe");
    ASSERT_TRUE(job);
    LONG id = IdOf(job.Get());
    ASSERT_EQ(S_OK, installer_->QueueJob(job.Get()));
    ASSERT_TRUE(sink_->WaitForEnd(id));
    EXPECT_EQ(static_cast<LONG>(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)),
              sink_->Of(id).back().errorCode);
}

TEST_F(InstallerTest, WaitingJobsCancelAndTheRunningOneRefuses) {
    Connect();
    ComPtr<IInstallJob> first = Job(500102, Download("KB500102"));
    ComPtr<IInstallJob> second = Job(500103, Download("KB500103"));
    ASSERT_TRUE(first && second);
    LONG a = IdOf(first.Get());
    LONG b = IdOf(second.Get());
    ASSERT_EQ(S_OK, installer_->QueueJob(first.Get()));
    ASSERT_EQ(S_OK, installer_->QueueJob(second.Get()));
    EXPECT_EQ(S_OK, installer_->CancelJob(b));
    EXPECT_EQ(E_FAIL, installer_->CancelJob(b));
    EXPECT_EQ(E_FAIL, installer_->CancelJob(424242));
    ASSERT_TRUE(PumpUntil(
        [&] {
            for (const RecordedEvent& e : sink_->Of(a)) {
                if (e.id == kEventInstalling) return true;
            }
            return false;
        },
        30000));
    EXPECT_EQ(E_FAIL, installer_->CancelJob(a));
    ASSERT_TRUE(sink_->WaitForEnd(a));
    ASSERT_TRUE(sink_->WaitForEnd(b));

    EXPECT_EQ((std::vector<DISPID>{kEventWaiting, kEventInstalling, kEventInstalled}),
              Ids(sink_->Of(a)));
    EXPECT_EQ((std::vector<DISPID>{kEventWaiting, kEventCanceled}), Ids(sink_->Of(b)));
    PumpFor(300);
    EXPECT_FALSE(MarkerExists("KB500103"));
}

TEST_F(InstallerTest, SinkThatDispatchesMessagesWhileToldKeepsTheOrder) {
    Connect();
    ComPtr<IInstallJob> first = Job(500102, Download("KB500102"));
    ComPtr<IInstallJob> second = Job(500103, Download("KB500103"));
    LONG a = IdOf(first.Get());
    LONG b = IdOf(second.Get());
    // While told of the first event, the sink runs a message loop (as a
    // modal dialog would) for as long as the installations take. Nothing is
    // told to it meanwhile: the later events wait until it returns.
    bool nested = false;
    size_t toldMeanwhile = 0;
    sink_->onEvent = [&](const RecordedEvent&) {
        if (nested) return;
        nested = true;
        size_t before = sink_->events.size();
        PumpUntil([&] { return MarkerExists("KB500103"); }, 20000);
        PumpFor(500);
        toldMeanwhile = sink_->events.size() - before;
    };
    ASSERT_EQ(S_OK, installer_->QueueJob(first.Get()));
    ASSERT_EQ(S_OK, installer_->QueueJob(second.Get()));
    ASSERT_TRUE(sink_->WaitForEnd(a));
    ASSERT_TRUE(sink_->WaitForEnd(b));
    EXPECT_EQ((std::vector<DISPID>{kEventWaiting, kEventInstalling, kEventInstalled}),
              Ids(sink_->Of(a)));
    EXPECT_EQ((std::vector<DISPID>{kEventWaiting, kEventInstalling, kEventInstalled}),
              Ids(sink_->Of(b)));
    EXPECT_EQ(0u, toldMeanwhile);
}

TEST_F(InstallerTest, JobsTheInstallerCannotRunAreRefused) {
    Connect();
    ForeignUpdate stranger;  // outlives the job that refers to it
    EXPECT_EQ(E_FAIL, installer_->QueueJob(nullptr));
    std::string package = Download("KB500102");

    ComPtr<IInstallJob> bare;
    ASSERT_EQ(S_OK, installer_->CreateInstallJob(bare.GetAddressOf()));
    EXPECT_EQ(E_FAIL, installer_->QueueJob(bare.Get()));  // no update, no package
    ComPtr<IInstallJob> noPath = Job(500102, "");
    EXPECT_EQ(E_FAIL, installer_->QueueJob(noPath.Get()));
    ComPtr<IInstallJob> foreign = Job(500102, package);
    ASSERT_EQ(S_OK, foreign->put_Update(&stranger));
    EXPECT_EQ(E_FAIL, installer_->QueueJob(foreign.Get()));
    EXPECT_EQ(E_FAIL, foreign->SetMode(2));

    // A job belongs to the installer that made it.
    ComPtr<IUpdateInstaller> other;
    ASSERT_EQ(S_OK, engine_->GetInstaller(other.GetAddressOf()));
    ComPtr<IInstallJob> job = Job(500102, package);
    EXPECT_EQ(E_FAIL, other->QueueJob(job.Get()));

    EXPECT_EQ(S_OK, installer_->SetOption(kInstallerAttended));
    EXPECT_EQ(S_OK, installer_->SetOption(kInstallerUnattended));
    EXPECT_EQ(E_FAIL, installer_->SetOption(7));

    // Queued twice: the second call changes nothing.
    LONG id = IdOf(job.Get());
    EXPECT_EQ(S_OK, installer_->QueueJob(job.Get()));
    EXPECT_EQ(S_FALSE, installer_->QueueJob(job.Get()));
    ASSERT_TRUE(sink_->WaitForEnd(id));
    EXPECT_EQ(3u, sink_->Of(id).size());
    // Refused jobs never report.
    EXPECT_EQ(3u, sink_->events.size());
}

TEST_F(InstallerTest, JobIdentifiersAreUniqueAmongLiveJobs) {
    Connect();
    ComPtr<IInstallJob> jobs[3];
    std::vector<LONG> ids;
    for (ComPtr<IInstallJob>& job : jobs) {
        ASSERT_EQ(S_OK, installer_->CreateInstallJob(job.GetAddressOf()));
        ids.push_back(IdOf(job.Get()));
        EXPECT_GT(ids.back(), 0);
    }
    EXPECT_NE(ids[0], ids[1]);
    EXPECT_NE(ids[1], ids[2]);
    EXPECT_NE(ids[0], ids[2]);

    LONG tag = 1;
    EXPECT_EQ(S_OK, jobs[0]->get_Tag(&tag));
    EXPECT_EQ(0, tag);
    EXPECT_EQ(S_OK, jobs[0]->put_Tag(-5));
    EXPECT_EQ(S_OK, jobs[0]->get_Tag(&tag));
    EXPECT_EQ(-5, tag);
    ComPtr<IUpdateInfo> update;
    EXPECT_EQ(S_OK, jobs[0]->get_Update(update.GetAddressOf()));
    EXPECT_FALSE(update);
    BSTR path = nullptr;
    EXPECT_EQ(S_OK, jobs[0]->get_PackagePath(&path));
    EXPECT_EQ(0u, ::SysStringLen(path));
    ::SysFreeString(path);
}

TEST_F(InstallerTest, ConnectionPointKeepsItsSubscribers) {
    Connect();
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(S_OK, installer_.As(&container));
    ComPtr<IConnectionPoint> none;
    EXPECT_EQ(CONNECT_E_NOCONNECTION,
              container->FindConnectionPoint(IID_IDispatch, none.GetAddressOf()));
    IID iid = {};
    EXPECT_EQ(S_OK, connection_->GetConnectionInterface(&iid));
    EXPECT_EQ(DIID_IInstallJobEvents, iid);
    ComPtr<IConnectionPointContainer> back;
    ASSERT_EQ(S_OK, connection_->GetConnectionPointContainer(back.GetAddressOf()));
    ComPtr<IUnknown> a, b;
    back.As(&a);
    installer_.As(&b);
    EXPECT_EQ(a.Get(), b.Get());

    ComPtr<IEnumConnectionPoints> points;
    ASSERT_EQ(S_OK, container->EnumConnectionPoints(points.GetAddressOf()));
    IConnectionPoint* fetched[2] = {};
    ULONG count = 0;
    EXPECT_EQ(S_FALSE, points->Next(2, fetched, &count));
    ASSERT_EQ(1u, count);
    EXPECT_EQ(connection_.Get(), fetched[0]);
    fetched[0]->Release();

    // A sink without IDispatch cannot subscribe.
    ComPtr<IInstallJob> notASink;
    ASSERT_EQ(S_OK, installer_->CreateInstallJob(notASink.GetAddressOf()));
    DWORD cookie = 0;
    EXPECT_EQ(CONNECT_E_CANNOTCONNECT, connection_->Advise(notASink.Get(), &cookie));

    ComPtr<EventSink> second = EventSink::Create();
    DWORD secondCookie = 0;
    ASSERT_EQ(S_OK, connection_->Advise(second.Get(), &secondCookie));
    EXPECT_NE(cookie_, secondCookie);
    ComPtr<IEnumConnections> connections;
    ASSERT_EQ(S_OK, connection_->EnumConnections(connections.GetAddressOf()));
    CONNECTDATA data[3] = {};
    EXPECT_EQ(S_FALSE, connections->Next(3, data, &count));
    ASSERT_EQ(2u, count);
    EXPECT_EQ(cookie_, data[0].dwCookie);
    EXPECT_EQ(secondCookie, data[1].dwCookie);
    data[0].pUnk->Release();
    data[1].pUnk->Release();

    ASSERT_EQ(S_OK, connection_->Unadvise(cookie_));
    EXPECT_EQ(CONNECT_E_NOCONNECTION, connection_->Unadvise(cookie_));
    cookie_ = 0;
    ComPtr<IInstallJob> job = Job(500103, Download("KB500103"));
    LONG id = IdOf(job.Get());
    ASSERT_EQ(S_OK, installer_->QueueJob(job.Get()));
    ASSERT_TRUE(second->WaitForEnd(id));
    EXPECT_EQ(3u, second->Of(id).size());
    EXPECT_TRUE(sink_->events.empty());
    EXPECT_EQ(S_OK, connection_->Unadvise(secondCookie));
}

TEST_F(InstallerTest, ReleasingTheInstallerWhileAJobRunsEndsQuietly) {
    UseArguments("/exitcode:1602");  // leaves no marker behind
    Connect();
    ComPtr<IInstallJob> job = Job(500102, Download("KB500102"));
    ASSERT_EQ(S_OK, installer_->QueueJob(job.Get()));
    connection_.Reset();
    DWORD before = ::GetTickCount();
    installer_.Reset();
    EXPECT_LT(::GetTickCount() - before, 10000u);
    // Events still posted for the released installer go nowhere.
    PumpFor(1000);
    EXPECT_TRUE(sink_->events.empty());
}

}  // namespace
}  // namespace updateengine_test
