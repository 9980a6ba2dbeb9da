#include "netclient/redirect_location.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "tests/netclient/test_names.h"

namespace netclient {
namespace {

struct RedirectCase {
    const char* current;
    const char* location;
    int kind;
    const char* expected;
};

void PrintTo(const RedirectCase& c, std::ostream* os) { *os << netclient_tests::CaseLabel(c.location); }

class RedirectResolution : public ::testing::TestWithParam<RedirectCase> {};

TEST_P(RedirectResolution, LeadsWhereTheServerMeant) {
    const RedirectCase& c = GetParam();
    std::string url;
    EXPECT_EQ(ResolveRedirect(c.current, c.location, url), c.kind) << c.location;
    if (c.kind != kRedirectInvalid) {
        EXPECT_EQ(url, c.expected) << c.location;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Locations, RedirectResolution,
    ::testing::Values(
        RedirectCase{"http://h/a/b/c.exe", "http://other:8080/X.exe", kRedirectHttp,
                     "http://other:8080/X.exe"},
        RedirectCase{"http://h/a/b/c.exe", "HTTP://Other/Y", kRedirectHttp, "HTTP://Other/Y"},
        RedirectCase{"http://h/a/b/c.exe", "ftp://f/pub/x", kRedirectReopen, "ftp://f/pub/x"},
        RedirectCase{"http://h/a/b/c.exe", "https://s/x", kRedirectReopen, "https://s/x"},
        RedirectCase{"http://h/a/b/c.exe", "../pub/f.exe", kRedirectReopen, "http://h/a/pub/f.exe"},
        RedirectCase{"http://h/a/b/c.exe", "..\\..\\F.exe", kRedirectReopen, "http://h/F.exe"},
        RedirectCase{"http://h/a/b/c.exe", "../../../../x", kRedirectReopen, "http://h/x"},
        RedirectCase{"http://h:81/a/b/c.exe", "d/E.exe", kRedirectReopen, "http://h:81/a/b/d/E.exe"},
        RedirectCase{"http://h/a/b/c.exe", "./d.exe", kRedirectReopen, "http://h/a/b/d.exe"},
        RedirectCase{"http://h/a/b/c.exe", "/Root/F.exe", kRedirectReopen, "http://h/Root/F.exe"},
        RedirectCase{"http://h/a/b/c.exe?q=/x/y", "d.exe?v=1", kRedirectReopen,
                     "http://h/a/b/d.exe?v=1"},
        RedirectCase{"http://h", "f.exe", kRedirectReopen, "http://h/f.exe"},
        RedirectCase{"http://h/a/c.exe", "//mirror/c.exe", kRedirectHttp, "http://mirror/c.exe"},
        RedirectCase{"http://h/a/c.exe", "", kRedirectInvalid, ""},
        RedirectCase{"not a url", "x", kRedirectInvalid, ""}));

}  // namespace
}  // namespace netclient
