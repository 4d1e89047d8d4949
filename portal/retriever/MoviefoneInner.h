#pragma once
// Show times near the user's postal code, from the movie site's theatre
// list, with its ticket buttons, location box and favourites links put out
// of the way and its links made absolute.

#include "portal/retriever/Retriever.h"

namespace portal::retriever {

class MoviefoneInner final : public Retriever<MoviefoneInner> {
public:
    static constexpr const char* NAME = "MoviefoneInner";
    static constexpr const char* TEMPLATE = "moviefone-inner-template.html";
    static constexpr const char* OUTPUT = "moviefone-inner.html";
    static constexpr int64_t INTERVAL_MS = 84960000;

    // The theatre list of the page with the rewrites that make it work from
    // a local file.
    static std::string rewriteShowtimes(const std::string& section);

protected:
    void retrieve() override;
    std::string failureReport() const override;
};

}  // namespace portal::retriever
