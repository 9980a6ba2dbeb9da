#include "netclient/socks_messages.h"

#include <gtest/gtest.h>

#include <string>

namespace netclient {
namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out += static_cast<char>(v);
    return out;
}

const uint8_t* Raw(const std::string& text) { return reinterpret_cast<const uint8_t*>(text.data()); }

TEST(Socks4, RequestsByAddressAndByName) {
    EXPECT_EQ(Socks4Request(0x7F000001, 8080, "bob"),
              Bytes({4, 1, 0x1F, 0x90, 127, 0, 0, 1, 'b', 'o', 'b', 0}));
    EXPECT_EQ(Socks4Request(0x0A000002, 21, ""), Bytes({4, 1, 0, 21, 10, 0, 0, 2, 0}));
    EXPECT_EQ(Socks4aRequest("h.invalid", 80, ""),
              Bytes({4, 1, 0, 80, 0, 0, 0, 1, 0}) + "h.invalid" + std::string(1, '\0'));
}

TEST(Socks4, GrantsOnlyOnStatus5A) {
    std::string granted = Bytes({0, 0x5A, 0, 0, 0, 0, 0, 0});
    std::string refused = Bytes({0, 0x5B, 0, 0, 0, 0, 0, 0});
    std::string wrongVersion = Bytes({4, 0x5A, 0, 0, 0, 0, 0, 0});
    EXPECT_TRUE(Socks4Granted(Raw(granted), granted.size()));
    EXPECT_FALSE(Socks4Granted(Raw(refused), refused.size()));
    EXPECT_FALSE(Socks4Granted(Raw(wrongVersion), wrongVersion.size()));
    EXPECT_FALSE(Socks4Granted(Raw(granted), 1));
}

TEST(Socks5, OffersNoneAndPasswordAndAcceptsOnlyThose) {
    EXPECT_EQ(Socks5Greeting(), Bytes({5, 2, 0, 2}));
    EXPECT_EQ(Socks5ChosenMethod(Raw(Bytes({5, 0})), 2), 0);
    EXPECT_EQ(Socks5ChosenMethod(Raw(Bytes({5, 2})), 2), 2);
    EXPECT_EQ(Socks5ChosenMethod(Raw(Bytes({5, 0xFF})), 2), -1);
    EXPECT_EQ(Socks5ChosenMethod(Raw(Bytes({4, 0})), 2), -1);
    EXPECT_EQ(Socks5ChosenMethod(Raw(Bytes({5, 1})), 2), -1);
}

TEST(Socks5, PasswordSubnegotiation) {
    std::string request;
    ASSERT_TRUE(Socks5PasswordRequest("ann", "pw", request));
    EXPECT_EQ(request, Bytes({1, 3, 'a', 'n', 'n', 2, 'p', 'w'}));
    EXPECT_FALSE(Socks5PasswordRequest(std::string(256, 'u'), "", request));
    EXPECT_TRUE(Socks5PasswordAccepted(Raw(Bytes({1, 0})), 2));
    EXPECT_FALSE(Socks5PasswordAccepted(Raw(Bytes({1, 1})), 2));
}

TEST(Socks5, ConnectRequestsByAddressAndByName) {
    EXPECT_EQ(Socks5ConnectByAddress(0x7F000001, 443),
              Bytes({5, 1, 0, 1, 127, 0, 0, 1, 1, 0xBB}));
    std::string request;
    ASSERT_TRUE(Socks5ConnectByName("ab", 21, request));
    EXPECT_EQ(request, Bytes({5, 1, 0, 3, 2, 'a', 'b', 0, 21}));
    EXPECT_FALSE(Socks5ConnectByName("", 21, request));
    EXPECT_FALSE(Socks5ConnectByName(std::string(256, 'h'), 21, request));
}

TEST(Socks5, ReplySizeFollowsTheAddressType) {
    EXPECT_EQ(Socks5ReplySize(Raw(Bytes({5, 0, 0, 1, 127})), 5), 10u);
    EXPECT_EQ(Socks5ReplySize(Raw(Bytes({5, 0, 0, 4, 0})), 5), 22u);
    EXPECT_EQ(Socks5ReplySize(Raw(Bytes({5, 0, 0, 3, 8})), 5), 15u);
    EXPECT_EQ(Socks5ReplySize(Raw(Bytes({5, 1, 0, 1, 0})), 5), 0u);  // refused
    EXPECT_EQ(Socks5ReplySize(Raw(Bytes({5, 0, 0, 9, 0})), 5), 0u);  // unknown type
    EXPECT_EQ(Socks5ReplySize(Raw(Bytes({5, 0, 0, 1})), 4), 0u);
}

}  // namespace
}  // namespace netclient
