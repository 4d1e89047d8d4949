#include "platform/toolkit/Layout.h"

#include "platform/toolkit/Composite.h"

#include <algorithm>

namespace tk {

namespace {
std::vector<Control*> visibleChildren(Composite& composite) {
    std::vector<Control*> out;
    for (Control* child : composite.getChildren()) {
        if (child->getVisible()) out.push_back(child);
    }
    // New children go to the bottom, so the list is also creation order.
    return out;
}
}  // namespace

Point FillLayout::computeSize(Composite& composite, int widthHint, int heightHint) {
    auto children = visibleChildren(composite);
    int count = static_cast<int>(children.size());
    int largestWidth = 0;
    int largestHeight = 0;
    for (Control* child : children) {
        Point size = child->computeSize(DEFAULT, DEFAULT, true);
        largestWidth = std::max(largestWidth, size.x);
        largestHeight = std::max(largestHeight, size.y);
    }
    int gaps = count > 1 ? spacing * (count - 1) : 0;
    Point size;
    if (type == VERTICAL) {
        size = {largestWidth, largestHeight * count + gaps};
    } else {
        size = {largestWidth * count + gaps, largestHeight};
    }
    size.x += 2 * marginWidth;
    size.y += 2 * marginHeight;
    if (widthHint != DEFAULT) size.x = widthHint;
    if (heightHint != DEFAULT) size.y = heightHint;
    return size;
}

void FillLayout::layout(Composite& composite) {
    auto children = visibleChildren(composite);
    int count = static_cast<int>(children.size());
    if (count == 0) return;
    Rectangle area = composite.getClientArea();
    int x = area.x + marginWidth;
    int y = area.y + marginHeight;
    int width = std::max(0, area.width - 2 * marginWidth);
    int height = std::max(0, area.height - 2 * marginHeight);
    int gaps = spacing * (count - 1);
    if (type == VERTICAL) {
        int each = std::max(0, (height - gaps) / count);
        int extra = std::max(0, height - gaps - each * count);
        for (int i = 0; i < count; ++i) {
            int h = each + (i == count - 1 ? extra : 0);
            children[i]->setBounds(x, y, width, h);
            y += h + spacing;
        }
    } else {
        int each = std::max(0, (width - gaps) / count);
        int extra = std::max(0, width - gaps - each * count);
        for (int i = 0; i < count; ++i) {
            int w = each + (i == count - 1 ? extra : 0);
            children[i]->setBounds(x, y, w, height);
            x += w + spacing;
        }
    }
}

}  // namespace tk
