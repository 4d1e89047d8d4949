#pragma once
// The notification area of the screen (Display::getSystemTray).

#include <memory>
#include <vector>

namespace tk {

class Display;
class TrayItem;

class Tray {
public:
    explicit Tray(Display* display) : m_display(display) {}
    Display* getDisplay() const { return m_display; }
    int getItemCount() const;
    TrayItem* getItem(int index) const;
    std::vector<TrayItem*> getItems() const;

    // ---- for TrayItem and Display ----
    void addItem(const std::shared_ptr<TrayItem>& item);
    void removeItem(TrayItem* item);
    void disposeAll();

private:
    Display* m_display;
    std::vector<std::shared_ptr<TrayItem>> m_items;
};

}  // namespace tk
