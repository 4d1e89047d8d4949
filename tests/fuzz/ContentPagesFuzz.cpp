// The content retrievers' page work (weather, markets, movies, listings and
// the newspaper's front page) on any pages: one refresh of a content site
// whose every answer is a page of the input, served by an imitation site on
// the loopback address. A refresh ends, and writes nothing outside the
// content folder.

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "portal/retriever/BaseRetrieverThread.h"
#include "portal/retriever/LBRetriever.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/fuzz/RotatingPages.h"
#include "tests/portal/ContentSites.h"
#include "tests/support/ImitationWeb.h"

namespace retriever = portal::retriever;

namespace {

const char* const SOURCES[] = {"weatherbug", "bloomberg", "moviefone", "tvguide", "brightwire"};
const char* const HOSTS[] = {"www.weatherbug.com", "www.moviefone.com", "www.bloomberg.com",
                             "www.brightwire.example", "www.tvguide.com", "www.roamledger.example"};

// The pages of the current input, answered in turn.
rlfuzz::RotatingPages g_pages;

std::set<std::string> namesInWorkFolder() {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::current_path())) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

std::string setUp() {
    rlfuzz::enterWorkFolder();
    static rltest::ImitationWeb web;
    for (const char* host : HOSTS) web.site(host).on("*", "/*", g_pages.handler());
    rlfuzz::routeAllToLoopback(web.httpPort());
    const std::string root = std::filesystem::current_path().string() + "/content/";
    std::filesystem::copy(RL_CONTENT_DIR, root, std::filesystem::copy_options::recursive);
    return root;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string root = setUp();
    static const std::set<std::string> before = namesInWorkFolder();
    rlfuzz::Input in(data, size);
    const std::string source = SOURCES[in.numberIn(0, 4)];
    g_pages.take(in, 6);

    retriever::RetrieverClassState::resetAll();
    rltest::content::TestApp app;
    app.visible = false;
    auto run = std::make_shared<retriever::LBRetriever>();
    run->setRetrieveParams(&app, root, source, "46236", "viewer@example.com", "0123456789ABCDEF0123456789ABCDEF",
                           true);
    run->setLimits({.maxThreads = 3, .pollMs = 10});
    run->start();
    if (!app.waitForCompletions(1, 15000)) rlfuzz::fail("a refresh of " + source + " did not end");
    if (!run->join(10000)) rlfuzz::fail("the refresh thread of " + source + " did not end");

    for (const std::string& name : namesInWorkFolder()) {
        rlfuzz::check(before.count(name) || name == "fuzz.log", "a refresh wrote " + name + " outside its folder");
    }
    return 0;
}
