#include "foundation/JNIUtil.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/system/Connection.h"
#include "tests/support/TempWorkDir.h"

using foundation::JNIUtil;

namespace {

const std::string HEADER = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
const std::string CONNECTED = HEADER + "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n";
const std::string DIAL_UP = HEADER + "ppp0\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n";
const std::string LOCAL_ONLY = HEADER + "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n";

class JNIUtilTest : public ::testing::Test {
protected:
    void SetUp() override {
        rltest::writeFile("ipv6_route", "");
        sys::setRouteTablePaths(dir.file("route"), dir.file("ipv6_route"));
        JNIUtil::setOverrideAlwaysConnected(false);
    }
    void TearDown() override {
        JNIUtil::setOverrideAlwaysConnected(false);
        sys::resetRouteTablePaths();
    }
    void table(const std::string& text) { rltest::writeFile("route", text); }
    rltest::TempWorkDir dir;
};

}  // namespace

TEST_F(JNIUtilTest, FactsOfThePreparedTable) {
    table(CONNECTED);
    JNIUtil::initConnectionCheck();
    EXPECT_TRUE(JNIUtil::isConnected());
    EXPECT_TRUE(JNIUtil::isLAN());
    EXPECT_FALSE(JNIUtil::isModem());
    EXPECT_EQ(JNIUtil::getConnectionName(), "eth0");

    table(DIAL_UP);
    JNIUtil::refreshConnectionInfo();
    EXPECT_TRUE(JNIUtil::isConnectedInternal());
    EXPECT_TRUE(JNIUtil::isModem());
    EXPECT_EQ(JNIUtil::getConnectionName(), "ppp0");

    table(LOCAL_ONLY);
    JNIUtil::refreshConnectionInfo();
    EXPECT_FALSE(JNIUtil::isConnected());
    EXPECT_EQ(JNIUtil::getConnectionName(), "");
}

TEST_F(JNIUtilTest, RefreshOnlyWhenAsked) {
    table(CONNECTED);
    JNIUtil::initConnectionCheck();
    table(LOCAL_ONLY);
    EXPECT_TRUE(JNIUtil::isConnected()) << "as last collected";
    EXPECT_TRUE(JNIUtil::isConnectedAfterRefresh(true)) << "a connected machine is not examined again";
    EXPECT_EQ(JNIUtil::getConnectionName(), "eth0");
    EXPECT_FALSE(JNIUtil::isConnectedAfterRefresh(false));
    EXPECT_EQ(JNIUtil::getConnectionName(), "");

    table(CONNECTED);
    EXPECT_TRUE(JNIUtil::isConnectedAfterRefresh(true)) << "a disconnected machine is examined again";
}

TEST_F(JNIUtilTest, OverrideAnswersConnectedYetFalseStillRefreshes) {
    table(LOCAL_ONLY);
    JNIUtil::initConnectionCheck();
    EXPECT_FALSE(JNIUtil::isConnected());
    JNIUtil::setOverrideAlwaysConnected(true);
    table(DIAL_UP);
    EXPECT_TRUE(JNIUtil::isConnected());
    EXPECT_FALSE(JNIUtil::isConnectedInternal());
    EXPECT_TRUE(JNIUtil::isConnectedAfterRefresh(true));
    EXPECT_EQ(JNIUtil::getConnectionName(), "") << "no refresh behind the override";
    EXPECT_TRUE(JNIUtil::isConnectedAfterRefresh(false));
    EXPECT_EQ(JNIUtil::getConnectionName(), "ppp0") << "refreshed all the same";
    table(LOCAL_ONLY);
    EXPECT_TRUE(JNIUtil::isConnectedAfterRefresh(false));
    EXPECT_FALSE(JNIUtil::isConnectedInternal());
}
