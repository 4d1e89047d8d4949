// The settings store on a settings file of any bytes: it loads (or keeps an
// unreadable copy), answers every key in every type, saves, and what it
// saved loads back the same.

#include <string>
#include <vector>

#include "tests/fuzz/FuzzSupport.h"
#include "tracker/core/PropertiesPrefPersist.h"
#include "foundation/Logger.h"

namespace {

void writeSettings(const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen("Roamledger.settings", "wb");
    if (!f) rlfuzz::fail("cannot write the settings file");
    if (size > 0 && std::fwrite(data, 1, size, f) != size) rlfuzz::fail("cannot write the settings file");
    std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rlfuzz::enterWorkFolder();
    writeSettings(data, size);
    tracker::PropertiesPrefPersist store;
    store.setPersistenceFilePathPrefix("Roamledger");
    store.load();
    std::vector<std::string> keys = store.getKeys();
    for (const std::string& key : keys) {
        (void)store.getStringValue(key);
        (void)store.getIntValue(key, -1);
        (void)store.getLongValue(key, -1);
    }
    if (!keys.empty()) {
        // Prefixes of whole characters, as the callers' "User<n>" ones are.
        size_t cut = keys.front().size() / 2;
        while (cut > 0 && (static_cast<unsigned char>(keys.front()[cut]) & 0xC0) == 0x80) --cut;
        store.renameKeysWithPrefix(keys.front().substr(0, cut), "User7");
        if ((static_cast<unsigned char>(keys.back()[0]) & 0x80) == 0) store.removeKeysWithPrefix(keys.back().substr(0, 1));
    }
    store.save();

    tracker::PropertiesPrefPersist reread;
    reread.setPersistenceFilePathPrefix("Roamledger");
    reread.load();
    const std::vector<std::string> saved = store.getKeys();
    if (reread.getKeys() != saved) {
        std::string what = "the saved keys read back different:";
        for (const std::string& key : saved) what += " [" + rlfuzz::printable(key) + "]";
        what += " /";
        for (const std::string& key : reread.getKeys()) what += " [" + rlfuzz::printable(key) + "]";
        rlfuzz::fail(what);
    }
    for (const std::string& key : saved) {
        rlfuzz::check(reread.getStringValue(key) == store.getStringValue(key), "a saved value reads back different");
    }
    std::remove("Roamledger.settings.unreadable");
    return 0;
}
