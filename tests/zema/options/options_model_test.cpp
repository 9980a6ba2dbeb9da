#include <gtest/gtest.h>

#include "tests/zema/core/private_settings.h"
#include "zema/options/download_options.h"
#include "zema/options/network_options.h"

namespace zema {
namespace {

TEST(DownloadOptions, DefaultResetsFolderAndLocationButKeepsServerCredentialsAndLimits) {
    PrivateSettings settings;
    ASSERT_TRUE(settings.Loaded());
    DownloadOptions o = DownloadOptions::Load(settings.Store());
    EXPECT_EQ(settings.InstallFolder() + "\\Hotfix", o.group.updatesSavePath);
    o.group = {1, 1, 0, 0, "D:\\pkgs", "http://mirror", "me", "secret"};
    o.limits.maxRetryTimes = 7;
    o.ResetLocation(settings.InstallFolder());
    EXPECT_EQ(settings.InstallFolder() + "\\Hotfix", o.group.updatesSavePath);
    EXPECT_EQ(0, o.group.updatesLocationType);
    EXPECT_EQ(0, o.group.updatesServerAuth);
    EXPECT_EQ(1, o.group.downloadFailFromOfficial);
    EXPECT_EQ(1, o.group.downloadDirStruct);
    EXPECT_EQ("http://mirror", o.group.updatesServer);
    EXPECT_EQ("me", o.group.updatesServerUserName);
    EXPECT_EQ("secret", o.group.updatesServerPassword);
    EXPECT_EQ(7, o.limits.maxRetryTimes);
}

TEST(NetworkOptions, EachProtocolOffersItsOwnProxyAndTheSocksTypesWithTheirPorts) {
    NetworkGroup ftpProxy;
    ftpProxy.proxyServerType = 2;
    EXPECT_EQ(0, NetworkOptions::ProxyTypeIndex(kProtocolFtp, 2));
    EXPECT_EQ(2121, NetworkOptions::ShownPort(kProtocolFtp, ftpProxy));
    // The FTP proxy is no choice for HTTP: the HTTP proxy item stands in.
    EXPECT_EQ(0, NetworkOptions::ProxyTypeIndex(kProtocolHttp, 2));
    EXPECT_EQ(808, NetworkOptions::ShownPort(kProtocolHttp, ftpProxy));
    for (NetworkProtocol p : {kProtocolHttp, kProtocolFtp}) {
        ASSERT_EQ(4u, NetworkOptions::ProxyTypes(p).size());
        for (int type = 4; type <= 6; ++type) {
            EXPECT_EQ(type - 3, NetworkOptions::ProxyTypeIndex(p, type));
            EXPECT_EQ(1080, NetworkOptions::DefaultPort(type));
        }
    }
    NetworkGroup stored;
    stored.proxyServerType = 6;
    stored.proxyServerPort = 3128;
    EXPECT_EQ(3128, NetworkOptions::ShownPort(kProtocolHttp, stored)) << "a stored port stays";
    EXPECT_EQ(0, NetworkOptions::DefaultPort(0));
    EXPECT_EQ(40000, NetworkOptions::StoredPort(40000));
}

}  // namespace
}  // namespace zema
