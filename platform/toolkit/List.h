#pragma once
// A list of texts with at most one selected item (SINGLE). A user choice
// sends Selection, a double click DefaultSelection; select sends nothing.

#include "platform/toolkit/Control.h"

#include <string>
#include <vector>

namespace tk {

class List : public Control, private ListSite {
public:
    List(Token, Composite* parent, int style);

    void add(const std::string& item);
    void add(const std::string& item, int index);
    void setItems(const std::vector<std::string>& items);
    std::vector<std::string> getItems() const;
    std::string getItem(int index) const;
    int getItemCount() const;
    void setItem(int index, const std::string& item);
    void remove(int index);
    void removeAll();
    int indexOf(const std::string& item) const;
    // An index out of range selects nothing and keeps the selection.
    void select(int index);
    void setSelection(int index);  // -1 clears
    void deselectAll();
    int getSelectionIndex() const;  // -1 when none
    std::vector<std::string> getSelection() const;
    int getSelectionCount() const;
    void showSelection() {}

    ListPeer* getListPeer() const;

protected:
    void attach() override;
    void pushState() override;

private:
    TK_CONTROL_SITE_FORWARDS
    void userSelect(int index) override;
    void userDefaultSelect(int index) override;
    void checkIndex(int index, int count) const;

    std::vector<std::string> m_items;
    int m_selection = -1;

    friend class TestDriver;
};

}  // namespace tk
