#pragma once
// The worker of a fire-and-forget report: one GET, or one POST of a form
// body, on a fresh client; the answer is logged and otherwise ignored.

#include <optional>
#include <string>

#include "foundation/BaseNetThread.h"

namespace foundation {

class URLAccessor : public BaseNetThread {
public:
    URLAccessor() = default;
    URLAccessor(std::string url, std::optional<std::string> postData)
        : m_url(std::move(url)), m_postData(std::move(postData)) {}

    void setURL(const std::string& url) { m_url = url; }
    // Absent: GET.
    void setPostData(std::optional<std::string> postData) { m_postData = std::move(postData); }
    const std::string& getURL() const { return m_url; }
    const std::optional<std::string>& getPostData() const { return m_postData; }

protected:
    void run() override;

private:
    std::string m_url;
    std::optional<std::string> m_postData;
};

}  // namespace foundation
