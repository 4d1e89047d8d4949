#pragma once
// The engine's view of the tracker window. Every call returns at once and may
// arrive on the engine thread or (updateProgress) on an account thread; an
// implementation does its widget work by posting it to the user-interface
// thread.

#include <memory>

namespace tracker {

class RLSource;

class IDisplayer {
public:
    virtual ~IDisplayer() = default;

    // An account thread ended; the window reads getSourcesCompleted against
    // getSourcesCreated of the engine.
    virtual void updateProgress() = 0;
    // The engine has just started this account thread.
    virtual void sourceThreadStarted(const std::shared_ptr<RLSource>& source) = 0;
    // The results page was rewritten (after a poll with news, after the
    // summary, after a cancel).
    virtual void refreshResults() = 0;
    // Once, when a retrieval ends normally (never after a cancel).
    virtual void done() = 0;
    // Asked at the top of every polling pass; true means cancel.
    virtual bool cancelCheck() = 0;
};

}  // namespace tracker
