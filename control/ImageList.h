#pragma once
// The control's pictures: the 24 provider icons (entries 1 to 24, one more
// than the icon index the menu uses) and the button pictures, read from the
// picture folder beside the module. A picture that cannot be read is
// logged once and answered as none.

#include <map>
#include <memory>
#include <string>

namespace tk {
class Display;
class Image;
}  // namespace tk

namespace tiraleaf {

class ImageList {
public:
    static constexpr int ICON_COUNT = 24;

    ImageList(tk::Display* display, std::string folder);

    // Entry 1 to 24; nullptr for another index or an unreadable file.
    std::shared_ptr<tk::Image> ListImages(int index);
    // A picture of the folder by file name ("faq.png").
    std::shared_ptr<tk::Image> Picture(const std::string& fileName);
    const std::string& Folder() const { return m_folder; }

    // The folder the module's pictures are installed in: "tiraleaf-images"
    // beside the module (or program) that holds the control.
    static std::string DefaultFolder();

private:
    tk::Display* m_display;
    std::string m_folder;
    std::map<std::string, std::shared_ptr<tk::Image>> m_loaded;
};

}  // namespace tiraleaf
