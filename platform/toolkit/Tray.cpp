#include "platform/toolkit/Tray.h"

#include "platform/toolkit/ToolkitException.h"
#include "platform/toolkit/TrayItem.h"

#include <algorithm>

namespace tk {

int Tray::getItemCount() const { return static_cast<int>(m_items.size()); }

TrayItem* Tray::getItem(int index) const {
    if (index < 0 || index >= static_cast<int>(m_items.size())) throw ToolkitException(ERROR_INVALID_RANGE);
    return m_items[index].get();
}

std::vector<TrayItem*> Tray::getItems() const {
    std::vector<TrayItem*> out;
    for (auto& item : m_items) out.push_back(item.get());
    return out;
}

void Tray::addItem(const std::shared_ptr<TrayItem>& item) { m_items.push_back(item); }

void Tray::removeItem(TrayItem* item) {
    m_items.erase(std::remove_if(m_items.begin(), m_items.end(), [item](auto& i) { return i.get() == item; }),
                  m_items.end());
}

void Tray::disposeAll() {
    auto items = m_items;
    for (auto& item : items) item->dispose();
}

}  // namespace tk
