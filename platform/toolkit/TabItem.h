#pragma once
// One tab of a TabFolder; "&" marks a mnemonic.

#include "platform/toolkit/Widget.h"

#include <memory>
#include <string>

namespace tk {

class TabFolder;
class Control;
class Image;

class TabItem : public Widget {
public:
    TabItem(Token, TabFolder* parent, int style);
    TabItem(Token, TabFolder* parent, int style, int index);

    TabFolder* getParent() const { return m_parent; }
    void setText(const std::string& text);
    std::string getText() const;
    void setImage(const std::shared_ptr<Image>& image);
    std::shared_ptr<Image> getImage() const;
    // The control must be a child of the folder; nullptr detaches.
    void setControl(Control* control);
    Control* getControl() const;
    void setToolTipText(const std::string& text);
    std::string getToolTipText() const;

protected:
    void attach() override;
    void unlink() override;

private:
    TabFolder* m_parent;
    int m_index;
    std::string m_text;
    std::shared_ptr<Image> m_image;
    std::weak_ptr<Widget> m_control;
    std::string m_toolTip;

    friend class TabFolder;
};

}  // namespace tk
