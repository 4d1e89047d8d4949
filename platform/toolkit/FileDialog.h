#pragma once
// The platform's file chooser (OPEN or SAVE). open() answers the chosen
// path, or nothing when cancelled.

#include <optional>
#include <string>
#include <vector>

namespace tk {

class Shell;

class FileDialog {
public:
    explicit FileDialog(Shell* parent, int style = 0);

    void setText(const std::string& title) { m_title = title; }
    const std::string& getText() const { return m_title; }
    void setFilterPath(const std::string& path) { m_filterPath = path; }
    const std::string& getFilterPath() const { return m_filterPath; }
    void setFileName(const std::string& name) { m_fileName = name; }
    const std::string& getFileName() const { return m_fileName; }
    void setFilterExtensions(const std::vector<std::string>& extensions) { m_extensions = extensions; }
    const std::vector<std::string>& getFilterExtensions() const { return m_extensions; }
    void setFilterNames(const std::vector<std::string>& names) { m_names = names; }
    const std::vector<std::string>& getFilterNames() const { return m_names; }
    int getStyle() const { return m_style; }
    // Also sets the file name and filter path to the choice.
    std::optional<std::string> open();

private:
    Shell* m_parent;
    int m_style;
    std::string m_title;
    std::string m_filterPath;
    std::string m_fileName;
    std::vector<std::string> m_extensions;
    std::vector<std::string> m_names;
};

}  // namespace tk
