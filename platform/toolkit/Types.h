#pragma once
// Plain values of the toolkit: geometry, colours, fonts, cursors, and the
// mnemonic rules shared by buttons, labels, menu items and tab items.

#include <string>

namespace tk {

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

struct Rectangle {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Rectangle&) const = default;
    bool contains(int px, int py) const {
        return px >= x && py >= y && px < x + width && py < y + height;
    }
};

struct RGB {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const RGB&) const = default;
};

struct FontData {
    std::string name;
    int height = 0;  // points
    int style = 0;   // NORMAL, BOLD, ITALIC
    bool operator==(const FontData&) const = default;
};

// A colour is a value: creating one costs nothing, so there is nothing to
// dispose.
class Color {
public:
    Color() = default;
    Color(int red, int green, int blue) : m_rgb{red, green, blue} {}
    explicit Color(const RGB& rgb) : m_rgb(rgb) {}
    int getRed() const { return m_rgb.red; }
    int getGreen() const { return m_rgb.green; }
    int getBlue() const { return m_rgb.blue; }
    RGB getRGB() const { return m_rgb; }
    bool operator==(const Color&) const = default;

private:
    RGB m_rgb;
};

class Font {
public:
    Font() = default;
    explicit Font(const FontData& data) : m_data(data) {}
    Font(const std::string& name, int height, int style) : m_data{name, height, style} {}
    const FontData& getFontData() const { return m_data; }
    bool operator==(const Font&) const = default;

private:
    FontData m_data;
};

class Cursor {
public:
    Cursor() = default;
    explicit Cursor(int shape) : m_shape(shape) {}
    int getShape() const { return m_shape; }
    bool operator==(const Cursor&) const = default;

private:
    int m_shape = 0;  // CURSOR_ARROW ...
};

// "&x" marks x as the mnemonic; "&&" stands for one "&".
std::string stripMnemonic(const std::string& text);
// The mnemonic character in lower case, or 0 when the text has none.
char mnemonicOf(const std::string& text);

}  // namespace tk
