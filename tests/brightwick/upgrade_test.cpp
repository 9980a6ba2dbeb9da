// Runs of the self-updater's check and upgrade against nginx as the upgrade
// server, on a private installation of version 2.0.0.9.

#include <gtest/gtest.h>

#include <vector>

#include "brightwick/cpr_file.h"
#include "brightwick/deployment.h"
#include "brightwick/file_list.h"
#include "brightwick/upgrade_run.h"
#include "brightwick/version_check.h"
#include "tests/brightwick/upgrade_fixture.h"
#include "win/protected_text.h"
#include "win/registry.h"

namespace brightwick_tests {
namespace {

using brightwick::RunCheck;
using brightwick::RunContext;
using brightwick::RunUpgrade;
using brightwick::UpgradeState;

// What a run told its listener, in order.
struct Told {
    std::vector<UINT> messages;
    int failure = 0;
    brightwick::RunListener Listener() {
        return [this](UINT message, WPARAM code) {
            messages.push_back(message);
            if (message == brightwick::UM_FAILED) failure = static_cast<int>(static_cast<INT_PTR>(code));
        };
    }
    bool Saw(UINT message) const {
        for (UINT m : messages)
            if (m == message) return true;
        return false;
    }
};

std::string RegistryVersion() {
    win::RegKey key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, brightwick::kProductKey, 0, KEY_READ, key.Put()) !=
        ERROR_SUCCESS)
        return std::string();
    return win::QueryRegString(key.Get(), "Version", 64);
}

class UpgradeRunTest : public UpgradeFixture {
protected:
    // Runs the upgrade of one upload folder; the result code.
    int Upgrade(const std::string& folder, const RunContext& context, Told& told,
                const std::string& version = kVersionB) {
        Offer(state_, folder, version);
        return RunUpgrade(context, state_, told.Listener());
    }

    // Nothing of the release went past the list into the release folder.
    bool NothingFetchedPastTheList() const {
        auto fetched = Contents(state_.releaseDir);
        for (const auto& file : fetched)
            if (file.first != "FileList.xml" && file.first.rfind("FileList.xml", 0) != 0) return false;
        return true;
    }

    UpgradeState state_;
};

TEST_F(UpgradeRunTest, CheckTakesTheRedirectTargetApartInLowerCase) {
    RunContext context = Context();
    Told told;
    ASSERT_TRUE(RunCheck(context, state_, told.Listener()));
    std::string base = peers_.HttpUrl("nginx", "/upgrade/b");
    EXPECT_EQ(base + "/filelist.xml.cpr", state_.fileListUrl);
    EXPECT_EQ(base, state_.baseUrl);
    EXPECT_EQ(kVersionB, state_.newVersion);
    EXPECT_EQ(WorkFolder() + "\\2.0.0.10\\FileList.xml", state_.localFileList);
    EXPECT_EQ(std::vector<UINT>{brightwick::UM_CHECKED}, told.messages);
}

TEST_F(UpgradeRunTest, CheckFailsWithoutARedirectAndAtTheFailedPage) {
    for (const char* answer : {"failed", "body"}) {
        SCOPED_TRACE(answer);
        RunContext context = Context();
        context.upgradeServer = UpgradeServer(answer);
        Told told;
        EXPECT_FALSE(RunCheck(context, state_, told.Listener()));
        EXPECT_EQ(brightwick::kCheckFailed, told.failure);
    }
}

TEST_F(UpgradeRunTest, RedirectWithoutLocationAnswersWithTheInstalledVersion) {
    RunContext context = Context();
    context.upgradeServer = UpgradeServer("nolocation");
    Told told;
    ASSERT_TRUE(RunCheck(context, state_, told.Listener()));
    // The rest of the query follows the version; it still reads as 2.0.0.9.
    EXPECT_EQ(0, brightwick::CompareVersions(state_.newVersion, kVersionA)) << state_.newVersion;
    EXPECT_TRUE(state_.fileListUrl.empty());
}

TEST_F(UpgradeRunTest, UpgradesFromAToBAndRestartsTheMainProgram) {
    ASSERT_TRUE(StartZema());
    RunContext context = Context();
    Told told;
    ASSERT_EQ(1, Upgrade("b", context, told));

    auto expected = Release("src-b");
    expected["docs\\old.txt"] = Release("src-a")["docs\\old.txt"];  // files the list does not name stay
    EXPECT_EQ(expected, Installed());
    EXPECT_EQ(kVersionB, RegistryVersion());
    EXPECT_TRUE(WaitForZemaStart("-updated", 20000)) << ZemaArguments();
    // The stand-in started by the test was stopped before the files were copied.
    EXPECT_EQ(0, zema_.Wait(5000));
    EXPECT_TRUE(told.Saw(brightwick::UM_DOWNLOADING));
    EXPECT_TRUE(told.Saw(brightwick::UM_DEPLOYING));
    EXPECT_EQ(brightwick::UM_SUCCEEDED, told.messages.back());

    // Run again on the upgraded installation: nothing differs, nothing is
    // fetched, and the program is still stopped, restarted and recorded.
    UpgradeState again;
    Offer(again, "b");
    Told second;
    ::DeleteFileA((InstallFolder() + "\\ZEMA.exe.args.txt").c_str());
    ASSERT_EQ(1, RunUpgrade(context, again, second.Listener()));
    EXPECT_TRUE(again.entries.empty());
    EXPECT_TRUE(WaitForZemaStart("-updated", 20000));
}

TEST_F(UpgradeRunTest, UpgradesFromAnHttpsServerAndFromTheHttpsListAPlainCheckNames) {
    const std::string httpsList = peers_.HttpsUrl("tls", "/upgrade/b/filelist.xml.cpr");
    RunContext context = Context();
    for (const std::string& server :
         {"127.0.0.1:" + std::to_string(peers_.Port("nginx")) + "/up/tohttps",
          "https://localhost:" + std::to_string(peers_.Port("tls")) + "/up/https"}) {
        SCOPED_TRACE(server);
        context.upgradeServer = server;
        Told checked;
        ASSERT_TRUE(RunCheck(context, state_, checked.Listener()));
        EXPECT_EQ(httpsList, state_.fileListUrl);
        EXPECT_EQ(kVersionB, state_.newVersion);
    }
    // The list and the packages come over TLS, with the peers' CA trusted.
    ASSERT_TRUE(StartZema());
    Told told;
    ASSERT_EQ(1, RunUpgrade(context, state_, told.Listener()));
    auto expected = Release("src-b");
    expected["docs\\old.txt"] = Release("src-a")["docs\\old.txt"];
    EXPECT_EQ(expected, Installed());
    EXPECT_EQ(kVersionB, RegistryVersion());
    EXPECT_TRUE(WaitForZemaStart("-updated", 20000)) << ZemaArguments();
}

TEST_F(UpgradeRunTest, UpgradesThroughAnHttpProxyWithTheProtectedPassword) {
    // As Zema stores it: the password only in its protected form.
    testing_support::WriteFileBytes(
        ConfigIni(), "[NetWorkHTTP]\r\nConnectMode=2\r\nProxyServerType=3\r\nProxyServerIP=127.0.0.1\r\n"
                     "ProxyServerPort=" + std::to_string(peers_.Port("squid_basic")) +
                         "\r\nProxyServerAuth=1\r\nProxyServerAuthUserName=proxyuser\r\n"
                         "ProxyServerAuthPassword=" + win::ProtectText("proxypass") + "\r\n");
    RunContext context = Context();
    context.http = brightwick::ProxySettings::Read(win::IniFile(ConfigIni()), "NetWorkHTTP");
    Told told;
    ASSERT_EQ(1, Upgrade("b", context, told));
    EXPECT_EQ(Release("src-b")["QOR.dll"], Installed()["QOR.dll"]);
    EXPECT_TRUE(WaitForZemaStart("-updated", 20000));
}

// Packages and lists that must fail before anything is installed.
class RefusedReleaseTest : public UpgradeRunTest,
                           public ::testing::WithParamInterface<const char*> {};

TEST_P(RefusedReleaseTest, FailsWithMinusSixAndLeavesTheInstallationAlone) {
    auto before = Installed();
    RunContext context = Context();
    Told told;
    EXPECT_EQ(brightwick::kListRejected, Upgrade(GetParam(), context, told));
    EXPECT_EQ(brightwick::kListRejected, told.failure);
    EXPECT_EQ(before, Installed());
    EXPECT_EQ(kVersionA, RegistryVersion());
    EXPECT_FALSE(told.Saw(brightwick::UM_DEPLOYING));
    // Nothing outside the release folder: the hostile names aimed beside
    // and above it.
    EXPECT_FALSE(testing_support::PathExists(WorkFolder() + "\\evil.txt"));
    EXPECT_FALSE(testing_support::PathExists(WorkFolder() + "\\evil"));
    std::string parent = WorkFolder().substr(0, WorkFolder().find_last_of('\\'));
    EXPECT_FALSE(testing_support::PathExists(parent + "\\evil.txt"));
    // No partly unpacked file stays behind in the release folder either.
    auto release = Release("src-b");
    for (const auto& file : Contents(state_.releaseDir)) {
        auto source = release.find(file.first);
        if (source != release.end()) {
            EXPECT_EQ(source->second, file.second) << file.first;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(DamagedPackages, RefusedReleaseTest,
                         ::testing::Values("bad-truncated", "bad-size", "bad-stream"));

// Hostile lists are refused before any file is fetched.
class HostileListTest : public UpgradeRunTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(HostileListTest, RefusesTheWholeListBeforeFetchingAnything) {
    auto before = Installed();
    RunContext context = Context();
    Told told;
    EXPECT_EQ(brightwick::kListRejected, Upgrade(GetParam(), context, told));
    EXPECT_FALSE(told.Saw(brightwick::UM_DOWNLOADING));
    EXPECT_TRUE(NothingFetchedPastTheList());
    EXPECT_EQ(before, Installed());
}

INSTANTIATE_TEST_SUITE_P(Traversal, HostileListTest,
                         ::testing::Values("trav-dotdot-path", "trav-dotdot-name", "trav-absolute",
                                           "trav-drive", "trav-device", "trav-stream",
                                           "trav-duplicate"));

TEST_F(UpgradeRunTest, CopyFailingHalfWayRestoresVersionAAndRestartsTheMainProgram) {
    ASSERT_TRUE(StartZema());
    auto before = Installed();
    // The skin image is copied after the files at the top: hold it open
    // without sharing so that its copy fails.
    std::string locked = InstallFolder() + "\\skin\\images\\logo.bmp";
    win::FileHandle hold(::CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(hold);
    RunContext context = Context();
    Told told;
    EXPECT_EQ(brightwick::kDeployFailed, Upgrade("b", context, told));
    hold.Reset();
    EXPECT_EQ(before, Installed());
    EXPECT_FALSE(testing_support::PathExists(InstallFolder() + "\\readme.txt"));
    EXPECT_EQ(kVersionA, RegistryVersion());
    EXPECT_TRUE(told.Saw(brightwick::UM_DEPLOYING));
    // Stopped for the copy, running again afterwards (not as updated).
    EXPECT_EQ(0, zema_.Wait(5000));
    EXPECT_TRUE(testing_support::PumpUntil(
        [&] { return ZemaArguments().find("ZEMA.exe\"\n") != std::string::npos; }, 20000))
        << ZemaArguments();
    EXPECT_EQ(std::string::npos, ZemaArguments().find("-updated"));
}

TEST_F(UpgradeRunTest, DamagedPackagesFailToUnpackWithoutLeavingAnOutput) {
    std::string out = WorkFolder() + "\\QOR.dll";
    for (const char* folder : {"bad-truncated", "bad-size", "bad-stream"}) {
        SCOPED_TRACE(folder);
        EXPECT_FALSE(brightwick::CprFile::UnpackFile(ReleasePath(std::string(folder) + "/QOR.dll.cpr"), out));
        EXPECT_FALSE(testing_support::PathExists(out));
        EXPECT_FALSE(testing_support::PathExists(out + ".part"));
    }
    ASSERT_TRUE(brightwick::CprFile::UnpackFile(ReleasePath("b/QOR.dll.cpr"), out));
    EXPECT_EQ(ReleaseText("src-b/QOR.dll"), testing_support::ReadFileBytes(out));
}

// Signed releases: with the publisher's key in the registry only what it
// signed for the offered version is installed.
class SignedUpgradeTest : public UpgradeRunTest {
protected:
    RunContext SigningContext() const {
        RunContext context = Context();
        context.requireSignature = true;
        context.releaseKey = ReleaseText("release_key.txt");
        return context;
    }
};

TEST_F(SignedUpgradeTest, InstallsTheSignedRelease) {
    Told told;
    ASSERT_EQ(1, Upgrade("sb", SigningContext(), told));
    EXPECT_EQ(Release("src-b")["Brightwick.exe"], Installed()["Brightwick.exe"]);
    EXPECT_EQ(kVersionB, RegistryVersion());
    EXPECT_TRUE(WaitForZemaStart("-updated", 20000));
}

TEST_F(SignedUpgradeTest, AnUnsignedReleaseStillInstallsWithoutAKey) {
    Told told;
    ASSERT_EQ(1, Upgrade("sb-nosig", Context(), told));
    EXPECT_EQ(Release("src-b")["QOR.dll"], Installed()["QOR.dll"]);
    EXPECT_TRUE(WaitForZemaStart("-updated", 20000));
}

struct Spoiled {
    const char* folder;
    brightwick::FailureReason reason;
};

class SpoiledSignatureTest : public SignedUpgradeTest,
                             public ::testing::WithParamInterface<Spoiled> {};

TEST_P(SpoiledSignatureTest, RefusesBeforeAnyPackageIsFetched) {
    auto before = Installed();
    Told told;
    EXPECT_EQ(brightwick::kListRejected, Upgrade(GetParam().folder, SigningContext(), told));
    EXPECT_EQ(GetParam().reason, state_.failureReason);
    EXPECT_FALSE(told.Saw(brightwick::UM_DOWNLOADING));
    EXPECT_TRUE(NothingFetchedPastTheList());
    EXPECT_EQ(before, Installed());
    EXPECT_EQ(kVersionA, RegistryVersion());
}

INSTANTIATE_TEST_SUITE_P(
    Signatures, SpoiledSignatureTest,
    ::testing::Values(Spoiled{"sb-tampered", brightwick::FailureReason::kBadSignature},
                      Spoiled{"sb-nosig", brightwick::FailureReason::kUnsigned},
                      Spoiled{"sb-otherkey", brightwick::FailureReason::kBadSignature},
                      Spoiled{"sb-old", brightwick::FailureReason::kVersionMismatch},
                      Spoiled{"sb-shortsig", brightwick::FailureReason::kBadSignature}),
    [](const ::testing::TestParamInfo<Spoiled>& info) {
        std::string name = info.param.folder;
        for (char& c : name)
            if (c == '-') c = '_';
        return name;
    });

}  // namespace
}  // namespace brightwick_tests
