#include "updateengine/package_runner.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"
#include "tests/updateengine/test_catalog.h"
#include "updateengine/package_checksum.h"
#include "win/text.h"
#include "win/unique_handle.h"
#include "zema/engine/update_engine.h"

namespace updateengine {
namespace {

using namespace testing_support;
using namespace updateengine_test;

std::string ChecksumOfText(const std::string& content) {
    TempFolder folder;
    WriteFileBytes(folder.File("f.bin"), content);
    return PackageChecksum(folder.File("f.bin"));
}

TEST(PackageChecksum, IsTheFirstHalfOfTheMd5DigestInUpperCase) {
    // RFC 1321 test suite.
    EXPECT_EQ("D41D8CD98F00B204", ChecksumOfText(""));
    EXPECT_EQ("900150983CD24FB0", ChecksumOfText("abc"));
    EXPECT_EQ("57EDF4A22BE3C955",
              ChecksumOfText("12345678901234567890123456789012345678901234567890123456789012345678901234567890"));
    // Spans several read chunks.
    EXPECT_EQ("7707D6AE4E027C70", ChecksumOfText(std::string(1000000, 'a')));
}

struct ExitCodeCase {
    DWORD exitCode;
    InstallResult result;
    bool rebootNeeded;
    int32_t errorCode;
};

class ExitCodes : public ::testing::TestWithParam<ExitCodeCase> {};

TEST_P(ExitCodes, MapAsWindowsInstallersReportThem) {
    const ExitCodeCase& c = GetParam();
    InstallOutcome outcome = OutcomeOfExitCode(c.exitCode);
    EXPECT_EQ(c.result, outcome.result);
    EXPECT_EQ(c.rebootNeeded, outcome.rebootNeeded);
    EXPECT_EQ(c.errorCode, outcome.errorCode);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ExitCodes,
    ::testing::Values(ExitCodeCase{0, InstallResult::Installed, false, 0},
                      ExitCodeCase{3010, InstallResult::Installed, true, 0},
                      ExitCodeCase{1641, InstallResult::Installed, true, 0},
                      ExitCodeCase{1602, InstallResult::Canceled, false, 0},
                      ExitCodeCase{1603, InstallResult::Failed, false, 1603},
                      ExitCodeCase{1, InstallResult::Failed, false, 1},
                      ExitCodeCase{0xC0000005, InstallResult::Failed, false,
                                   static_cast<int32_t>(0xC0000005)}),
    [](const ::testing::TestParamInfo<ExitCodeCase>& info) {
        return "Code" + std::to_string(info.param.exitCode);
    });

// Exit codes that leave no marker, so these runs change nothing outside the
// test.
class PackageRunnerTest : public ::testing::Test {
protected:
    InstallRequest Request(const std::string& path, const std::string& arguments) {
        InstallRequest r;
        r.jobId = 1;
        r.packagePath = win::AnsiToWide(path);
        r.checkValue = win::AnsiToWide(PackageChecksum(SamplePackage("KB500103")));
        r.arguments = win::AnsiToWide(arguments);
        return r;
    }
    InstallOutcome Run(const InstallRequest& r) { return PackageRunner(nullptr).Run(r, true); }

    TempFolder folder_;
};

TEST_F(PackageRunnerTest, RunsThePackageWithItsArguments) {
    InstallOutcome canceled = Run(Request(SamplePackage("KB500103"), "/quiet /exitcode:1602"));
    EXPECT_EQ(InstallResult::Canceled, canceled.result);
    InstallOutcome failed = Run(Request(SamplePackage("KB500103"), "/quiet /exitcode:1603"));
    EXPECT_EQ(InstallResult::Failed, failed.result);
    EXPECT_EQ(1603, failed.errorCode);
}

TEST_F(PackageRunnerTest, APackageThatIsNotTheCatalogsIsNotRun) {
    // Same program, one byte more: it would still run, and report 1602.
    std::string copy = folder_.File("zg-kb500103.exe");
    WriteFileBytes(copy, ReadFileBytes(SamplePackage("KB500103")) + "x");
    InstallOutcome outcome = Run(Request(copy, "/exitcode:1602"));
    EXPECT_EQ(InstallResult::Failed, outcome.result);
    EXPECT_EQ(zema::engine::kInstallErrorChecksumMismatch, outcome.errorCode);

    InstallRequest lower = Request(SamplePackage("KB500103"), "/exitcode:1602");
    for (wchar_t& c : lower.checkValue) c = towlower(c);
    EXPECT_EQ(zema::engine::kInstallErrorChecksumMismatch, Run(lower).errorCode);
}

TEST_F(PackageRunnerTest, MissingLockedOrUnstartablePackagesFail) {
    InstallOutcome missing = Run(Request(folder_.File("none.exe"), ""));
    EXPECT_EQ(InstallResult::Failed, missing.result);
    EXPECT_EQ(static_cast<int32_t>(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)), missing.errorCode);

    // Someone is writing the package: it is not read, let alone run.
    std::string busy = folder_.File("busy.exe");
    WriteFileBytes(busy, ReadFileBytes(SamplePackage("KB500103")));
    {
        win::FileHandle writer(::CreateFileA(busy.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                             OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(writer);
        EXPECT_EQ(InstallResult::Failed, Run(Request(busy, "/exitcode:1602")).result);
    }

    // Right checksum, but not a program.
    std::string text = folder_.File("text.exe");
    WriteFileBytes(text, "not a program");
    InstallRequest notProgram = Request(text, "");
    notProgram.checkValue = win::AnsiToWide(PackageChecksum(text));
    InstallOutcome outcome = Run(notProgram);
    EXPECT_EQ(InstallResult::Failed, outcome.result);
    EXPECT_LT(outcome.errorCode, 0);
}

}  // namespace
}  // namespace updateengine
