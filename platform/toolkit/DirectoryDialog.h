#pragma once
// The platform's folder chooser. open() answers the chosen folder, or
// nothing when cancelled.

#include <optional>
#include <string>

namespace tk {

class Shell;

class DirectoryDialog {
public:
    explicit DirectoryDialog(Shell* parent, int style = 0);

    void setText(const std::string& title) { m_title = title; }
    const std::string& getText() const { return m_title; }
    void setMessage(const std::string& message) { m_message = message; }
    const std::string& getMessage() const { return m_message; }
    // Where the chooser starts; "" lets the platform choose.
    void setFilterPath(const std::string& path) { m_filterPath = path; }
    const std::string& getFilterPath() const { return m_filterPath; }
    std::optional<std::string> open();

private:
    Shell* m_parent;
    std::string m_title;
    std::string m_message;
    std::string m_filterPath;
};

}  // namespace tk
