#include "platform/toolkit/Text.h"

#include "platform/toolkit/Composite.h"
#include "platform/toolkit/Display.h"
#include "platform/toolkit/ToolkitException.h"
#include "platform/toolkit/Utf8.h"

#include <algorithm>

namespace tk {

Text::Text(Token, Composite* parent, int style)
    : Control(displayOf(parent), parent, (style & MULTI) != 0 ? style : (style | SINGLE)) {
    if ((style & PASSWORD) != 0) m_echo = '*';
    if ((style & READ_ONLY) != 0) m_editable = false;
}

void Text::attach() {
    attachTo(getDisplay()->backend().createText(static_cast<TextSite&>(*this), *parentPeer(), getStyle()));
}

void Text::pushState() {
    Control::pushState();
    if (m_echo != 0) getTextPeer()->setEchoChar(m_echo);
    if (!m_editable) getTextPeer()->setEditable(false);
}

TextPeer* Text::getTextPeer() const { return static_cast<TextPeer*>(m_peer.get()); }

std::string Text::limited(const std::string& text) const {
    if (m_limit == LIMIT || utf8::length(text) <= m_limit) return text;
    return utf8::prefix(text, m_limit);
}

void Text::setText(const std::string& text) {
    checkWidget();
    m_text = limited(text);
    m_selStart = m_selEnd = 0;
    apply([this] {
        getTextPeer()->setText(m_text);
        getTextPeer()->setSelection(0, 0);
    });
}

std::string Text::getText() const {
    checkWidget();
    return m_text;
}

void Text::append(const std::string& text) {
    checkWidget();
    m_text = limited(m_text + text);
    m_selStart = m_selEnd = utf8::length(m_text);
    apply([this] {
        getTextPeer()->setText(m_text);
        getTextPeer()->setSelection(m_selStart, m_selEnd);
    });
}

int Text::getCharCount() const {
    checkWidget();
    return utf8::length(m_text);
}

void Text::setTextLimit(int limit) {
    checkWidget();
    if (limit <= 0) throw ToolkitException(ERROR_INVALID_ARGUMENT, "a text limit must be positive");
    m_limit = limit;
    apply([&] { getTextPeer()->setTextLimit(limit); });
}

int Text::getTextLimit() const {
    checkWidget();
    return m_limit;
}

void Text::setEchoChar(char echo) {
    checkWidget();
    m_echo = echo;
    apply([&] { getTextPeer()->setEchoChar(echo); });
}

char Text::getEchoChar() const {
    checkWidget();
    return m_echo;
}

void Text::setEditable(bool editable) {
    checkWidget();
    m_editable = editable;
    apply([&] { getTextPeer()->setEditable(editable); });
}

bool Text::getEditable() const {
    checkWidget();
    return m_editable;
}

void Text::setSelection(int position) { setSelection(position, position); }

void Text::setSelection(int start, int end) {
    checkWidget();
    int length = utf8::length(m_text);
    start = std::clamp(start, 0, length);
    end = std::clamp(end, 0, length);
    if (start > end) std::swap(start, end);
    m_selStart = start;
    m_selEnd = end;
    apply([&] { getTextPeer()->setSelection(start, end); });
}

Point Text::getSelection() const {
    checkWidget();
    return {m_selStart, m_selEnd};
}

int Text::getCaretPosition() const {
    checkWidget();
    return m_selEnd;
}

void Text::selectAll() { setSelection(0, utf8::length(getText())); }

void Text::clearSelection() {
    checkWidget();
    setSelection(m_selEnd, m_selEnd);
}

void Text::userText(const std::string& text) {
    fromUser([&] {
        if (isApplying() || !m_editable) return;
        std::string next = limited(text);
        if (next == m_text) return;
        m_text = next;
        int length = utf8::length(m_text);
        m_selStart = std::min(m_selStart, length);
        m_selEnd = std::min(m_selEnd, length);
        sendEvent(Modify);
    });
}

void Text::userDefaultSelection() {
    fromUser([this] { sendEvent(DefaultSelection); });
}

}  // namespace tk
