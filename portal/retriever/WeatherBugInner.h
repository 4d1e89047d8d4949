#pragma once
// The local weather: the weather site's location page for the user's postal
// code, cut into eight pieces, with its thermometer, background and forecast
// images kept in the content folder.

#include "portal/retriever/Retriever.h"

namespace portal::retriever {

class WeatherBugInner final : public Retriever<WeatherBugInner> {
public:
    static constexpr const char* NAME = "WeatherBugInner";
    static constexpr const char* TEMPLATE = "weatherbug-inner-template.html";
    static constexpr const char* OUTPUT = "weatherbug-inner.html";
    static constexpr int64_t INTERVAL_MS = 1140000;
    // Where the kept images go, relative to the content root.
    static constexpr const char* IMAGE_FOLDER = "images/weatherbug/temp/";

    // The location page of a postal code.
    static std::string locationPageURL(const std::string& postalCode);

protected:
    void retrieve() override;
    std::string failureReport() const override;
};

}  // namespace portal::retriever
