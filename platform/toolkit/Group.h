#pragma once
// A framed composite with a title.

#include "platform/toolkit/Composite.h"

#include <string>

namespace tk {

class Group : public Composite {
public:
    Group(Token, Composite* parent, int style);

    void setText(const std::string& text);
    std::string getText() const;

protected:
    void attach() override;
    void pushState() override;

private:
    std::string m_text;
};

}  // namespace tk
