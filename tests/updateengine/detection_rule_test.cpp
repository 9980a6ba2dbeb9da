#include "updateengine/detection_rule.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"
#include "tests/updateengine/fake_machine.h"
#include "win/text.h"

namespace updateengine {
namespace {

using namespace testing_support;
using updateengine_test::FakeMachine;

FileVersion Version(const wchar_t* text) {
    FileVersion v;
    EXPECT_TRUE(FileVersion::Parse(text, v)) << win::WideToAnsi(text);
    return v;
}

Condition Value(const wchar_t* name) {
    Condition c;
    c.kind = Condition::Kind::RegistryValue;
    c.key = L"SOFTWARE\\Marker";
    c.name = name;
    return c;
}

Condition ValueEquals(const wchar_t* name, const wchar_t* expected) {
    Condition c = Value(name);
    c.compare = true;
    c.equals = expected;
    return c;
}

Condition Version(const wchar_t* path, bool below, const wchar_t* version) {
    Condition c;
    c.kind = Condition::Kind::FileVersion;
    c.path = path;
    c.below = below;
    c.version = Version(version);
    return c;
}

Condition Group(Condition::Kind kind, std::vector<Condition> children) {
    Condition c;
    c.kind = kind;
    c.children = std::move(children);
    return c;
}

TEST(FileVersion, ParsesOneToFourPartsAndRefusesTheRest) {
    EXPECT_EQ((std::array<uint16_t, 4>{6, 0, 0, 0}), Version(L"6").parts);
    EXPECT_EQ((std::array<uint16_t, 4>{6, 1, 7601, 65535}), Version(L"6.1.7601.65535").parts);
    FileVersion v;
    for (const wchar_t* bad : {L"", L".", L"1.", L".1", L"1..2", L"1.2.3.4.5", L"65536", L"1.a",
                               L" 1", L"-1", L"1.2 "})
        EXPECT_FALSE(FileVersion::Parse(bad, v)) << win::WideToAnsi(bad);
    EXPECT_TRUE(Version(L"6.1") < Version(L"6.1.0.1"));
    EXPECT_TRUE(Version(L"6.2") < Version(L"10.0"));
    EXPECT_FALSE(Version(L"6.1") < Version(L"6.1.0.0"));
}

TEST(DetectionRule, StateFollowsTheAppliesAndInstalledLists) {
    FakeMachine machine;
    DetectionRule rule;
    rule.installed.push_back(Value(L"KB1"));
    EXPECT_EQ(UpdateState::Missing, rule.Evaluate(machine));
    machine.SetNumber(L"SOFTWARE\\Marker", L"KB1", 1);
    EXPECT_EQ(UpdateState::Installed, rule.Evaluate(machine));

    rule.applies.push_back(Version(L"C:\\a.dll", true, L"6.1.7601.24000"));
    EXPECT_EQ(UpdateState::NotApplicable, rule.Evaluate(machine));  // no such file
    machine.files[L"C:\\a.dll"] = Version(L"6.1.7601.23999");
    EXPECT_EQ(UpdateState::Installed, rule.Evaluate(machine));
    machine.files[L"C:\\a.dll"] = Version(L"6.1.7601.24000");
    EXPECT_EQ(UpdateState::NotApplicable, rule.Evaluate(machine));

    // A rule that states no installed condition can never call itself done.
    DetectionRule empty;
    EXPECT_EQ(UpdateState::Missing, empty.Evaluate(machine));
}

TEST(DetectionRule, RegistryValuesCompareAsTextOrNumber) {
    FakeMachine machine;
    machine.SetText(L"SOFTWARE\\Marker", L"Text", L"Installed");
    machine.SetNumber(L"SOFTWARE\\Marker", L"Dword", 3010);
    machine.SetNumber(L"SOFTWARE\\Marker", L"Qword", 5000000000ull, REG_QWORD);
    RegistryData binary;
    binary.type = REG_BINARY;
    machine.values[{L"SOFTWARE\\Marker", L"Binary"}] = binary;

    EXPECT_TRUE(ValueEquals(L"Text", L"installed").Holds(machine));
    EXPECT_FALSE(ValueEquals(L"Text", L"Installed ").Holds(machine));
    EXPECT_TRUE(ValueEquals(L"Dword", L"3010").Holds(machine));
    EXPECT_FALSE(ValueEquals(L"Dword", L"3011").Holds(machine));
    EXPECT_FALSE(ValueEquals(L"Dword", L"0x0BC2").Holds(machine));
    EXPECT_FALSE(ValueEquals(L"Dword", L"").Holds(machine));
    EXPECT_TRUE(ValueEquals(L"Qword", L"5000000000").Holds(machine));
    EXPECT_FALSE(ValueEquals(L"Binary", L"").Holds(machine));
    EXPECT_TRUE(Value(L"Binary").Holds(machine));
    EXPECT_FALSE(Value(L"Missing").Holds(machine));
}

TEST(DetectionRule, GroupsCombineTheirChildren) {
    FakeMachine machine;
    machine.SetNumber(L"SOFTWARE\\Marker", L"Yes", 1);
    Condition yes = Value(L"Yes");
    Condition no = Value(L"No");
    EXPECT_TRUE(Group(Condition::Kind::Any, {no, yes}).Holds(machine));
    EXPECT_FALSE(Group(Condition::Kind::Any, {no, no}).Holds(machine));
    EXPECT_TRUE(Group(Condition::Kind::All, {yes, yes}).Holds(machine));
    EXPECT_FALSE(Group(Condition::Kind::All, {yes, no}).Holds(machine));
    EXPECT_TRUE(Group(Condition::Kind::Not, {no}).Holds(machine));
    EXPECT_FALSE(Group(Condition::Kind::Not, {yes}).Holds(machine));
    EXPECT_FALSE(Group(Condition::Kind::Not, {no, no}).Holds(machine));

    Condition key;
    key.kind = Condition::Kind::RegistryKey;
    key.key = L"SOFTWARE\\Vendor\\Product";
    EXPECT_FALSE(key.Holds(machine));
    machine.keys.insert(key.key);
    EXPECT_TRUE(key.Holds(machine));
}

TEST(DetectionRule, FileVersionNeedsAVersionResource) {
    FakeMachine machine;
    machine.files[L"C:\\plain.txt"] = FileVersion();
    Condition file;
    file.kind = Condition::Kind::File;
    file.path = L"C:\\plain.txt";
    EXPECT_TRUE(file.Holds(machine));
    EXPECT_FALSE(Version(L"C:\\plain.txt", true, L"99").Holds(machine));
    EXPECT_FALSE(Version(L"C:\\plain.txt", false, L"0.0.0.1").Holds(machine));
    machine.files[L"C:\\v.dll"] = Version(L"2.5");
    EXPECT_TRUE(Version(L"C:\\v.dll", false, L"2.5").Holds(machine));
    EXPECT_FALSE(Version(L"C:\\v.dll", true, L"2.5").Holds(machine));
}

// The probe against this machine's own registry and files.
TEST(LocalMachineProbe, ReadsKeysValuesAndFileVersions) {
    TestRegistryKey key;
    ASSERT_TRUE(SetRegString(key.Root(), key.Sub("Marker"), "Text", "abc"));
    ASSERT_TRUE(SetRegDword(key.Root(), key.Sub("Marker"), "Dword", 3010));
    LocalMachineProbe probe(key.Root());
    std::wstring marker = win::AnsiToWide(key.Sub("Marker"));

    EXPECT_TRUE(probe.KeyExists(marker));
    EXPECT_FALSE(probe.KeyExists(marker + L"\\None"));
    RegistryData data;
    ASSERT_TRUE(probe.ReadValue(marker, L"Text", data));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), data.type);
    EXPECT_EQ(L"abc", data.text);
    ASSERT_TRUE(probe.ReadValue(marker, L"Dword", data));
    EXPECT_EQ(3010u, data.number);
    EXPECT_FALSE(probe.ReadValue(marker, L"None", data));

    FileVersion version;
    EXPECT_TRUE(probe.FileExists(L"%SystemRoot%\\system32\\kernel32.dll"));
    ASSERT_TRUE(probe.ReadFileVersion(L"%SystemRoot%\\system32\\kernel32.dll", version));
    EXPECT_TRUE(Version(L"1.0") < version);
    EXPECT_TRUE(version < Version(L"999.0"));

    TempFolder folder;
    WriteFileBytes(folder.File("plain.txt"), "no version here");
    std::wstring plain = win::AnsiToWide(folder.File("plain.txt"));
    EXPECT_TRUE(probe.FileExists(plain));
    EXPECT_FALSE(probe.ReadFileVersion(plain, version));
    EXPECT_FALSE(probe.FileExists(win::AnsiToWide(folder.Path())));  // a folder is not a file
    EXPECT_FALSE(probe.FileExists(plain + L".missing"));
}

}  // namespace
}  // namespace updateengine
