#pragma once
// The pages of the current fuzz input, answered in turn to every request of
// an imitation site: a target takes them from its input, then serves them
// through handler() on every route. Shared by the targets whose code under
// test fetches pages.

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

#include "tests/fuzz/FuzzSupport.h"
#include "tests/support/ImitationWeb.h"

namespace rlfuzz {

class RotatingPages {
public:
    // Replaces the pages with up to limit texts of the input, the first
    // answered first.
    void take(Input& in, size_t limit) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_pages.clear();
        m_next = 0;
        while (!in.empty() && m_pages.size() < limit) m_pages.push_back(in.text());
    }

    // The next page, after the last one the first again; an empty page when
    // the input held none.
    rltest::Answer next() {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_pages.empty()) return rltest::Answer::page("");
        return rltest::Answer::page(m_pages[m_next++ % m_pages.size()]);
    }

    // A route's handler answering next(); the pages outlive the sites.
    rltest::Handler handler() {
        return [this](const rltest::Request&) { return next(); };
    }

private:
    std::mutex m_lock;
    std::vector<std::string> m_pages;
    size_t m_next = 0;
};

}  // namespace rlfuzz
