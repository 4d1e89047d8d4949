#include "platform/registry/MachineFacts.h"

#include <sys/utsname.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>

#include "platform/system/NumberText.h"

namespace reg {

namespace {

const char* const DEFAULT_CPUINFO = "/proc/cpuinfo";
const char* const DEFAULT_CPUFREQ = "/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq";
const char* const NT_VERSION_KEY = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const char* const PROCESSOR_KEY = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";

struct Facts {
    std::mutex mutex;
    std::string cpuinfoPath = DEFAULT_CPUINFO;
    std::string cpuFrequencyPath = DEFAULT_CPUFREQ;
    std::optional<detail::Store> collected;
    // Added facts and hidden facts (nullopt) by folded path and name.
    std::map<std::pair<std::string, std::string>, std::pair<std::string, std::optional<Value>>> changes;
};

Facts& facts() {
    static Facts f;
    return f;
}

std::string trimmed(const std::string& text) {
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= 0x20) ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= 0x20) --e;
    return text.substr(b, e - b);
}

// The fields of the first processor in the table.
std::map<std::string, std::string> firstProcessor(const std::string& path) {
    std::map<std::string, std::string> fields;
    std::ifstream in(path);
    std::string line;
    bool seen = false;
    while (std::getline(in, line)) {
        if (trimmed(line).empty()) {
            if (seen) break;
            continue;
        }
        auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string name = trimmed(line.substr(0, colon));
        std::string value = trimmed(line.substr(colon + 1));
        if (!name.empty() && !fields.count(name)) fields[name] = value;
        seen = true;
    }
    return fields;
}

Value textValue(const std::string& name, const std::string& text) {
    Value v;
    v.name = name;
    v.type = REG_SZ;
    v.text = text;
    return v;
}

void put(detail::Store& store, const std::string& path, const Value& value) {
    store.create(path);
    detail::KeyEntry* entry = store.key(path);
    if (Value* existing = entry->find(value.name)) {
        *existing = value;
    } else {
        entry->values.push_back(value);
    }
}

detail::Store collect(const std::string& cpuinfoPath, const std::string& cpuFrequencyPath) {
    detail::Store store;
    struct utsname un {};
    std::string machine;
    if (::uname(&un) == 0) {
        machine = un.machine;
        if (*un.release) put(store, NT_VERSION_KEY, textValue("CSDVersion", un.release));
    }
    auto cpu = firstProcessor(cpuinfoPath);
    auto field = [&](const char* name) -> std::string {
        auto it = cpu.find(name);
        return it == cpu.end() ? "" : it->second;
    };
    std::string model = field("model name");
    if (model.empty()) model = field("Processor");
    if (!model.empty()) put(store, PROCESSOR_KEY, textValue("ProcessorNameString", model));

    std::string identifier = machine;
    if (!field("cpu family").empty()) {
        identifier += " Family " + field("cpu family") + " Model " + field("model") + " Stepping " + field("stepping");
    }
    identifier = trimmed(identifier);
    if (!identifier.empty()) put(store, PROCESSOR_KEY, textValue("Identifier", identifier));
    if (!field("vendor_id").empty()) put(store, PROCESSOR_KEY, textValue("VendorIdentifier", field("vendor_id")));

    std::optional<long> mhz;
    std::string text = field("cpu MHz");
    if (const std::optional<double> d = sys::parseNumber<double>(text); d && *d > 0) mhz = std::lround(*d);
    if (!mhz) {
        std::ifstream in(cpuFrequencyPath);
        long khz = 0;
        if (in >> khz && khz > 0) mhz = (khz + 500) / 1000;
    }
    if (mhz) {
        Value v;
        v.name = "~MHz";
        v.type = REG_DWORD;
        v.number = static_cast<int32_t>(*mhz);
        put(store, PROCESSOR_KEY, v);
    }
    return store;
}

}  // namespace

namespace detail {

Store machineStore() {
    Facts& f = facts();
    std::lock_guard<std::mutex> guard(f.mutex);
    if (!f.collected) f.collected = collect(f.cpuinfoPath, f.cpuFrequencyPath);
    Store store = *f.collected;
    for (const auto& [where, change] : f.changes) {
        const auto& [path, value] = change;
        if (value) {
            put(store, path, *value);
        } else if (KeyEntry* entry = store.key(path)) {
            if (const Value* old = entry->find(where.second)) {
                entry->values.erase(entry->values.begin() + (old - entry->values.data()));
            }
        }
    }
    return store;
}

}  // namespace detail

void setLocalMachineFact(const std::string& path, const Value& value) {
    Facts& f = facts();
    std::lock_guard<std::mutex> guard(f.mutex);
    std::string spelled = detail::joinPath(detail::splitPath(path));
    f.changes[{detail::fold(spelled), detail::fold(value.name)}] = {spelled, value};
}

void removeLocalMachineFact(const std::string& path, const std::string& name) {
    Facts& f = facts();
    std::lock_guard<std::mutex> guard(f.mutex);
    std::string spelled = detail::joinPath(detail::splitPath(path));
    f.changes[{detail::fold(spelled), detail::fold(name)}] = {spelled, std::nullopt};
}

void setMachineFactSources(const std::string& cpuinfoPath, const std::string& cpuFrequencyPath) {
    Facts& f = facts();
    std::lock_guard<std::mutex> guard(f.mutex);
    f.cpuinfoPath = cpuinfoPath;
    f.cpuFrequencyPath = cpuFrequencyPath;
    f.collected.reset();
}

void resetLocalMachineFacts() {
    Facts& f = facts();
    std::lock_guard<std::mutex> guard(f.mutex);
    f.cpuinfoPath = DEFAULT_CPUINFO;
    f.cpuFrequencyPath = DEFAULT_CPUFREQ;
    f.collected.reset();
    f.changes.clear();
}

}  // namespace reg
