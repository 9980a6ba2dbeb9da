#include "updateengine/definitions_folder.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"
#include "win/text.h"

namespace updateengine {
namespace {

using namespace testing_support;

class DefinitionsFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        location_.root = key_.Root();
        location_.key = win::AnsiToWide(key_.Sub("ZEMA"));
    }
    HRESULT Read(std::wstring& folder) { return ReadDefinitionsFolder(location_, folder); }

    TestRegistryKey key_;
    DefinitionsLocation location_;
};

TEST_F(DefinitionsFolderTest, TrailingSeparatorsAreRemoved) {
    ASSERT_TRUE(SetRegString(key_.Root(), key_.Sub("ZEMA"), "VDFPath", "C:\\Data\\VDF\\/\\"));
    std::wstring folder;
    ASSERT_EQ(S_OK, Read(folder));
    EXPECT_EQ(L"C:\\Data\\VDF", folder);
}

TEST_F(DefinitionsFolderTest, ExpandableTextsAreExpanded) {
    std::wstring value = L"%SystemRoot%\\VDF";
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(key_.Root(), location_.key.c_str(), 0, nullptr, 0,
                                               KEY_SET_VALUE, nullptr, &key, nullptr));
    ::RegSetValueExW(key, L"VDFPath", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
    std::wstring folder;
    ASSERT_EQ(S_OK, Read(folder));
    wchar_t windows[MAX_PATH] = {};
    ::GetWindowsDirectoryW(windows, MAX_PATH);
    EXPECT_EQ(std::wstring(windows) + L"\\VDF", folder);
}

TEST_F(DefinitionsFolderTest, MissingEmptyOrWrongValuesAreNotFound) {
    const HRESULT notFound = HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    std::wstring folder = L"unchanged";
    EXPECT_EQ(notFound, Read(folder));
    ASSERT_TRUE(SetRegString(key_.Root(), key_.Sub("ZEMA"), "VDFPath", "\\\\"));
    EXPECT_EQ(notFound, Read(folder));
    ASSERT_TRUE(SetRegDword(key_.Root(), key_.Sub("ZEMA"), "VDFPath", 7));
    EXPECT_EQ(notFound, Read(folder));
    EXPECT_EQ(L"unchanged", folder);
}

}  // namespace
}  // namespace updateengine
