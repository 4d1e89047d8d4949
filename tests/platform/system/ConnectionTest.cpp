#include "platform/system/Connection.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "tests/support/TempWorkDir.h"

namespace {

const char* const HEADER =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";

std::string route(const std::string& iface, const std::string& dest, const std::string& flags, int metric,
                  const std::string& mask) {
    return iface + "\t" + dest + "\t010200C0\t" + flags + "\t0\t0\t" + std::to_string(metric) + "\t" + mask +
           "\t0\t0\t0\n";
}

std::string route6(const std::string& dest, const std::string& plen, const std::string& metric,
                   const std::string& flags, const std::string& iface) {
    return dest + " " + plen + " 00000000000000000000000000000000 00 fd000000000000000000000000000001 " + metric +
           " 00000001 00000000 " + flags + "     " + iface + "\n";
}

const std::string ZERO6 = "00000000000000000000000000000000";

class ConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
            ::unsetenv(name);
        }
    }
    void TearDown() override { sys::resetRouteTablePaths(); }
    void tables(const std::string& v4, const std::string& v6) {
        rltest::writeFile("route", v4);
        rltest::writeFile("ipv6_route", v6);
        sys::setRouteTablePaths(dir.file("route"), dir.file("ipv6_route"));
        sys::initConnectionCheck();
    }
    rltest::TempWorkDir dir;
};

}  // namespace

TEST_F(ConnectionTest, DefaultRouteOnAnInterfaceMeansConnected) {
    tables(std::string(HEADER) + route("eth0", "000200C0", "0001", 0, "00FFFFFF") +
               route("wlan0", "00000000", "0003", 600, "00000000") + route("eth0", "00000000", "0003", 100, "00000000"),
           "");
    EXPECT_TRUE(sys::isConnectedInternal());
    EXPECT_EQ(sys::getConnectionName(), "eth0") << "the lowest metric wins";
    EXPECT_TRUE(sys::isLAN());
    EXPECT_FALSE(sys::isModem());
    EXPECT_FALSE(sys::isViaProxy());
}

TEST_F(ConnectionTest, RoutesThatDoNotCount) {
    // Only a local network, a default route that is down, one on loopback,
    // a rejecting one; and IPv6 defaults on loopback or rejecting.
    tables(std::string(HEADER) + route("eth0", "000200C0", "0001", 0, "00FFFFFF") +
               route("eth1", "00000000", "0002", 0, "00000000") + route("lo", "00000000", "0003", 0, "00000000") +
               route("eth2", "00000000", "0201", 0, "00000000"),
           route6(ZERO6, "00", "ffffffff", "00200200", "lo") + route6(ZERO6, "00", "00000400", "00000000", "eth0") +
               route6("fd000000000000000000000000000000", "40", "00000100", "00000001", "eth0"));
    EXPECT_FALSE(sys::isConnectedInternal());
    EXPECT_EQ(sys::getConnectionName(), "");
    EXPECT_FALSE(sys::isLAN());
    EXPECT_FALSE(sys::isModem());
}

TEST_F(ConnectionTest, IPv6DefaultAloneIsEnoughAndModemsAreNamed) {
    tables(HEADER, route6(ZERO6, "00", "00000400", "00000003", "eth0"));
    EXPECT_TRUE(sys::isConnectedInternal());
    EXPECT_EQ(sys::getConnectionName(), "eth0");

    tables(std::string(HEADER) + route("ppp0", "00000000", "0001", 0, "00000000"), "");
    EXPECT_TRUE(sys::isConnectedInternal());
    EXPECT_TRUE(sys::isModem());
    EXPECT_FALSE(sys::isLAN());
    EXPECT_EQ(sys::getConnectionName(), "ppp0");
}

TEST_F(ConnectionTest, AnswersComeFromTheLastCollection) {
    tables(std::string(HEADER) + route("eth0", "00000000", "0003", 0, "00000000"), "");
    rltest::writeFile("route", HEADER);
    EXPECT_TRUE(sys::isConnectedInternal()) << "not collected again yet";
    sys::initConnectionCheck();
    EXPECT_FALSE(sys::isConnectedInternal());
}

TEST_F(ConnectionTest, UnreadableTablesGiveTheFixedAnswer) {
    sys::setRouteTablePaths(dir.file("none"), dir.file("none6"));
    sys::initConnectionCheck();
    EXPECT_TRUE(sys::isConnectedInternal());
    EXPECT_EQ(sys::getConnectionName(), "");
}

TEST_F(ConnectionTest, AChildProgramReadsTheTablesOfItsEnvironment) {
    rltest::writeFile("route", std::string(HEADER) + route("wlan0", "00000000", "0003", 0, "00000000"));
    rltest::writeFile("ipv6_route", "");
    ::setenv("RL_ROUTE_TABLES", dir.path().c_str(), 1);
    sys::resetRouteTablePaths();
    ::unsetenv("RL_ROUTE_TABLES");
    sys::initConnectionCheck();
    EXPECT_TRUE(sys::isConnectedInternal());
    EXPECT_EQ(sys::getConnectionName(), "wlan0");
}

TEST_F(ConnectionTest, ProxyFromTheEnvironment) {
    ::setenv("https_proxy", "http://proxy.example:3128", 1);
    tables(std::string(HEADER) + route("eth0", "00000000", "0003", 0, "00000000"), "");
    EXPECT_TRUE(sys::isViaProxy());
    ::unsetenv("https_proxy");
    sys::initConnectionCheck();
    EXPECT_FALSE(sys::isViaProxy());
}
