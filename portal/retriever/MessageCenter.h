#pragma once
// The message centre's retriever: asks the product server whether there is a
// message page for this installation (parameter: the installation GUID), at
// most twice a day, and keeps the address of the page to show.
//
// The server's answer counts only as one token without blanks that begins
// with "http://", "https://" or "**LOCAL**", and then only when it names the
// product server's message pages, carries "guid=", or holds "**LOCAL**".
// Every "**LOCAL**" stands for the content folder and becomes its file
// address. Anything else is logged as not valid and reported.
//
// Not to be confused with the portal's message-centre window, which shows
// the page.

#include <mutex>
#include <optional>
#include <string>

#include "portal/retriever/Retriever.h"

namespace portal::retriever {

class MessageCenter final : public Retriever<MessageCenter> {
public:
    static constexpr const char* NAME = "MessageCenter";
    static constexpr int64_t INTERVAL_MS = 42480000;

    // The address found by this worker's check; nothing when none.
    std::optional<std::string> getFoundURL() const;
    // The found address ("" when none), as the family's name accessor.
    std::string getName() const override { return getFoundURL().value_or(""); }

    // What an answer of the server means: the address to show, or nothing.
    // productServer is the server's address, contentRoot the content folder.
    static std::optional<std::string> addressFromAnswer(const std::string& trimmedAnswer,
                                                        const std::string& productServer,
                                                        const std::string& contentRoot);

protected:
    void retrieve() override;
    void handleFailure(const std::exception& failure) override;

private:
    mutable std::mutex m_lock;
    std::optional<std::string> m_found;
};

}  // namespace portal::retriever
