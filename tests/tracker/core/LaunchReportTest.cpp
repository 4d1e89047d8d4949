// The launch report as the product's server receives it: posted by the
// fire-and-forget reporter to the edition's address, then decoded the way
// the server decodes it (form value, seven digits, Base64, gzip).

#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "tests/support/ImitationWeb.h"
#include "tests/tracker/core/LaunchReportGolden.h"
#include "tests/tracker/core/PrefsFixture.h"

using tracker::RLPreferences;
using tracker::ui::BaseRLApp;

namespace {

std::string base64Decode(const std::string& text) {
    auto value = [](char c) -> int {
        if (c >= 'A' && c <= 'Z') return c - 'A';
        if (c >= 'a' && c <= 'z') return c - 'a' + 26;
        if (c >= '0' && c <= '9') return c - '0' + 52;
        if (c == '+') return 62;
        if (c == '/') return 63;
        return -1;
    };
    std::string out;
    int bits = 0;
    unsigned buffer = 0;
    for (char c : text) {
        int v = value(c);
        if (v < 0) continue;  // line breaks and padding
        buffer = (buffer << 6) | static_cast<unsigned>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((buffer >> bits) & 0xFF);
        }
    }
    return out;
}

std::string gunzip(const std::string& data) {
    z_stream z{};
    if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) return "<inflate init failed>";
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    std::string out;
    char chunk[4096];
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(chunk);
        z.avail_out = sizeof chunk;
        rc = inflate(&z, Z_NO_FLUSH);
        out.append(chunk, sizeof chunk - z.avail_out);
    }
    inflateEnd(&z);
    return rc == Z_STREAM_END ? out : "<not a whole gzip member>";
}

struct Destination {
    int appType;
    const char* host;
    const char* path;
};

const Destination DESTINATIONS[] = {
    {0, "www.roamledger.example", "/lanternbay/rlreg20060430.php"},
    {1, "www.roamledger.example", "/roamledger/farhaven/reg20060430.php"},
    {2, "www.brightwire.example", "/optin/parser.php"},
    {3, "www.roambay.example", "/optin/parser.php"},
};

class LaunchReportAtTheServer : public rltest::PrefsFixture,
                                public ::testing::WithParamInterface<rltest::Edition> {
protected:
    void SetUp() override {
        rltest::PrefsFixture::SetUp();
        // A registry of the test's own, so no real override address is read.
        const char* old = std::getenv("RL_REGISTRY_DIR");
        if (old) m_oldRegistry = old;
        ::setenv("RL_REGISTRY_DIR", dir.path().c_str(), 1);
        RLPreferences::setStatsReporter(RLPreferences::defaultStatsReporter());
    }
    void TearDown() override {
        if (m_oldRegistry) ::setenv("RL_REGISTRY_DIR", m_oldRegistry->c_str(), 1);
        else ::unsetenv("RL_REGISTRY_DIR");
        rltest::PrefsFixture::TearDown();
    }

    rltest::ImitationWeb web;
    std::optional<std::string> m_oldRegistry;
};

}  // namespace

TEST_P(LaunchReportAtTheServer, DecodesToTheEditionsReport) {
    const rltest::Edition& e = GetParam();
    const Destination& d = DESTINATIONS[e.appType];
    web.site(d.host).on("POST", d.path, rltest::Answer::page("OK"));

    writeSettings(rltest::REPORTED_SETTINGS);
    BaseRLApp::setAppType(e.appType);
    BaseRLApp::setParentUUID("host-42");
    load();

    ASSERT_TRUE(web.waitForRequests(1, 20000)) << "the report never arrived";
    auto posts = web.site(d.host).requests("POST", d.path);
    ASSERT_EQ(posts.size(), 1u);
    const rltest::Request& post = posts[0];
    EXPECT_EQ(post.formValue("UUID"), "1b4e28ba-2fa1-11d2-883f-0016d3cca427");
    EXPECT_EQ(post.formValue("ReportedOn"), e.hasExtra ? std::optional<std::string>("Launch") : std::nullopt);

    std::optional<std::string> message = post.formValue("Message");
    ASSERT_TRUE(message);
    ASSERT_GT(message->size(), 7u);
    for (int i = 0; i < 7; ++i) EXPECT_TRUE(isdigit(static_cast<unsigned char>((*message)[i])));
    const std::string report = gunzip(base64Decode(message->substr(7)));
    EXPECT_EQ(rltest::maskedReport(report), e.golden);

    // Let the reporter's threads finish before the server goes.
    std::this_thread::sleep_for(std::chrono::milliseconds(1300));
}

INSTANTIATE_TEST_SUITE_P(Editions, LaunchReportAtTheServer, ::testing::ValuesIn(rltest::EDITIONS));
