#include "control/ImageList.h"

#include <cstdio>
#include <exception>

#include "foundation/Logger.h"
#include "platform/com/Registration.h"
#include "platform/toolkit/Image.h"

namespace tiraleaf {

ImageList::ImageList(tk::Display* display, std::string folder) : m_display(display), m_folder(std::move(folder)) {}

std::shared_ptr<tk::Image> ImageList::ListImages(int index) {
    if (index < 1 || index > ICON_COUNT) return nullptr;
    char name[32];
    // Only integer conversions, which no locale changes.
    std::snprintf(name, sizeof name, "search-%02d.png", index - 1);
    return Picture(name);
}

std::shared_ptr<tk::Image> ImageList::Picture(const std::string& fileName) {
    auto found = m_loaded.find(fileName);
    if (found != m_loaded.end()) {
        if (!found->second || !found->second->isDisposed()) return found->second;
    }
    std::shared_ptr<tk::Image> picture;
    try {
        picture = tk::make<tk::Image>(m_display, m_folder + "/" + fileName);
    } catch (const std::exception& failure) {
        // Remembered as missing, so it is logged once.
        foundation::Logger::error("Unable to load the picture " + m_folder + "/" + fileName, failure);
    }
    m_loaded[fileName] = picture;
    return picture;
}

std::string ImageList::DefaultFolder() {
    std::string module = com::modulePathOf(reinterpret_cast<const void*>(&ImageList::DefaultFolder));
    size_t slash = module.rfind('/');
    std::string folder = slash == std::string::npos ? "." : module.substr(0, slash);
    return folder + "/tiraleaf-images";
}

}  // namespace tiraleaf
