#include "foundation/AsynchURL.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <random>
#include <set>
#include <thread>

#include "foundation/CompressionUtil.h"
#include "foundation/HostTable.h"
#include "foundation/RegistryKey.h"
#include "foundation/RegistryValue.h"
#include "foundation/RootKey.h"
#include "tests/support/ImitationWeb.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempWorkDir.h"
#include "tests/support/Wait.h"

using namespace foundation;
using namespace rltest;

namespace {

std::string base64Decode(const std::string& text) {
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    int bits = 0;
    uint32_t acc = 0;
    for (char c : text) {
        if (c == '=' || c == '\r' || c == '\n') continue;
        auto pos = alphabet.find(c);
        if (pos == std::string::npos) throw std::runtime_error("not Base64");
        acc = (acc << 6) | static_cast<uint32_t>(pos);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((acc >> bits) & 0xFF);
        }
    }
    return out;
}

std::string gunzip(const std::string& data) {
    z_stream z{};
    if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) throw std::runtime_error("inflateInit2");
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    std::string out;
    char buffer[4096];
    int rc;
    do {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        rc = inflate(&z, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - z.avail_out);
    } while (rc == Z_OK);
    inflateEnd(&z);
    if (rc != Z_STREAM_END) throw std::runtime_error("not gzip");
    return out;
}

// What the server receives back into the reported text.
std::string decodeMessage(const std::string& formValue, std::string* base64 = nullptr) {
    std::string plain = formDecode(formValue);
    EXPECT_GE(plain.size(), 7u);
    for (int i = 0; i < 7; ++i) EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(plain[i]))) << plain;
    EXPECT_NE(plain[0], '0');
    if (base64) *base64 = plain.substr(7);
    return gunzip(base64Decode(plain.substr(7)));
}

// A text whose gzip form has exactly the given size.
std::string textCompressingTo(size_t size) {
    std::mt19937 random(7);
    for (int length = 1; length < 400; ++length) {
        for (int attempt = 0; attempt < 20; ++attempt) {
            std::string text;
            for (int i = 0; i < length; ++i) text += static_cast<char>('!' + random() % 90);
            if (CompressionUtil::gzipString(text).size() == size) return text;
        }
    }
    ADD_FAILURE() << "no text compresses to " << size;
    return "";
}

class AsynchURLTest : public ImitationWebTest {
protected:
    std::string productHost() { return HostTable::host("ProductServer.site"); }
    // Reports sent with the class operations cannot be joined; their
    // threads end within one wait step after the answer.
    void TearDown() override { std::this_thread::sleep_for(std::chrono::milliseconds(700)); }
    std::vector<Request> awaitPosts(const std::string& host, size_t n) {
        EXPECT_TRUE(waitFor([&] { return site(host).requests().size() >= n; }));
        return site(host).requests();
    }
};

}  // namespace

TEST_F(AsynchURLTest, PortalLaunchReportDecodesBackToTheText) {
    site(productHost()).on("POST", "/lanternbay/rlreg20060430.php", Answer::page("thanks"));
    std::string message = "Launch report\r\nGr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC 42\r\n" + std::string(500, 'x');
    AsynchURL::reportStats(message, "6f1c-uuid", std::nullopt, 0);
    auto log = awaitPosts(productHost(), 1);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].path, "/lanternbay/rlreg20060430.php");
    EXPECT_EQ(log[0].body.rfind("UUID=6f1c-uuid&Message=", 0), 0u) << log[0].body;
    std::string value = log[0].body.substr(std::string("UUID=6f1c-uuid&Message=").size());
    for (char c : std::string("+/=\r\n")) EXPECT_EQ(value.find(c), std::string::npos) << int(c);
    EXPECT_EQ(decodeMessage(value), message);
    // A fresh client: no referrer, no cookies.
    EXPECT_FALSE(log[0].header("Referer"));
    EXPECT_FALSE(log[0].header("Cookie"));
}

TEST_F(AsynchURLTest, EditionAddressesAndBodies) {
    LogCapture capture;
    site(productHost()).on("POST", "*", Answer::page("ok"));
    std::string brightwire = HostTable::host("BrightwireReport.site");
    site(brightwire).on("POST", "/optin/parser.php", Answer::page("ok"));
    AsynchURL::reportStats("farhaven", "u1", std::nullopt, 1);
    AsynchURL::reportStats("brightwire", "u2", std::string("ReportedOn=Launch"), 2);
    auto farhaven = awaitPosts(productHost(), 1);
    EXPECT_EQ(farhaven[0].path, "/roamledger/farhaven/reg20060430.php");
    auto branded = awaitPosts(brightwire, 1);
    EXPECT_EQ(branded[0].body.rfind("UUID=u2&ReportedOn=Launch&Message=", 0), 0u) << branded[0].body;
    EXPECT_EQ(decodeMessage(branded[0].body.substr(std::string("UUID=u2&ReportedOn=Launch&Message=").size())),
              "brightwire");
    EXPECT_TRUE(capture.contains("StatsReportURL: " + HostTable::url("BrightwireReport.site", "/optin/parser.php")));
}

TEST_F(AsynchURLTest, RegistryValueReplacesTheBrandedAddress) {
    TempWorkDir dir;
    ::setenv("RL_REGISTRY_DIR", dir.path().c_str(), 1);
    if (!RegistryKey::isInitialized()) RegistryKey::initialize();
    RegistryKey key(RootKey::HKEY_CURRENT_USER, AsynchURL::REGISTRY_KEY);
    key.create();
    key.setValue(RegistryValue("RoambayStatsReportURL", "https://stats.override.example/custom/in.php?src=rb"));
    site("stats.override.example").on("POST", "/custom/in.php?src=rb", Answer::page("ok"));
    EXPECT_EQ(AsynchURL::getStatsReportURL(3).value(), "https://stats.override.example/custom/in.php?src=rb");
    AsynchURL::reportStats("roambay", "u3", std::string("ReportedOn=Launch"), 3);
    auto log = awaitPosts("stats.override.example", 1);
    EXPECT_EQ(log[0].target, "/custom/in.php?src=rb");
    // Without the value the edition's own report host is used.
    key.deleteValue("RoambayStatsReportURL");
    EXPECT_EQ(AsynchURL::getStatsReportURL(3).value(), HostTable::url("RoambayReport.site", "/optin/parser.php"));
    ::unsetenv("RL_REGISTRY_DIR");
}

TEST_F(AsynchURLTest, AnUnknownEditionSendsNothingAndLogsTheFailure) {
    LogCapture capture;
    EXPECT_FALSE(AsynchURL::getStatsReportURL(7));
    auto report = std::make_shared<AsynchURL>("", AsynchURL::buildStatsReportBody("x", "u", std::nullopt));
    report->start();
    ASSERT_TRUE(report->join(rltest::scaled(5000)));
    EXPECT_TRUE(web.requests().empty());
    EXPECT_TRUE(capture.contains("Error while accessing  (UUID=u&Message="));
}

TEST_F(AsynchURLTest, GetReportsAndTheirLogLines) {
    LogCapture capture;
    site("h.example").on("GET", "/ping", Answer::page("pong"));
    auto report = std::make_shared<AsynchURL>("http://h.example/ping");
    report->start();
    ASSERT_TRUE(report->join(rltest::scaled(5000)));
    ASSERT_EQ(site("h.example").requests().size(), 1u);
    EXPECT_EQ(site("h.example").requests()[0].method, "GET");
    EXPECT_TRUE(capture.contains("Accessing URL [http://h.example/ping]"));
    EXPECT_TRUE(capture.contains("URL [http://h.example/ping] returned:\r\npong"));
    EXPECT_EQ(capture.count("Destroying: URLAccessor"), 1u);
    EXPECT_TRUE(report->isDone());
}

TEST_F(AsynchURLTest, ErrorReportSinksSendNothing) {
    site(productHost()).on("*", "*", Answer::page("ok"));
    AsynchURL::reportRLSourceError("American", "uuid", "jd", "report text", 0);
    std::runtime_error failure("x");
    AsynchURL::reportNonRLSourceError("text", "uuid", "20060430", "-", "Upgrader", &failure, 0);
    AsynchURL::accessURL("http://" + productHost() + "/marker");
    ASSERT_TRUE(waitFor([&] { return !web.requests().empty(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(web.requests().size(), 1u);
    EXPECT_EQ(web.requests()[0].path, "/marker");
}

TEST_F(AsynchURLTest, AServerThatNeverAnswersTiesUpTheThreadsForTheLimitOnly) {
    LogCapture capture;
    site("h.example").on("POST", "/hang", Answer::neverAnswer());
    auto report = std::make_shared<AsynchURL>("http://h.example/hang", "a=1");
    report->setTimeLimit(1500);
    auto start = std::chrono::steady_clock::now();
    report->start();
    // The limit, one poll of the controller, one wait step of the report.
    ASSERT_TRUE(report->join(1500 + 500 + 600 + 1500));
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(1500));
    ASSERT_TRUE(report->getController());
    EXPECT_TRUE(report->getController()->join(100));
    EXPECT_TRUE(report->getAccessor()->join(rltest::scaled(1000)));
    EXPECT_EQ(capture.count("Timing out thread (URLAccessor): page - "), 1u);
    // Stopped: it logs no answer and no error of its own.
    EXPECT_FALSE(capture.contains("Error while accessing"));
    EXPECT_FALSE(capture.contains("returned:"));
}

TEST(AsynchURLEncoding, MessageValueShape) {
    std::string encoded = AsynchURL::compressAndEncodeString("hello");
    ASSERT_GT(encoded.size(), 7u);
    for (int i = 0; i < 7; ++i) EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(encoded[i])));
    for (char c : std::string("+/=\r\n")) EXPECT_EQ(encoded.find(c), std::string::npos);
    EXPECT_EQ(decodeMessage(encoded), "hello");
    EXPECT_EQ(decodeMessage(AsynchURL::compressAndEncodeString("")), "");
    // The prefix is random.
    std::set<std::string> prefixes;
    for (int i = 0; i < 20; ++i) prefixes.insert(AsynchURL::compressAndEncodeString("x").substr(0, 7));
    EXPECT_GT(prefixes.size(), 1u);
}

TEST(AsynchURLEncoding, Base64LinesOf76Characters) {
    std::string base64;
    std::string exact = textCompressingTo(57);
    EXPECT_EQ(decodeMessage(AsynchURL::compressAndEncodeString(exact), &base64), exact);
    EXPECT_EQ(base64.size(), 78u);
    EXPECT_EQ(base64.substr(76), "\r\n");
    std::string longer = textCompressingTo(58);
    EXPECT_EQ(decodeMessage(AsynchURL::compressAndEncodeString(longer), &base64), longer);
    ASSERT_EQ(base64.size(), 82u);
    EXPECT_EQ(base64.substr(76, 2), "\r\n");
    EXPECT_EQ(base64.substr(80, 2), "==");
}

TEST(AsynchURLEncoding, FormEncoding) {
    EXPECT_EQ(AsynchURL::formEncode("aZ09.-*_ +/=\r\n~%\xE9"), "aZ09.-*_+%2B%2F%3D%0D%0A%7E%25%E9");
}
