#include "portal/retriever/WeatherBugInner.h"

#include <vector>

#include "foundation/AsynchURL.h"
#include "foundation/HostTable.h"
#include "foundation/Logger.h"
#include "foundation/StrUtil.h"
#include "portal/retriever/MessageFormat.h"
#include "tracker/adapters/AdapterKit.h"

namespace portal::retriever {

using foundation::HostTable;
using foundation::Logger;
using foundation::StrUtil;
using tracker::adapters::betweenFrom;
using tracker::adapters::positionOf;
using tracker::adapters::valueAfter;

namespace {

std::string site(const std::string& path) { return HostTable::url("WeatherBug.site", path); }

const char* const THERMOMETER = "<img height=\"124\" width=\"45\" alt=\"Thermometer\"";
const char* const BACKGROUND = "align=\"middle\" background=";
const char* const FORECAST_START = "<td align=\"left\" class=\"hdrdark\" width=\"451\">";
const char* const FORECAST_END = "<td width=\"449\" class=\"tblSubHead\" align=\"center\">";
const char* const FORECAST_IMAGE = "<img height=\"32\" width=\"32\" border=\"\" alt=\"\"";

}  // namespace

std::string WeatherBugInner::locationPageURL(const std::string& postalCode) {
    const std::string destination = foundation::AsynchURL::formEncode(site("/Pages/Esi/Default.html") + "?");
    return site("/Pages/Esi/LocationSelector.html?dest_url=" + destination + "&referrer_id=&loc_change=" +
                foundation::AsynchURL::formEncode(postalCode) + "&x=1&y=1");
}

std::string WeatherBugInner::failureReport() const { return "WeatherBug exception for zip code " + getParam(); }

void WeatherBugInner::retrieve() {
    const std::string& postalCode = getParam();
    if (!isManual() && updatedWithin(INTERVAL_MS, "WeatherBug Inner", true)) return;
    const std::optional<std::string> pattern = updateFromTemplate("WeatherBug for " + postalCode, "WeatherBug");
    if (!pattern) return;

    const std::string page = fetch(locationPageURL(postalCode));

    std::vector<std::string> values(8);
    values[0] = valueAfter(page, "class=\"tophdrdark\"", ">", "</td>");
    values[1] = valueAfter(page, "margin-bottom: 5px\"", ">", "</span>");
    const int thermometer = positionOf(page, THERMOMETER);
    if (thermometer < 0) {
        reportError("Invalid WeatherBug content for zip code " + postalCode);
        return;
    }
    // The two live images: the thermometer and the background of the
    // current conditions.
    std::vector<std::string> liveImages;
    auto keepLive = [&](const std::string& address) -> std::string {
        const std::optional<std::string> name = imageFileName(address);
        if (!name) return "";
        liveImages.push_back(*name);
        return IMAGE_FOLDER + *name;
    };
    values[2] = keepLive(betweenFrom(page, thermometer, "src=\"", "\""));
    values[3] = valueAfter(page, "color: #666666\"", ">", "</span>");
    const int background = positionOf(page, BACKGROUND);
    values[4] = keepLive(betweenFrom(page, background, "background=\"", "\""));
    values[5] = betweenFrom(page, background, ">", "</td>");
    values[6] = valueAfter(page, "<div class=\"detailData\"", ">", "</div>");

    std::string forecast = tracker::adapters::between(page, FORECAST_START, FORECAST_END);
    std::vector<std::string> forecastAddresses;
    std::vector<std::string> forecastImages;
    for (int hit = positionOf(forecast, FORECAST_IMAGE); hit >= 0;
         hit = positionOf(forecast, FORECAST_IMAGE, hit + 1)) {
        const std::string address = betweenFrom(forecast, hit, "src=\"", "\"");
        const std::optional<std::string> name = imageFileName(address);
        if (!name) continue;
        forecastAddresses.push_back(address);
        forecastImages.push_back(*name);
    }
    for (size_t i = 0; i < forecastAddresses.size(); ++i) {
        forecast = StrUtil::replace(forecast, forecastAddresses[i], IMAGE_FOLDER + forecastImages[i]);
    }
    forecast = StrUtil::replace(forecast, "src=\"" + site("/Images/spacer.gif") + "\"",
                                "src=\"images/weatherbug/spacer.gif\"");
    values[7] = forecast;

    for (std::string& value : values) value = pageText(value);
    const std::string filled = MessageFormat::format(*pattern, values);

    for (const std::string& name : liveImages) download(site("/Images/Live/" + name), IMAGE_FOLDER + name);
    for (const std::string& name : forecastImages) {
        download(site("/Images/Forecast/" + name), IMAGE_FOLDER + name);
    }

    Logger::verbose("WeatherBug - writing results to " + outputPath());
    if (writePage(outputPath(), filled)) markUpdated(true);
}

}  // namespace portal::retriever
