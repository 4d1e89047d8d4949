// The registry store's file: any bytes parse (what is readable is kept),
// and what the store writes reads back to the same file text.

#include <string>

#include "platform/registry/RegistryStore.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    reg::detail::Store store;
    (void)store.parse(text);
    const std::string written = store.serialize("HKEY_CURRENT_USER");
    reg::detail::Store again;
    rlfuzz::check(again.parse(written), "a written file is not understood");
    rlfuzz::check(again.serialize("HKEY_CURRENT_USER") == written, "a written file reads back different");
    for (const auto& [folded, key] : store.keys) {
        rlfuzz::check(again.exists(key.path), "a key was lost: " + key.path);
        (void)again.subkeyNames(key.path);
        (void)again.hasSubkeys(key.path);
    }
    return 0;
}
