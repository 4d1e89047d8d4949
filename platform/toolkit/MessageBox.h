#pragma once
// A modal message: icon and buttons from the style (ICON_*, OK, YES | NO,
// ...; OK when no button is named). open() answers the id of the button
// pressed; closing the box counts as CANCEL, else NO, else OK.

#include <string>

namespace tk {

class Shell;

class MessageBox {
public:
    // A missing parent is ERROR_NULL_ARGUMENT.
    explicit MessageBox(Shell* parent, int style = 0);

    void setText(const std::string& title) { m_title = title; }  // the title
    const std::string& getText() const { return m_title; }
    void setMessage(const std::string& message) { m_message = message; }
    const std::string& getMessage() const { return m_message; }
    int getStyle() const { return m_style; }
    int open();

    // The buttons a style shows, and the answer a closed box gives.
    static int buttonsOf(int style);
    static int closeAnswer(int style);

private:
    Shell* m_parent;
    int m_style;
    std::string m_title;
    std::string m_message;
};

}  // namespace tk
