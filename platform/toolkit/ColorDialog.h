#pragma once
// The platform's colour chooser, preset with setRGB. open() answers the
// chosen colour, or nothing when cancelled.

#include "platform/toolkit/Types.h"

#include <optional>
#include <string>

namespace tk {

class Shell;

class ColorDialog {
public:
    explicit ColorDialog(Shell* parent, int style = 0);

    void setText(const std::string& title) { m_title = title; }
    const std::string& getText() const { return m_title; }
    void setRGB(const RGB& rgb) { m_rgb = rgb; }
    const RGB& getRGB() const { return m_rgb; }
    std::optional<RGB> open();

private:
    Shell* m_parent;
    std::string m_title;
    RGB m_rgb;
};

}  // namespace tk
