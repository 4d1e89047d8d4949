// Upgrade archives, read with libzip: any bytes, or a sound archive with
// bytes changed or cut off, either fail with a ZipException or pass every
// check; an archive that passed names only places inside its folder, each
// path once, holds no link nor device, and unpacks every entry to exactly
// its recorded size.

#include <sys/stat.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "finisher/ZipArchive.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/support/TempWorkDir.h"
#include "tests/support/ZipBuilder.h"

namespace {

const std::string& soundArchive() {
    using rltest::ZipItem;
    static const std::string bytes = [] {
        ZipItem stored = ZipItem::file("notes.txt", "stored as it is");
        stored.method = 0;
        ZipItem dos = ZipItem::file("dos.txt", "no unix mode");
        dos.mode = 0;
        ZipItem wide = ZipItem::file("wide.txt", "sizes in zip64 fields");
        wide.zip64 = true;
        ZipItem piped = ZipItem::file("-", "standard input");
        piped.mode = 010600;
        return rltest::buildZip({ZipItem::file("pre-upgrade.bat", "echo pre\n"), ZipItem::folder("bin/"),
                                 ZipItem::file("bin/tool", std::string(700, 't') + "tail", 0755), stored, dos,
                                 ZipItem::file("empty.txt", ""), piped,
                                 ZipItem::unicodePath("caf\x82.txt", "caf\xC3\xA9.txt", "named twice over"), wide});
    }();
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rlfuzz::enterWorkFolder();
    rlfuzz::Input in(data, size);
    std::string archive;
    if (in.flag()) {
        archive = in.rest();
    } else {
        archive = soundArchive();
        const int changes = in.numberIn(0, 12);
        for (int i = 0; i < changes && !in.empty(); ++i) {
            const int at = in.numberIn(0, static_cast<int>(archive.size()) - 1);
            archive[static_cast<size_t>(at)] = static_cast<char>(in.number() & 0xFF);
        }
        if (in.flag()) archive.resize(static_cast<size_t>(in.numberIn(0, static_cast<int>(archive.size()))));
    }
    rltest::writeFile("fuzz.zip", archive);

    try {
        finisher::ZipArchive zip("fuzz.zip");
        zip.checkEntries();
        zip.checkData();
        const auto& entries = zip.entries();
        // A file and a folder of one path are the placement's to refuse.
        std::set<std::pair<std::vector<std::string>, bool>> paths;
        for (size_t i = 0; i < entries.size(); ++i) {
            const finisher::ZipEntry& entry = entries[i];
            rlfuzz::check(!finisher::ZipArchive::unsafeName(entry.name),
                          "an unsafe name passed: " + rlfuzz::printable(entry.name));
            rlfuzz::check(paths.insert({entry.components(), entry.isDirectory()}).second,
                          "a path named twice passed: " + rlfuzz::printable(entry.name));
            auto mode = entry.unixMode();
            const mode_t type = mode ? *mode & S_IFMT : 0;
            rlfuzz::check(type != S_IFLNK && type != S_IFCHR && type != S_IFBLK && type != S_IFSOCK,
                          "a link or device passed: " + rlfuzz::printable(entry.name));
            if (entry.isDirectory()) continue;
            zip.extract(i, "entry.out", 0600);
            struct stat st;
            rlfuzz::check(::stat("entry.out", &st) == 0 && static_cast<uint64_t>(st.st_size) == entry.uncompressedSize,
                          "an entry unpacked to another size: " + rlfuzz::printable(entry.name));
        }
    } catch (const finisher::ZipException&) {
        // Refused whole: what a hostile or broken archive must get.
    }
    return 0;
}
