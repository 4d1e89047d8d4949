// Cost of the web client over a bare libcurl easy handle: 2,000 sequential
// GETs of a 20 KB page and 200 POSTs against a loopback imitation site,
// through TextBrowser and through one reused easy handle with the same
// header fields. Prints both times and their ratio, for HTTP and HTTPS. The
// two run in turns, several rounds; the best round of each counts, so that
// other load on the machine disturbs the figures as little as it can. The
// client and the site share one CPU: wake-ups from one CPU to another cost
// much, and erratically on a virtual machine, which would drown the
// difference measured.
//
// Arguments (optional): the scheme to run ("http" or "https"; both when
// absent) and the number of rounds, e.g. "WebClientBench http 1" under
// valgrind --tool=callgrind.

#include <sched.h>
#include <unistd.h>

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "bench/PeakMemory.h"
#include "foundation/Thread.h"
#include "foundation/TextBrowser.h"
#include "tests/support/ImitationWeb.h"

namespace {

constexpr int kGets = 2000;
constexpr int kPosts = 200;
constexpr int kDefaultRounds = 7;

size_t collect(char* data, size_t size, size_t count, void* user) {
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

double seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

// CPU time of the calling thread: the client's own cost, whatever else the
// machine (and the imitation server) is doing.
double threadCpu() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

struct Times {
    double wall = 1e9;
    double cpu = 1e9;
    void keepBest(const Times& other) {
        wall = std::min(wall, other.wall);
        cpu = std::min(cpu, other.cpu);
    }
};

// The timed loops stay functions of their own, so that a profiler can
// collect them alone (callgrind --toggle-collect='*clientRequests*').
[[gnu::noinline]] void clientRequests(foundation::TextBrowser& tb, const std::string& base, const std::string& form,
                                      size_t pageSize) {
    for (int i = 0; i < kGets; ++i) {
        if (tb.doGet(base + "/page").size() != pageSize) std::abort();
    }
    for (int i = 0; i < kPosts; ++i) {
        if (tb.doPost(base + "/form", form) != "ok") std::abort();
    }
}

Times runTextBrowser(const std::string& base, const std::string& form, size_t pageSize) {
    foundation::TextBrowser tb(false, 0);  // no politeness delay
    tb.doGet(base + "/page");               // connection set up outside the timing
    auto start = std::chrono::steady_clock::now();
    double cpuStart = threadCpu();
    clientRequests(tb, base, form, pageSize);
    return Times{seconds(std::chrono::steady_clock::now() - start), threadCpu() - cpuStart};
}

template <typename Get, typename Post>
[[gnu::noinline]] void bareRequests(const Get& get, const Post& post) {
    for (int i = 0; i < kGets; ++i) get();
    for (int i = 0; i < kPosts; ++i) post();
}

Times runBareCurl(const std::string& base, const std::string& form, size_t pageSize, const std::string& host) {
    CURL* curl = curl_easy_init();
    curl_slist* connectTo = nullptr;
    std::string list = std::getenv("RL_CONNECT_TO");
    for (size_t start = 0; start <= list.size();) {
        size_t comma = list.find(',', start);
        if (comma == std::string::npos) comma = list.size();
        connectTo = curl_slist_append(connectTo, list.substr(start, comma - start).c_str());
        start = comma + 1;
    }
    curl_slist* headers = nullptr;
    headers = curl_slist_append(headers, "Accept: */*");
    headers = curl_slist_append(headers, "Accept-Language: en-us");
    headers = curl_slist_append(headers, "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)");
    headers = curl_slist_append(headers, ("Host: " + host).c_str());
    // The client sends the address it asked for before as the referrer:
    // from the second request on, that is the page itself.
    headers = curl_slist_append(headers, ("Referer: " + base + "/page").c_str());
    headers = curl_slist_append(headers, "Expect:");
    std::string body;
    curl_easy_setopt(curl, CURLOPT_CONNECT_TO, connectTo);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(curl, CURLOPT_CAINFO, std::getenv("RL_CA_FILE"));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    auto get = [&] {
        body.clear();
        curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
        curl_easy_setopt(curl, CURLOPT_URL, (base + "/page").c_str());
        if (curl_easy_perform(curl) != CURLE_OK || body.size() != pageSize) std::abort();
    };
    auto post = [&] {
        body.clear();
        curl_easy_setopt(curl, CURLOPT_URL, (base + "/form").c_str());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(form.size()));
        curl_easy_setopt(curl, CURLOPT_COPYPOSTFIELDS, form.c_str());
        if (curl_easy_perform(curl) != CURLE_OK || body != "ok") std::abort();
    };
    get();
    auto start = std::chrono::steady_clock::now();
    double cpuStart = threadCpu();
    bareRequests(get, post);
    Times took{seconds(std::chrono::steady_clock::now() - start), threadCpu() - cpuStart};
    curl_slist_free_all(headers);
    curl_slist_free_all(connectTo);
    curl_easy_cleanup(curl);
    return took;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : kDefaultRounds;
    // Before the site's thread starts, which takes the same CPU.
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(std::max(0, sched_getcpu()), &one);
    const bool pinned = sched_setaffinity(0, sizeof one, &one) == 0;
    rltest::ImitationWeb web;
    std::string page;
    for (int i = 0; i < 20 * 1024; ++i) page += static_cast<char>('a' + i % 26);
    const std::string host = "bench.example";
    web.site(host).on("GET", "/page", rltest::Answer::page(page)).on("POST", "/form", rltest::Answer::page("ok"));
    const std::string form = "user=someone&password=secret&x=12&y=7&view=" + std::string(120, 'v');

    std::printf("%d GETs of a %zu-byte page and %d POSTs, loopback imitation site%s\n", kGets, page.size(), kPosts,
                pinned ? " on the client's CPU" : "");
    for (const char* scheme : {"http", "https"}) {
        if (!only.empty() && only != scheme) continue;
        std::string base = std::string(scheme) + "://" + host;
        Times client, bare;
        for (int round = 0; round < rounds; ++round) {
            client.keepBest(runTextBrowser(base, form, page.size()));
            bare.keepBest(runBareCurl(base, form, page.size(), host));
        }
        std::printf("%-5s wall: TextBrowser %.3f s  bare libcurl %.3f s  ratio %.2f   "
                    "client CPU: %.3f s / %.3f s  ratio %.2f   (best of %d rounds)\n",
                    scheme, client.wall, bare.wall, client.wall / bare.wall, client.cpu, bare.cpu,
                    client.cpu / bare.cpu, rounds);
    }
    std::printf("peak resident size: %.0f MiB\n", static_cast<double>(rlbench::peakKilobytes(::getpid())) / 1024.0);
    return foundation::Thread::endProcess(0);
}
