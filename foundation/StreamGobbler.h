#pragma once
// Drains one stream of a child process on a thread of its own, line by
// line, until the stream ends, so that the child never blocks on a full
// pipe. Lines go to the redirect stream when one is given and are dropped
// otherwise.
//
// A gobbler is a foundation::Thread: held by its starter and by its body,
// joinable, and stopped cooperatively. A stop request (or the end of the
// process) ends the reading within a poll interval even when the child
// keeps its stream open; the descriptor is closed either way.

#include <condition_variable>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>

#include "foundation/Thread.h"

namespace foundation {

class StreamGobbler : public Thread {
public:
    // Takes ownership of the descriptor; it is closed when the stream ends.
    static std::shared_ptr<StreamGobbler> create(int in, const std::string& type);
    static std::shared_ptr<StreamGobbler> create(int in, const std::string& type, std::ostream* redirect);
    ~StreamGobbler() override;

    // start() (from Thread) reads on the gobbler's own thread; the thread
    // keeps the object alive until the stream ends.
    // Reads to the end on the calling thread (or until its stop request).
    void run() override;
    // Waits up to ms milliseconds for the end of the stream.
    bool waitForEnd(int ms);
    const std::string& getType() const { return m_type; }

private:
    StreamGobbler(int in, const std::string& type, std::ostream* redirect);

    int m_is;
    std::string m_type;
    std::ostream* m_os;
    std::mutex m_mutex;
    std::condition_variable m_cond;
    bool m_ended = false;
};

}  // namespace foundation
