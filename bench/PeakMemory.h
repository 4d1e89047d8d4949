#pragma once
// Peak resident size of a program and every process it started (the web
// engine's renderer and GPU processes included). A sampler thread adds up
// the peak resident size (VmHWM) of each process of the tree every 20 ms
// and keeps the largest sum seen; a process that ends between two samples
// is counted by the samples before it.

#include <dirent.h>
#include <sys/types.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <thread>

namespace rlbench {

// Kilobytes of VmHWM of one process, 0 when it is gone.
inline long long peakKilobytes(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::atoll(line.c_str() + 6);
    }
    return 0;
}

// The process and all its descendants, alive now.
inline std::set<pid_t> processTree(pid_t root) {
    std::map<pid_t, pid_t> parents;
    if (DIR* proc = ::opendir("/proc")) {
        while (dirent* entry = ::readdir(proc)) {
            const pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
            if (pid <= 0) continue;
            std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
            std::string text;
            std::getline(stat, text);
            // The parent is the second field after the name, which may hold blanks.
            const size_t close = text.rfind(')');
            if (close == std::string::npos) continue;
            int parent = 0;
            char state = 0;
            if (std::sscanf(text.c_str() + close + 1, " %c %d", &state, &parent) == 2) parents[pid] = parent;
        }
        ::closedir(proc);
    }
    std::set<pid_t> tree{root};
    for (bool grew = true; grew;) {
        grew = false;
        for (const auto& [pid, parent] : parents) {
            if (tree.count(parent) != 0 && tree.insert(pid).second) grew = true;
        }
    }
    return tree;
}

class PeakSampler {
public:
    explicit PeakSampler(pid_t root = ::getpid()) : m_root(root), m_thread([this] { run(); }) {}
    ~PeakSampler() { stop(); }
    PeakSampler(const PeakSampler&) = delete;
    PeakSampler& operator=(const PeakSampler&) = delete;

    // Stops sampling and answers the largest sum in mebibytes.
    double stop() {
        if (m_thread.joinable()) {
            m_stop = true;
            m_thread.join();
        }
        return static_cast<double>(m_peak.load()) / 1024.0;
    }

private:
    void run() {
        while (!m_stop) {
            sample();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        sample();
    }
    void sample() {
        long long sum = 0;
        for (pid_t pid : processTree(m_root)) sum += peakKilobytes(pid);
        if (sum > m_peak) m_peak = sum;
    }

    pid_t m_root;
    std::atomic<bool> m_stop{false};
    std::atomic<long long> m_peak{0};
    std::thread m_thread;
};

}  // namespace rlbench
