#pragma once
// An editable text field (SINGLE or MULTI, PASSWORD, READ_ONLY). Positions
// count characters, not bytes. A user edit sends Modify; setText sends
// nothing. Text beyond the limit is cut off, also when set by the program.

#include "platform/toolkit/Control.h"

#include <climits>
#include <string>

namespace tk {

class Text : public Control, private TextSite {
public:
    static constexpr int LIMIT = INT_MAX;

    Text(Token, Composite* parent, int style);

    void setText(const std::string& text);
    std::string getText() const;
    void append(const std::string& text);
    int getCharCount() const;
    void setTextLimit(int limit);
    int getTextLimit() const;
    void setEchoChar(char echo);  // 0: show the text
    char getEchoChar() const;
    void setEditable(bool editable);
    bool getEditable() const;
    void setSelection(int position);
    void setSelection(int start, int end);
    Point getSelection() const;  // x = start, y = end
    int getCaretPosition() const;
    void selectAll();
    void clearSelection();

    TextPeer* getTextPeer() const;

protected:
    void attach() override;
    void pushState() override;

private:
    TK_CONTROL_SITE_FORWARDS
    void userText(const std::string& text) override;
    void userDefaultSelection() override;
    std::string limited(const std::string& text) const;

    std::string m_text;
    int m_limit = LIMIT;
    char m_echo = 0;
    bool m_editable = true;
    int m_selStart = 0;
    int m_selEnd = 0;

    friend class TestDriver;
};

}  // namespace tk
