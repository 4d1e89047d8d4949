#pragma once
// The two-level popup menu component of the provider menu. Items are kept
// here and numbered from 1 in the order they are added; each time the menu
// is shown it is built as a toolkit popup menu (a caption "-" is a
// separator, an item with items under it opens them) and shown modally.
// Only items without items under them can be chosen.

#include <memory>
#include <string>
#include <vector>

namespace tk {
class Composite;
class Menu;
}  // namespace tk

namespace tiraleaf {

class ImageList;

class cNewMenu6 {
public:
    cNewMenu6() = default;
    ~cNewMenu6();
    cNewMenu6(const cNewMenu6&) = delete;
    cNewMenu6& operator=(const cNewMenu6&) = delete;

    // The window the menu belongs to and is placed against.
    void SetOwnerWindow(tk::Composite* window) { m_owner = window; }
    void SetImageList(ImageList* images) { m_images = images; }
    // 1: items show their icons (the default); 0: captions only.
    void SetDisplayStyle(int style) { m_style = style; }

    // Adds an item and answers its index. parent 0 is the top level; icon
    // -1 is none.
    int AddItem(const std::string& caption, const std::string& helpText, long itemData, int parent, int icon,
                bool checked, bool enabled, const std::string& key);
    // The index of the first item with the key; 0 when there is none.
    int IndexForKey(const std::string& key) const;
    int Count() const { return static_cast<int>(m_items.size()); }

    void SetChecked(int index, bool checked);
    bool GetChecked(int index) const;
    std::string GetCaption(int index) const;
    int GetIcon(int index) const;
    int GetParent(int index) const;
    bool HasChildren(int index) const;

    // Shows the menu at a point of the owner window given in twips and
    // waits until it closes; the chosen item's index, 0 when none was
    // chosen (or there is no owner window).
    int ShowPopupMenu(int xTwips, int yTwips);
    // The toolkit menu while it is shown (tests choose from it).
    tk::Menu* GetShownMenu() const { return m_shown.get(); }

private:
    struct Item {
        std::string caption;
        std::string helpText;
        long itemData = 0;
        int parent = 0;
        int icon = -1;
        bool checked = false;
        bool enabled = true;
        std::string key;
    };
    const Item& item(int index) const;
    void fill(tk::Menu& menu, int parent, int& chosen);

    std::vector<Item> m_items;
    tk::Composite* m_owner = nullptr;
    ImageList* m_images = nullptr;
    int m_style = 1;
    std::shared_ptr<tk::Menu> m_shown;
};

}  // namespace tiraleaf
