#pragma once
// PUSH, CHECK, RADIO or TOGGLE button. A click sends Selection (a check box
// has its new state by then); setSelection sends nothing.

#include "platform/toolkit/Control.h"

#include <memory>
#include <string>

namespace tk {

class Image;

class Button : public Control, private ButtonSite {
public:
    Button(Token, Composite* parent, int style);

    void setText(const std::string& text);
    std::string getText() const;
    void setImage(const std::shared_ptr<Image>& image);
    std::shared_ptr<Image> getImage() const;
    void setSelection(bool selected);
    bool getSelection() const;

    ButtonPeer* getButtonPeer() const;

protected:
    void attach() override;
    void pushState() override;

private:
    TK_CONTROL_SITE_FORWARDS
    void userSelect(bool selection) override;

    std::string m_text;
    std::shared_ptr<Image> m_image;
    bool m_selection = false;

    friend class TestDriver;
};

}  // namespace tk
