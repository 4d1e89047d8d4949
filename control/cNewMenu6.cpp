#include "control/cNewMenu6.h"

#include <stdexcept>

#include "control/ImageList.h"
#include "platform/toolkit/Composite.h"
#include "platform/toolkit/Display.h"
#include "platform/toolkit/Menu.h"
#include "platform/toolkit/MenuItem.h"
#include "platform/toolkit/Shell.h"

namespace tiraleaf {

namespace {
// A twip is 1/15 pixel.
constexpr int TWIPS_PER_PIXEL = 15;
}  // namespace

cNewMenu6::~cNewMenu6() {
    if (m_shown && !m_shown->isDisposed()) m_shown->dispose();
}

int cNewMenu6::AddItem(const std::string& caption, const std::string& helpText, long itemData, int parent, int icon,
                       bool checked, bool enabled, const std::string& key) {
    if (parent < 0 || parent > Count()) throw std::out_of_range("No menu item " + std::to_string(parent));
    m_items.push_back(Item{caption, helpText, itemData, parent, icon, checked, enabled, key});
    return Count();
}

int cNewMenu6::IndexForKey(const std::string& key) const {
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i].key == key) return static_cast<int>(i + 1);
    }
    return 0;
}

const cNewMenu6::Item& cNewMenu6::item(int index) const {
    if (index < 1 || index > Count()) throw std::out_of_range("No menu item " + std::to_string(index));
    return m_items[static_cast<size_t>(index - 1)];
}

void cNewMenu6::SetChecked(int index, bool checked) {
    item(index);
    m_items[static_cast<size_t>(index - 1)].checked = checked;
}

bool cNewMenu6::GetChecked(int index) const { return item(index).checked; }
std::string cNewMenu6::GetCaption(int index) const { return item(index).caption; }
int cNewMenu6::GetIcon(int index) const { return item(index).icon; }
int cNewMenu6::GetParent(int index) const { return item(index).parent; }

bool cNewMenu6::HasChildren(int index) const {
    for (const Item& i : m_items) {
        if (i.parent == index) return true;
    }
    return false;
}

void cNewMenu6::fill(tk::Menu& menu, int parent, int& chosen) {
    for (int index = 1; index <= Count(); ++index) {
        const Item& entry = m_items[static_cast<size_t>(index - 1)];
        if (entry.parent != parent) continue;
        if (entry.caption == "-") {
            tk::make<tk::MenuItem>(&menu, tk::SEPARATOR);
            continue;
        }
        bool cascade = HasChildren(index);
        auto menuItem = tk::make<tk::MenuItem>(&menu, cascade ? tk::CASCADE : tk::CHECK);
        menuItem->setText(entry.caption);
        menuItem->setEnabled(entry.enabled);
        if (m_style == 1 && m_images != nullptr && entry.icon >= 0) {
            if (auto picture = m_images->ListImages(entry.icon + 1)) menuItem->setImage(picture);
        }
        if (cascade) {
            auto sub = tk::make<tk::Menu>(menuItem.get());
            fill(*sub, index, chosen);
        } else {
            menuItem->setSelection(entry.checked);
            menuItem->addSelectionListener([&chosen, index](tk::Event&) { chosen = index; });
        }
    }
}

int cNewMenu6::ShowPopupMenu(int xTwips, int yTwips) {
    if (m_owner == nullptr || m_owner->isDisposed() || m_shown) return 0;
    tk::Shell* shell = m_owner->getShell();
    tk::Display* display = m_owner->getDisplay();
    int chosen = 0;
    m_shown = tk::make<tk::Menu>(shell, tk::POP_UP);
    auto menu = m_shown;
    try {
        fill(*menu, 0, chosen);
        menu->setLocation(m_owner->toDisplay(xTwips / TWIPS_PER_PIXEL, yTwips / TWIPS_PER_PIXEL));
        menu->setVisible(true);
        // The item chosen acts after the menu closed, within the same report.
        while (!menu->isDisposed() && menu->getVisible()) {
            if (!display->readAndDispatch()) display->sleep();
        }
    } catch (...) {
        if (!menu->isDisposed()) menu->dispose();
        m_shown.reset();
        throw;
    }
    if (!menu->isDisposed()) menu->dispose();
    m_shown.reset();
    return chosen;
}

}  // namespace tiraleaf
