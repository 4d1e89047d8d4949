#pragma once
// The class-level side of a content retriever. A member of the family is
//
//   class WeatherBugInner final : public Retriever<WeatherBugInner> {
//   public:
//       static constexpr const char* NAME = "WeatherBugInner";
//       static constexpr const char* TEMPLATE = "weatherbug-inner-template.html";
//       static constexpr const char* OUTPUT = "weatherbug-inner.html";
//   protected:
//       void retrieve() override;
//   };
//
// and gets its own RetrieverClassState (state()) and the paths of its
// template and page inside the content root of the run.

#include <string>

#include "portal/retriever/BaseRetrieverThread.h"

namespace portal::retriever {

template <class Self>
class Retriever : public BaseRetrieverThread {
public:
    static RetrieverClassState& state() {
        static RetrieverClassState s(Self::NAME);
        return s;
    }
    static std::string templatePath() { return contentPath(Self::TEMPLATE); }
    static std::string outputPath() { return contentPath(Self::OUTPUT); }

protected:
    RetrieverClassState& classState() const override { return state(); }
};

}  // namespace portal::retriever
