#include "platform/system/Connection.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <mutex>
#include <sstream>
#include <vector>

#include "platform/system/NumberText.h"

namespace sys {

namespace {

// The kernel's tables, or a test's prepared ones.
std::string defaultTable(const char* name) {
    const char* folder = std::getenv("RL_ROUTE_TABLES");
    return std::string(folder && *folder ? folder : "/proc/net") + "/" + name;
}
constexpr unsigned long RTF_UP_FLAG = 0x0001;
constexpr unsigned long RTF_REJECT_FLAG = 0x0200;

struct State {
    bool connected = false;
    bool lan = false;
    bool modem = false;
    bool proxy = false;
    std::string name;
};

struct Connection {
    std::mutex mutex;
    std::string ipv4 = defaultTable("route");
    std::string ipv6 = defaultTable("ipv6_route");
    bool collected = false;
    State state;
};

Connection& connection() {
    static Connection c;
    return c;
}

struct Route {
    std::string iface;
    unsigned long metric = std::numeric_limits<unsigned long>::max();
};

bool parseHex(const std::string& text, unsigned long& out) {
    const std::optional<unsigned long> value = parseNumber<unsigned long>(text, 16);
    if (value) out = *value;
    return value.has_value();
}

bool isAllZero(const std::string& hex) {
    if (hex.empty()) return false;
    for (char c : hex) {
        if (c != '0') return false;
    }
    return true;
}

// Columns: Iface Destination Gateway Flags RefCnt Use Metric Mask ...
bool bestIpv4Default(const std::string& path, Route& best, bool& found) {
    std::ifstream in(path);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string iface, dest, gateway, flags, refcnt, use, metric, mask;
        if (!(fields >> iface >> dest >> gateway >> flags >> refcnt >> use >> metric >> mask)) continue;
        if (iface == "Iface" || iface == "lo") continue;
        unsigned long f = 0, m = 0;
        if (!parseHex(flags, f) || !isAllZero(dest) || !isAllZero(mask)) continue;
        if (!(f & RTF_UP_FLAG) || (f & RTF_REJECT_FLAG)) continue;
        std::istringstream ms(metric);
        if (!(ms >> m)) continue;
        if (!found || m < best.metric) {
            best.iface = iface;
            best.metric = m;
            found = true;
        }
    }
    return true;
}

// Columns: dest plen src splen nexthop metric refcnt use flags iface (hex).
bool bestIpv6Default(const std::string& path, Route& best, bool& found) {
    std::ifstream in(path);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string dest, plen, src, splen, nexthop, metric, refcnt, use, flags, iface;
        if (!(fields >> dest >> plen >> src >> splen >> nexthop >> metric >> refcnt >> use >> flags >> iface)) continue;
        unsigned long f = 0, m = 0;
        if (iface == "lo" || !isAllZero(dest) || !isAllZero(plen)) continue;
        if (!parseHex(flags, f) || !parseHex(metric, m)) continue;
        if (!(f & RTF_UP_FLAG) || (f & RTF_REJECT_FLAG)) continue;
        if (!found || m < best.metric) {
            best.iface = iface;
            best.metric = m;
            found = true;
        }
    }
    return true;
}

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

bool proxyConfigured() {
    for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
        const char* value = std::getenv(name);
        if (value && *value) return true;
    }
    return false;
}

State collect(const std::string& ipv4, const std::string& ipv6) {
    State state;
    state.proxy = proxyConfigured();
    Route v4, v6;
    bool found4 = false, found6 = false;
    bool read4 = bestIpv4Default(ipv4, v4, found4);
    bool read6 = bestIpv6Default(ipv6, v6, found6);
    if (!read4 && !read6) {
        state.connected = true;
        return state;
    }
    if (!found4 && !found6) return state;
    const Route& route = found4 ? v4 : v6;
    state.connected = true;
    state.name = route.iface;
    state.modem = startsWith(route.iface, "ppp") || startsWith(route.iface, "wwan") || startsWith(route.iface, "isdn");
    state.lan = !state.modem;
    return state;
}

State current() {
    Connection& c = connection();
    std::lock_guard<std::mutex> guard(c.mutex);
    if (!c.collected) {
        c.state = collect(c.ipv4, c.ipv6);
        c.collected = true;
    }
    return c.state;
}

}  // namespace

void setRouteTablePaths(const std::string& ipv4Table, const std::string& ipv6Table) {
    Connection& c = connection();
    std::lock_guard<std::mutex> guard(c.mutex);
    c.ipv4 = ipv4Table;
    c.ipv6 = ipv6Table;
}

void resetRouteTablePaths() { setRouteTablePaths(defaultTable("route"), defaultTable("ipv6_route")); }

void initConnectionCheck() {
    Connection& c = connection();
    std::lock_guard<std::mutex> guard(c.mutex);
    c.state = collect(c.ipv4, c.ipv6);
    c.collected = true;
}

bool isConnectedInternal() { return current().connected; }
std::string getConnectionName() { return current().name; }
bool isLAN() { return current().lan; }
bool isModem() { return current().modem; }
bool isViaProxy() { return current().proxy; }

}  // namespace sys
