#include "tracker/adapters/AdapterKit.h"

#include <map>
#include <memory>
#include <mutex>

#include "foundation/Logger.h"
#include "foundation/StrUtil.h"
#include "foundation/TextBrowser.h"
#include "tracker/adapters/Adapter.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/core/RLSource.h"
#include "tracker/core/SourceConfig.h"

namespace tracker::adapters {

using foundation::StrUtil;

std::string credential(std::string_view value) { return RLSource::encodeFormValue(value); }

std::string group(std::string_view text, size_t from, size_t length) {
    if (from >= text.size()) return "";
    return std::string(text.substr(from, length));
}

bool firstMarker(RLSource& source, std::string_view page, const Markers& markers) {
    for (const Marker& marker : markers) {
        bool found = false;
        switch (marker.kind) {
            case MarkerKind::Provider: found = source.isProviderProblem(page, marker.text); break;
            case MarkerKind::Maintenance: found = source.isMaintenance(page, marker.text); break;
            case MarkerKind::Blocked: found = source.isBlockedLogin(page, marker.text); break;
            case MarkerKind::Interaction: found = source.isInteractionRequired(page, marker.text); break;
            case MarkerKind::Invalid: found = source.isInvalidLogin(page, marker.text); break;
            case MarkerKind::BadLogin: found = source.isBadLogin(page, marker.text, marker.status); break;
        }
        if (found) return true;
    }
    return false;
}

int positionOf(std::string_view page, std::string_view text, int from) {
    if (from < 0) from = 0;
    if (static_cast<size_t>(from) > page.size()) return -1;
    const size_t pos = page.find(text, static_cast<size_t>(from));
    return pos == std::string_view::npos ? -1 : static_cast<int>(pos);
}

std::string between(std::string_view page, std::string_view start, std::string_view end) {
    return StrUtil::extract(page, start, end, 0);
}

std::string betweenFrom(std::string_view page, int position, std::string_view start, std::string_view end) {
    if (position < 0) return "";
    return StrUtil::extract(page, start, end, position);
}

std::string valueAfter(std::string_view page, std::string_view label, std::string_view start,
                       std::string_view end) {
    return betweenFrom(page, positionOf(page, label), start, end);
}

std::string escapeLifted(std::string_view value) { return StrUtil::replaceGremlins(value); }

std::string liftViewState(std::string_view page) {
    return escapeLifted(lift(page, "name=\"__VIEWSTATE\" value=\"", "\""));
}

std::optional<std::string> resolveLifted(const std::string& pageAddress, std::string_view lifted) {
    const std::string address = StrUtil::trim(lifted);
    if (address.empty()) return std::nullopt;
    return foundation::TextBrowser::resolveRedirect(pageAddress, address);
}

const SourceConfig& programConfig(const char* key) {
    if (const SourceConfig* config = RLPreferences::getConfig(key)) return *config;
    // Not reached for the adapters of the table; a record that allows
    // nothing keeps a stray adapter from retrieving or offering navigation.
    static std::mutex lock;
    static std::map<std::string, std::unique_ptr<SourceConfig>> strays;
    std::lock_guard<std::mutex> guard(lock);
    auto& slot = strays[key];
    if (!slot) {
        foundation::Logger::error(std::string("No program table row for adapter ") + key);
        slot = std::make_unique<SourceConfig>(SourceClass(), key, key, "", "", "", "", "", "", 0, 0, 1.0f, false,
                                              false, false, false);
    }
    return *slot;
}

// ---- Reports -----------------------------------------------------------------

std::mutex& AdapterReports::lock() {
    static std::mutex instance;
    return instance;
}

AdapterReports::Observer& AdapterReports::observer() {
    static Observer instance;
    return instance;
}

void AdapterReports::setObserver(Observer observer) {
    std::lock_guard<std::mutex> guard(lock());
    AdapterReports::observer() = std::move(observer);
}

void AdapterReports::notify(const std::string& key, const std::string& userTag, const std::string& reportText) {
    Observer current;
    {
        std::lock_guard<std::mutex> guard(lock());
        current = observer();
    }
    if (!current) return;
    try {
        current(key, userTag, reportText);
    } catch (const std::exception& failure) {
        foundation::Logger::error("Report observer failed", failure);
    }
}

}  // namespace tracker::adapters
