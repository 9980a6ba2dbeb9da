// The engine session fetching packages over HTTP from the test peers: the
// official server, a mirror in either layout, and the fall-back between them.

#include "zema/core/engine_session.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/netclient/peer_config.h"
#include "tests/support/product_installation.h"
#include "zema/core/ini_file.h"
#include "win/text.h"
#include "zema/core/settings_store.h"

namespace zema {
namespace {

using namespace testing_support;

constexpr DWORD kTimeoutMs = 120000;

class HttpSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(product_.Ready());
        std::string error;
        ASSERT_TRUE(peers_.Load(error)) << error;
        port_ = std::to_string(peers_.Port("nginx"));
        // The catalog names the official server instead of the VDF folder.
        official_ = peers_.DocumentPath("official");
        CreateDirectoryA(official_.c_str(), nullptr);
        std::string catalogPath = product_.VdfFolder() + "\\catalog.xml";
        std::string catalog = ReadFileBytes(catalogPath);
        const std::string local = "DownloadURL=\"packages\\";
        for (size_t at; (at = catalog.find(local)) != std::string::npos;)
            catalog.replace(at, local.size(),
                            "DownloadURL=\"http://127.0.0.1:" + port_ + "/official/");
        WriteFileBytes(catalogPath, catalog);
        for (int id : {500102, 500103, 500104})
            ASSERT_TRUE(CopyFileA(product_.SamplePackage(id).c_str(), Official(id).c_str(), FALSE));
        ini_ = IniFile(product_.ConfigIni());
    }

    void TearDown() override {
        if (session_) session_->Shutdown();
        RemovePath(official_);
        RemovePath(peers_.DocumentPath("mirror"));
    }

    std::string Official(int id) const {
        return official_ + "\\zg-kb" + std::to_string(id) + ".exe";
    }

    void ConnectAndScan() {
        settings_ = std::make_unique<SettingsStore>();
        ASSERT_TRUE(settings_->Load());
        session_ = std::make_unique<EngineSession>(*settings_);
        ASSERT_TRUE(session_->Connect());
        session_->AddListener(&listener_, false);
        ASSERT_TRUE(session_->StartScan(nullptr));
        ASSERT_TRUE(PumpUntil([&] { return listener_.scans > 0; }, kTimeoutMs));
    }

    bool WaitQuiet() {
        return PumpUntil(
            [&] { return !session_->DownloadsActive() && !session_->InstallationsActive(); },
            kTimeoutMs);
    }

    std::string Saved(int id) const {
        return ReadFileBytes(product_.SaveFolder() + "\\zg-kb" + std::to_string(id) + ".exe");
    }

    struct ScanCounter : SessionListener {
        void OnUpdateChanged(UpdateRecord*) override {}
        void OnScanStarted(HWND) override {}
        void OnScanCompleted(HWND, int) override { ++scans; }
        int scans = 0;
    };

    win::ComInit com_;
    ProductInstallation product_;
    netclient_tests::PeerConfig peers_;
    std::string port_;
    std::string official_;
    IniFile ini_;
    std::unique_ptr<SettingsStore> settings_;
    std::unique_ptr<EngineSession> session_;
    ScanCounter listener_;
};

TEST_F(HttpSessionTest, PackagesFromTheOfficialServerAreDownloadedAndInstalled) {
    ConnectAndScan();
    UpdateRecord* record = session_->FindRecord(500102);
    ASSERT_NE(nullptr, record);
    record->installAfterDownload = true;
    ASSERT_EQ(StartResult::Started, session_->StartDownload(*record, false));
    ASSERT_TRUE(WaitQuiet());
    EXPECT_EQ(UpdateStatus::Installed, record->status);
    EXPECT_TRUE(ProductInstallation::MarkerSet(500102));
    EXPECT_EQ(ReadFileBytes(Official(500102)), Saved(500102));
}

TEST_F(HttpSessionTest, AFlatMirrorServesEveryPackageFromOneFolder) {
    std::string mirror = peers_.DocumentPath("mirror");
    CreateDirectoryA(mirror.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(Official(500103).c_str(), (mirror + "\\zg-kb500103.exe").c_str(), FALSE));
    ini_.WriteInt("Download", "UpdatesLocationType", 1);
    ini_.WriteInt("Download", "DownloadDIRStruct", 0);
    ini_.WriteString("Download", "UpdatesServer", "http://127.0.0.1:" + port_ + "/mirror/");
    DeleteFileA(Official(500103).c_str());  // only the mirror has it now
    ConnectAndScan();
    UpdateRecord* record = session_->FindRecord(500103);
    ASSERT_NE(nullptr, record);
    ASSERT_EQ(StartResult::Started, session_->StartDownload(*record, false));
    EXPECT_FALSE(record->officialSource);
    ASSERT_TRUE(WaitQuiet());
    EXPECT_EQ(UpdateStatus::DownloadCompleted, record->status);
    EXPECT_EQ(ReadFileBytes(product_.SamplePackage(500103)), Saved(500103));
}

TEST_F(HttpSessionTest, AMirrorMissingThePackageFallsBackToTheOfficialServer) {
    ini_.WriteInt("Download", "UpdatesLocationType", 1);
    ini_.WriteInt("Download", "DownloadDIRStruct", 1);
    ini_.WriteString("Download", "UpdatesServer", "http://127.0.0.1:" + port_ + "/mirror");
    ini_.WriteInt("Download", "MaxRetryTimes", 0);
    ConnectAndScan();
    UpdateRecord* record = session_->FindRecord(500104);
    ASSERT_NE(nullptr, record);
    ASSERT_EQ(StartResult::Started, session_->StartDownload(*record, false));
    win::ComPtr<IQORDownloadJob> job = session_->DownloadJob(*record);
    ASSERT_TRUE(job);
    win::Bstr url;
    job->get_DownloadURL(url.Put());
    EXPECT_EQ(L"http://127.0.0.1:" + std::wstring(port_.begin(), port_.end()) +
                  L"/mirror/127-0-0-1:" + std::wstring(port_.begin(), port_.end()) +
                  L"/official/zg-kb500104.exe",
              std::wstring(url.Get() ? url.Get() : L""))
        << "the host's dots become dashes, the official path follows";
    ASSERT_TRUE(WaitQuiet());
    EXPECT_EQ(UpdateStatus::DownloadCompleted, record->status);
    EXPECT_TRUE(record->officialSource);
    EXPECT_EQ(ReadFileBytes(Official(500104)), Saved(500104));
}

TEST_F(HttpSessionTest, HttpsCatalogAddressesAndAnHttpsMirrorKeepTheirScheme) {
    // The catalog names the official server over TLS, and so does the mirror.
    const std::string official = "https://localhost:" + std::to_string(peers_.Port("tls"));
    std::string catalogPath = product_.VdfFolder() + "\\catalog.xml";
    std::string catalog = ReadFileBytes(catalogPath);
    const std::string plain = "http://127.0.0.1:" + port_ + "/official/";
    for (size_t at; (at = catalog.find(plain)) != std::string::npos;)
        catalog.replace(at, plain.size(), official + "/official/");
    WriteFileBytes(catalogPath, catalog);
    std::string mirror = peers_.DocumentPath("mirror");
    CreateDirectoryA(mirror.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(Official(500103).c_str(), (mirror + "\\zg-kb500103.exe").c_str(), FALSE));
    ini_.WriteInt("Download", "UpdatesLocationType", 1);
    ini_.WriteInt("Download", "DownloadDIRStruct", 0);
    ini_.WriteString("Download", "UpdatesServer", official + "/mirror");
    ini_.WriteInt("Download", "MaxRetryTimes", 0);
    ConnectAndScan();
    UpdateRecord* fromMirror = session_->FindRecord(500103);
    UpdateRecord* fallingBack = session_->FindRecord(500104);  // not on the mirror
    ASSERT_TRUE(fromMirror && fallingBack);
    ASSERT_EQ(StartResult::Started, session_->StartDownload(*fromMirror, false));
    win::Bstr url;
    session_->DownloadJob(*fromMirror)->get_DownloadURL(url.Put());
    EXPECT_EQ(official + "/mirror/zg-kb500103.exe", win::FromBstr(url.Get()));
    ASSERT_EQ(StartResult::Started, session_->StartDownload(*fallingBack, false));
    ASSERT_TRUE(WaitQuiet());
    EXPECT_EQ(UpdateStatus::DownloadCompleted, fromMirror->status);
    EXPECT_FALSE(fromMirror->officialSource);
    EXPECT_EQ(ReadFileBytes(product_.SamplePackage(500103)), Saved(500103));
    EXPECT_EQ(UpdateStatus::DownloadCompleted, fallingBack->status);
    EXPECT_TRUE(fallingBack->officialSource);
    EXPECT_EQ(ReadFileBytes(Official(500104)), Saved(500104));
}

}  // namespace
}  // namespace zema
