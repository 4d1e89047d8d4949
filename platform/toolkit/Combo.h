#pragma once
// A drop-down list (READ_ONLY) or a text with a list. A user choice sends
// Selection (and Modify when the text changed); select sends nothing.

#include "platform/toolkit/Control.h"

#include <string>
#include <vector>

namespace tk {

class Combo : public Control, private ComboSite {
public:
    Combo(Token, Composite* parent, int style);

    void add(const std::string& item);
    void add(const std::string& item, int index);
    void setItems(const std::vector<std::string>& items);
    std::vector<std::string> getItems() const;
    std::string getItem(int index) const;
    int getItemCount() const;
    void remove(int index);
    void removeAll();
    int indexOf(const std::string& item) const;
    void select(int index);
    void deselectAll();
    int getSelectionIndex() const;
    // READ_ONLY: only an item's text selects that item; other texts are ignored.
    void setText(const std::string& text);
    std::string getText() const;
    void setTextLimit(int limit);

    ComboPeer* getComboPeer() const;

protected:
    void attach() override;
    void pushState() override;

private:
    TK_CONTROL_SITE_FORWARDS
    void userSelect(int index) override;
    void userText(const std::string& text) override;

    std::vector<std::string> m_items;
    int m_selection = -1;
    std::string m_text;
    int m_limit = 0x7fffffff;

    friend class TestDriver;
};

}  // namespace tk
