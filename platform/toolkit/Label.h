#pragma once
// Static text or a picture. WRAP wraps the text; "&" marks a mnemonic.
// Its preferred size without a width hint is the whole text, each line
// unwrapped; with one, a wrapping label is as tall as its text wrapped to
// that width.

#include "platform/toolkit/Control.h"

#include <memory>
#include <string>

namespace tk {

class Image;

class Label : public Control {
public:
    Label(Token, Composite* parent, int style);

    void setText(const std::string& text);
    std::string getText() const;
    void setImage(const std::shared_ptr<Image>& image);
    std::shared_ptr<Image> getImage() const;
    void setAlignment(int alignment);  // LEFT, CENTER, RIGHT
    int getAlignment() const;

    LabelPeer* getLabelPeer() const;

protected:
    void attach() override;
    void pushState() override;
    bool canTakeFocus() const override { return false; }

private:
    std::string m_text;
    std::shared_ptr<Image> m_image;
    int m_alignment;
};

}  // namespace tk
