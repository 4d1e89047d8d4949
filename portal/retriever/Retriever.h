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

#include <optional>
#include <string>

#include "foundation/Logger.h"
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

    // Logs "Updating <what>" and "<who> - reading from template <path>",
    // then reads the class's template (nothing when it cannot be read).
    std::optional<std::string> updateFromTemplate(const std::string& what, const std::string& who) {
        foundation::Logger::verbose("Updating " + what);
        foundation::Logger::verbose(who + " - reading from template " + templatePath());
        return readTemplate(templatePath());
    }
};

}  // namespace portal::retriever
