#include "portal/retriever/BrightwireInner.h"

#include <filesystem>
#include <optional>

#include "foundation/HostTable.h"
#include "foundation/Logger.h"
#include "foundation/StrUtil.h"
#include "foundation/TextBrowser.h"
#include "tracker/adapters/AdapterKit.h"

namespace portal::retriever {

using foundation::Logger;
using foundation::StrUtil;
using tracker::adapters::betweenFrom;
using tracker::adapters::positionOf;

namespace {

const char* const SECTION_START = "-->";
const char* const SECTION_END = "<!-- /EdSysObj -->";

}  // namespace

std::string BrightwireInner::fixAudioVideoLinks(std::string_view section) {
    static const std::string start = "<a href=\"javascript:Open";
    static const std::string close = "')\">";
    std::string out;
    size_t from = 0;
    while (true) {
        const size_t link = section.find(start, from);
        if (link == std::string_view::npos) break;
        // The call must close the tag: its first ">" ends in "')\">".
        const size_t tagEnd = section.find('>', link);
        if (tagEnd == std::string_view::npos) break;
        out.append(section.substr(from, link - from));
        const size_t callEnd = tagEnd + 1 - close.size();
        if (callEnd >= link + start.size() && section.compare(callEnd, close.size(), close) == 0) {
            out += "<a href=\"\" onClick=\"javascript:Open";
            out.append(section.substr(link + start.size(), callEnd - link - start.size()));
            out += "');return false;\">";
        } else {
            out.append(section.substr(link, tagEnd + 1 - link));
        }
        from = tagEnd + 1;
    }
    out.append(section.substr(from));
    return out;
}

void BrightwireInner::retrieve() {
    if (!isManual() && updatedWithin(INTERVAL_MS, "Brightwire Inner", false)) return;
    const std::optional<std::string> pattern = updateFromTemplate(getName(), getName());
    if (!pattern) return;

    const std::string home = foundation::HostTable::url("Brightwire.site", "/");
    const std::string page = fetch(home);

    static const char* const markers[] = {"ID=\"PhotoStory\"", "ID=\"LedeStory\"", "ID=\"LatestHeadlines\""};
    std::string sections[3];
    for (int i = 0; i < 3; ++i) {
        const int at = positionOf(page, markers[i]);
        if (at < 0) {
            reportError("Invalid Brightwire inner content (" + std::to_string(i + 1) + ")");
            return;
        }
        sections[i] = betweenFrom(page, at, SECTION_START, SECTION_END);
    }

    // The story images: the first image of each story, kept locally.
    struct Image {
        std::string url;
        std::string name;
    };
    std::vector<Image> images;
    auto keepImage = [&](std::string& section) {
        const std::string address = tracker::adapters::between(section, "<img src=\"", "\"");
        if (address.empty()) return;
        const std::optional<std::string> name = imageFileName(address);
        if (!name) return;
        section = StrUtil::replace(section, address, IMAGE_FOLDER + *name);
        images.push_back({foundation::TextBrowser::resolveRedirect(home, address), *name});
    };

    keepImage(sections[0]);
    sections[0] = StrUtil::replace(
        sections[0], "<table width=\"220\" border=\"0\" cellspacing=\"0\" cellpadding=\"0\" height=\"235\">",
        "<table bgcolor=#FFFFFF width=\"220\" border=\"0\" cellspacing=\"2\" cellpadding=\"2\" height=\"235\">");
    sections[0] = fixAudioVideoLinks(sections[0]);

    keepImage(sections[1]);
    sections[1] = StrUtil::replace(
        sections[1], "<table width=\"392\" border=\"0\" cellspacing=\"0\" cellpadding=\"0\" height=\"85\">",
        "<table bgcolor=#FFFFFF width=\"100%\" border=\"0\" cellspacing=\"2\" cellpadding=\"2\" height=\"85\">");
    sections[1] = fixAudioVideoLinks(sections[1]);

    const size_t table = sections[2].find("<table width=\"");
    if (table != std::string::npos) {
        const size_t valueEnd = sections[2].find('"', table + 14);
        if (valueEnd != std::string::npos) sections[2].replace(table, valueEnd + 1 - table, "<table width=100%");
    }
    sections[2] = StrUtil::replace(sections[2], "cellspacing=\"0\" cellpadding=\"0\"",
                                   "cellspacing=2 cellpadding=2 bgcolor=#FFFFFF");
    sections[2] = fixAudioVideoLinks(sections[2]);

    // Images of earlier stories go; the current ones are fetched unless
    // they are here already.
    const std::string folder = contentPath(IMAGE_FOLDER);
    std::vector<std::filesystem::path> stale;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (!name.ends_with(".jpg") && !name.ends_with(".gif")) continue;
        bool current = false;
        for (const Image& image : images) current = current || image.name == name;
        if (!current) stale.push_back(entry.path());
    }
    for (const std::filesystem::path& path : stale) {
        std::error_code removeError;
        std::filesystem::remove(path, removeError);
        if (removeError) Logger::error("Unable to delete Brightwire image: " + path.string());
    }
    for (const Image& image : images) download(image.url, IMAGE_FOLDER + image.name);

    const std::string filled =
        fillPlaceholders(*pattern, {pageText(sections[0]), pageText(sections[1]), pageText(sections[2])});
    if (writePage(outputPath(), filled)) markUpdated(false);
}

}  // namespace portal::retriever
