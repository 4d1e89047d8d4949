#pragma once
// The scheme and host of every outside site the program talks to: loyalty
// sites, content sites and the product's own server. Every address the
// program builds takes its host from here, by role, e.g.
//
//   HostTable::url("American.site", "/login")  ->  "https://www.aa.com/login"
//
// Entries come from every resources/hosts/*.properties file compiled into
// the program (one file per area, read in file-name order; a role defined
// twice keeps its first definition and the second is logged as a warning),
// then from "hosts.properties" in the working folder when that file exists,
// whose entries replace compiled-in ones (so an installation can be pointed
// elsewhere). Lines are "role=value"; "#" and "!" start comments. A value
// is normally "scheme://host[:port]" without a trailing "/", but any text is
// kept as written.
//
// The table is read once, at first use; reload() reads it again.
//
// An unknown role is a configuration fault: get() answers "" (url() then
// answers the path alone, which no request accepts) and the first look-up of
// each unknown role is logged as an error ("Unknown host role: " + role).

#include <map>
#include <string>

namespace foundation {

class HostTable {
public:
    static constexpr const char* OVERRIDE_FILE = "hosts.properties";

    // The value of the role ("https://www.aa.com"); "" when unknown.
    static std::string get(const std::string& role);
    static bool has(const std::string& role);
    // get(role) followed by path (which should start with "/").
    static std::string url(const std::string& role, const std::string& path);
    // Parts of the role's address: "https", "www.aa.com" (no port), and the
    // host without a leading "www." ("aa.com"). "" when unknown.
    static std::string scheme(const std::string& role);
    static std::string host(const std::string& role);
    static std::string domain(const std::string& role);

    // Every entry, overrides applied.
    static std::map<std::string, std::string> entries();
    // Reads the compiled-in files and the override file again.
    static void reload();

    // Parses properties text into the map; existing keys are replaced when
    // replace is true, else kept (duplicates are then reported through
    // the returned count).
    static int parseInto(const std::string& text, std::map<std::string, std::string>& into, bool replace,
                         const std::string& source);
};

}  // namespace foundation
