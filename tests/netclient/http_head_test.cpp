#include "netclient/http_head.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "tests/netclient/file_time.h"
#include "tests/netclient/test_names.h"

namespace netclient {
namespace {

using netclient_tests::SameTime;

FILETIME Utc(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    return netclient_tests::FileTimeOf(year, month, day, hour, minute, second);
}

TEST(HttpHead, FindsTheEndOfAHeadAndNothingBeforeIt) {
    std::string data = "HTTP/1.1 200 OK\r\nA: b\r\n\r\nbody";
    EXPECT_EQ(FindHeadEnd(data.data(), data.size()), data.size() - 4);
    EXPECT_EQ(FindHeadEnd(data.data(), 20), 0u);
    EXPECT_EQ(FindHeadEnd("\r\n\r", 3), 0u);
}

TEST(HttpHead, ReadsStatusLengthRangeAndConnectionFields) {
    HttpHead head;
    ASSERT_TRUE(ParseHttpHead("HTTP/1.1 206 Partial Content\r\ncontent-length: 4096\r\n"
                              "Content-Range: bytes 1000-5095/9999999999\r\n"
                              "Connection: close\r\n\r\n",
                              head));
    EXPECT_EQ(head.status, 206);
    EXPECT_TRUE(head.hasContentLength);
    EXPECT_EQ(head.contentLength, 4096u);
    EXPECT_TRUE(head.hasRangeTotal);
    EXPECT_EQ(head.rangeStart, 1000u);
    EXPECT_EQ(head.rangeTotal, 9999999999ull);
    EXPECT_TRUE(head.connectionClose);
    EXPECT_FALSE(head.chunked);
}

TEST(HttpHead, LeavesUnknownLengthsUnknown) {
    HttpHead head;
    ASSERT_TRUE(ParseHttpHead("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n"
                              "Content-Range: bytes */100\r\n\r\n",
                              head));
    EXPECT_FALSE(head.hasContentLength);
    EXPECT_FALSE(head.hasRangeTotal);
    EXPECT_TRUE(head.chunked);
}

TEST(HttpHead, RejectsHeadsWithoutAUsableStatus) {
    HttpHead head;
    EXPECT_FALSE(ParseHttpHead("HTTP/1.1 0 Nothing\r\n\r\n", head));
    EXPECT_FALSE(ParseHttpHead("HTTP/1.1 OK\r\n\r\n", head));
    EXPECT_FALSE(ParseHttpHead("SSH-2.0-Server\r\n\r\n", head));
    EXPECT_FALSE(ParseHttpHead("HTTP/1.1 20000 Big\r\n\r\n", head));
    EXPECT_FALSE(ParseHttpHead("", head));
}

TEST(HttpHead, MatchesHeaderNamesOnlyAtTheStartOfALine) {
    std::string head =
        "HTTP/1.1 302 Found\r\nContent-Location: /wrong\r\nX-Content-Length: 7\r\n"
        "location:  /Right/Path  \r\n\r\n";
    std::string value;
    ASSERT_TRUE(FindHeader(head, "Location", value));
    EXPECT_EQ(value, "/Right/Path");  // letter case kept, blanks trimmed
    EXPECT_FALSE(FindHeader(head, "Content-Length", value));
}

TEST(HttpDate, ReadsTheThreeHttpDateForms) {
    FILETIME expected = Utc(1994, 11, 6, 8, 49, 37);
    for (const char* text : {"Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT",
                             "Sun Nov  6 08:49:37 1994"}) {
        FILETIME time = {};
        ASSERT_TRUE(ParseHttpDate(text, time)) << text;
        EXPECT_TRUE(SameTime(time, expected)) << text;
    }
}

TEST(HttpDate, RejectsMalformedDates) {
    for (const char* text : {"", "yesterday", "Sun, 32 Nov 1994 08:49:37 GMT",
                             "Sun, 06 Foo 1994 08:49:37 GMT", "Sun, 06 Nov 1994 8-49 GMT",
                             "Sun, 06 Nov 1994 25:00:00 GMT"}) {
        FILETIME time = {};
        EXPECT_FALSE(ParseHttpDate(text, time)) << text;
    }
}

TEST(HttpDate, UnknownTimeIsTheStartOf1970) {
    EXPECT_TRUE(SameTime(UnixEpochFileTime(), Utc(1970, 1, 1, 0, 0, 0)));
}

struct SchemeCase {
    const char* head;
    bool proxy;
    int expected;
};

void PrintTo(const SchemeCase& c, std::ostream* os) {
    std::string head = c.head;
    size_t line = head.find("\r\n");
    *os << netclient_tests::CaseLabel((c.proxy ? "proxy_" : "server_") +
                                      head.substr(line == std::string::npos ? 0 : line + 2));
}

class AuthSchemeDetection : public ::testing::TestWithParam<SchemeCase> {};

TEST_P(AuthSchemeDetection, FollowsTheRowOrder) {
    const SchemeCase& c = GetParam();
    EXPECT_EQ(DetectAuthScheme(c.head, c.proxy), c.expected) << c.head;
}

INSTANTIATE_TEST_SUITE_P(
    Challenges, AuthSchemeDetection,
    ::testing::Values(
        SchemeCase{"HTTP/1.1 407 x\r\nProxy-Authenticate: Basic realm=\"p\"\r\n\r\n", true, kAuthBasic},
        SchemeCase{"HTTP/1.1 407 x\r\nProxy-Authenticate: NTLM\r\n\r\n", true, kAuthNtlm},
        SchemeCase{"HTTP/1.1 407 x\r\nProxy-Authenticate: NTLM, Basic realm=\"p\"\r\n\r\n", true,
                   kAuthBasic},
        SchemeCase{"HTTP/1.1 407 x\r\nProxy-Authenticate: Kerbos\r\n\r\n", true, kAuthKerberos},
        SchemeCase{"HTTP/1.1 407 x\r\nProxy-Authenticate: Negotiate\r\n\r\n", true, kAuthOther},
        SchemeCase{"HTTP/1.1 407 x\r\nProxy-Authenticate: NTLM\r\n"
                   "Proxy-Authenticate: Basic realm=\"p\"\r\n\r\n",
                   true, kAuthNtlm},  // only the first line counts
        SchemeCase{"HTTP/1.1 407 x\r\n\r\n", true, kAuthNone},
        SchemeCase{"HTTP/1.1 401 x\r\nWWW-Authenticate: Basic realm=\"s\"\r\n\r\n", false, kAuthBasic},
        SchemeCase{"HTTP/1.1 401 x\r\nwww-authenticate: Digest realm=\"s\"\r\n\r\n", false, kAuthDigest},
        SchemeCase{"HTTP/1.1 401 x\r\nWWW-Authenticate: NTLM\r\n\r\n", false, kAuthOther},
        SchemeCase{"HTTP/1.1 401 x\r\nProxy-Authenticate: Basic\r\n\r\n", false, kAuthNone}));

TEST(NtlmChallenge, TakesTheTokenOfTheNtlmLine) {
    EXPECT_EQ(FindNtlmChallenge("HTTP/1.1 407 x\r\nProxy-Authenticate: Basic realm=\"p\"\r\n"
                                "Proxy-Authenticate: NTLM  TlRMTVNTUAACAAAA  \r\n\r\n"),
              "TlRMTVNTUAACAAAA");
    EXPECT_EQ(FindNtlmChallenge("HTTP/1.1 407 x\r\nProxy-Authenticate: NTLM\r\n\r\n"), "");
    EXPECT_EQ(FindNtlmChallenge("HTTP/1.1 407 x\r\n\r\n"), "");
}

}  // namespace
}  // namespace netclient
