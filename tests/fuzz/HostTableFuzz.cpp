// The host table: an override file of any bytes in the working folder is
// read over the compiled-in files, and every role answers an address and
// its parts without failing.

#include <cstdio>
#include <map>
#include <string>

#include "foundation/HostTable.h"
#include "tests/fuzz/FuzzSupport.h"

using foundation::HostTable;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rlfuzz::enterWorkFolder();
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::map<std::string, std::string> parsed;
    HostTable::parseInto(text, parsed, false, "fuzz");
    std::map<std::string, std::string> replaced = parsed;
    HostTable::parseInto(text, replaced, true, "fuzz");
    rlfuzz::check(replaced.size() == parsed.size(), "replacing changed the set of roles");

    std::FILE* f = std::fopen(HostTable::OVERRIDE_FILE, "wb");
    if (!f) rlfuzz::fail("cannot write the override file");
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
    HostTable::reload();
    // The override file's last word on a role counts.
    for (const auto& [role, value] : replaced) {
        rlfuzz::check(HostTable::get(role) == value, "an override did not take effect: " + role);
        const std::string scheme = HostTable::scheme(role);
        const std::string host = HostTable::host(role);
        const std::string domain = HostTable::domain(role);
        rlfuzz::check(domain.size() <= host.size(), "a domain longer than its host");
        (void)HostTable::url(role, "/path");
        (void)scheme;
    }
    std::remove(HostTable::OVERRIDE_FILE);
    return 0;
}
