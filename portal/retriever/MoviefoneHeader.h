#pragma once
// The movie list of the show-times page's header: the movie site's choice of
// films, at most once a day.

#include "portal/retriever/Retriever.h"

namespace portal::retriever {

class MoviefoneHeader final : public Retriever<MoviefoneHeader> {
public:
    static constexpr const char* NAME = "MoviefoneHeader";
    static constexpr const char* TEMPLATE = "moviefone-template.html";
    static constexpr const char* OUTPUT = "moviefone.html";
    static constexpr int64_t INTERVAL_MS = 84960000;

protected:
    void retrieve() override;
};

}  // namespace portal::retriever
