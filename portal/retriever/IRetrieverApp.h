#pragma once
// The portal as a content retrieval run sees it. The portal's window class
// implements it and hands itself to LBRetriever::setRetrieveParams.

namespace portal::retriever {

class IRetrieverApp {
public:
    virtual ~IRetrieverApp() = default;

    // Whether the portal window is shown. Read once per run, on the run's
    // own thread, so the flag behind it must be safe to read from there.
    // A run while the window is hidden asks no message centre.
    virtual bool isVisible() const = 0;

    // Called once per run, on the run's own thread, after every worker has
    // ended and been destroyed, also after a failed run. The portal clears
    // its in-progress flag here and posts the rest of its completion work
    // (progress display, pane reloads, message centre, upgrade check) to
    // the user-interface thread.
    virtual void handleRetrieverCompletion() = 0;
};

}  // namespace portal::retriever
